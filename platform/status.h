#pragma once
// What a reader, importer, writer or device setup says back: success, or
// what failed and why, in words a user can act on ("walk.mdl: No space left
// on device"). Libraries never print; the viewer and the command-line tool
// decide how to show a failure.
#include <string>
#include <utility>

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
