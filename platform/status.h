#pragma once
// What a reader, importer, writer or device setup says back: success, or
// what failed and why, in words a user can act on ("walk.mdl: No space left
// on device"). Libraries never print; the viewer and the command-line tool
// decide how to show a failure.
#include <string>
#include <utility>
#include <vector>

class [[nodiscard]] Status {
public:
    Status() = default;  // success

    static Status Ok() { return {}; }
    // A failure with its reason; an empty reason still fails.
    static Status Failure(std::string why) {
        Status status;
        status.failed_ = true;
        status.why_ = std::move(why);
        return status;
    }

    bool IsOk() const { return !failed_; }
    explicit operator bool() const { return !failed_; }
    // Empty on success.
    const std::string& Why() const { return why_; }

    // The failure with what it concerns in front: "walk.mdl: <why>".
    Status About(const std::string& subject) const {
        if (!failed_ || subject.empty()) return *this;
        return Failure(why_.empty() ? subject : subject + ": " + why_);
    }

private:
    bool failed_ = false;
    std::string why_;
};

// A value, or the Status that says why there is none. Reads like the
// std::optional it replaces: test it, then use *result.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : value_(std::move(value)) {}
    // A failure; an Ok status here would be a value-less success, so it fails too.
    Result(Status failure) : status_(failure.IsOk() ? Status::Failure({}) : std::move(failure)) {}

    bool IsOk() const { return status_.IsOk(); }
    explicit operator bool() const { return status_.IsOk(); }
    const Status& status() const { return status_; }
    const std::string& Why() const { return status_.Why(); }

    T& operator*() { return value_; }
    const T& operator*() const { return value_; }
    T* operator->() { return &value_; }
    const T* operator->() const { return &value_; }
    T value_or(T fallback) const { return IsOk() ? value_ : std::move(fallback); }

private:
    Status status_;
    T value_{};
};

// What an importer or a model's GPU build says back: success or the reason,
// and one line per kind of content it left out or limited, which the caller
// shows as it shows other notes.
struct [[nodiscard]] Outcome {
    Status status;
    std::vector<std::string> notes;

    Outcome() = default;
    Outcome(Status s) : status(std::move(s)) {}
    bool IsOk() const { return status.IsOk(); }
    explicit operator bool() const { return status.IsOk(); }
    const std::string& Why() const { return status.Why(); }
};
