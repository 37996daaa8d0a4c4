#pragma once
// A record name: at most 1023 UTF-16 units, compared exactly and
// case-sensitively. Stored by its length, so a model of many short names
// costs memory in proportion to its text.
#include <string>
#include <string_view>

class CName {
public:
    static constexpr int kCapacity = 1024;  // units including the terminator

    CName() = default;
    explicit CName(std::u16string_view s) { Set(s); }

    // Bounded copy: anything beyond 1023 units is cut.
    void Set(std::u16string_view s);
    // From multibyte text in code page 932 (the files' encoding).
    void SetFromCp932(std::string_view bytes);
    void SetAscii(std::string_view ascii);  // convenience for literals in code and tests
    void Clear() { units_.clear(); }

    std::u16string_view View() const { return units_; }
    const char16_t* Data() const { return units_.c_str(); }  // zero-terminated
    int Length() const { return static_cast<int>(units_.size()); }
    bool Empty() const { return units_.empty(); }
    std::string ToCp932() const;
    std::string ToUtf8() const;

    bool operator==(const CName& o) const { return units_ == o.units_; }
    bool operator==(std::u16string_view o) const { return View() == o; }

private:
    std::u16string units_;
};
