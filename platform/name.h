#pragma once
// A record name: at most 1023 UTF-16 units plus a terminator, compared
// exactly and case-sensitively.
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
    void Clear() { units_[0] = 0; length_ = 0; }

    std::u16string_view View() const { return {units_, static_cast<std::size_t>(length_)}; }
    const char16_t* Data() const { return units_; }
    int Length() const { return length_; }
    bool Empty() const { return length_ == 0; }
    std::string ToCp932() const;
    std::string ToUtf8() const;

    bool operator==(const CName& o) const { return View() == o.View(); }
    bool operator==(std::u16string_view o) const { return View() == o; }

private:
    char16_t units_[kCapacity] = {};
    int length_ = 0;
};
