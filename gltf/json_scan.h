#pragma once
// Just enough JSON scanning to find a few members of a glTF document where
// they lie, without parsing it: values are skipped, not read. Anything these
// do not understand makes them give up (kNone or false), and the caller then
// leaves the text to the real parser.
#include <cstddef>
#include <cstring>
#include <string_view>

namespace json_scan {

inline constexpr std::size_t kNone = std::string_view::npos;

inline std::size_t SkipSpace(std::string_view s, std::size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
    return i;
}

// Just past the string that starts at `i`, or kNone when it does not end.
// Looks for quotes with memchr: a data URI is hundreds of kilobytes long.
inline std::size_t SkipString(std::string_view s, std::size_t i) {
    const std::size_t first = i + 1;
    for (std::size_t from = first; from <= s.size();) {
        const void* quote = std::memchr(s.data() + from, '"', s.size() - from);
        if (!quote) return kNone;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(quote) - s.data());
        std::size_t slashes = 0;
        while (at - slashes > first && s[at - slashes - 1] == '\\') ++slashes;
        if (slashes % 2 == 0) return at + 1;
        from = at + 1;
    }
    return kNone;
}

// Just past the value that starts at `i`: a string, an array or object up to
// its matching bracket, or a bare token.
inline std::size_t SkipValue(std::string_view s, std::size_t i) {
    if (i >= s.size()) return kNone;
    if (s[i] == '"') return SkipString(s, i);
    if (s[i] != '[' && s[i] != '{') {
        while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']' && s[i] != ' ' && s[i] != '\n' &&
               s[i] != '\r' && s[i] != '\t')
            ++i;
        return i;
    }
    int depth = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            i = SkipString(s, i);
            if (i == kNone) return kNone;
            continue;
        }
        if (c == '[' || c == '{') ++depth;
        else if ((c == ']' || c == '}') && --depth == 0) return i + 1;
        ++i;
    }
    return kNone;
}

// Calls visit(key, valueBegin, valueEnd) for each member of the object at
// `i`; false when the object is malformed, a key holds an escape or visit
// says stop.
template <class Visit>
bool ForEachMember(std::string_view s, std::size_t i, Visit visit) {
    i = SkipSpace(s, i);
    if (i >= s.size() || s[i] != '{') return false;
    i = SkipSpace(s, i + 1);
    if (i < s.size() && s[i] == '}') return true;
    for (;;) {
        if (i >= s.size() || s[i] != '"') return false;
        const std::size_t keyEnd = SkipString(s, i);
        if (keyEnd == kNone) return false;
        const std::string_view key = s.substr(i + 1, keyEnd - i - 2);
        if (key.find('\\') != std::string_view::npos) return false;
        i = SkipSpace(s, keyEnd);
        if (i >= s.size() || s[i] != ':') return false;
        const std::size_t value = SkipSpace(s, i + 1);
        const std::size_t valueEnd = SkipValue(s, value);
        if (valueEnd == kNone || valueEnd == value || !visit(key, value, valueEnd)) return false;
        i = SkipSpace(s, valueEnd);
        if (i < s.size() && s[i] == '}') return true;
        if (i >= s.size() || s[i] != ',') return false;
        i = SkipSpace(s, i + 1);
    }
}

// Calls visit(index, valueBegin, valueEnd) for each element of the array at
// `i`; false when the array is malformed or visit says stop.
template <class Visit>
bool ForEachElement(std::string_view s, std::size_t i, Visit visit) {
    i = SkipSpace(s, i);
    if (i >= s.size() || s[i] != '[') return false;
    i = SkipSpace(s, i + 1);
    if (i < s.size() && s[i] == ']') return true;
    for (std::size_t index = 0;; ++index) {
        const std::size_t valueEnd = SkipValue(s, i);
        if (valueEnd == kNone || valueEnd == i || !visit(index, i, valueEnd)) return false;
        i = SkipSpace(s, valueEnd);
        if (i < s.size() && s[i] == ']') return true;
        if (i >= s.size() || s[i] != ',') return false;
        i = SkipSpace(s, i + 1);
    }
}

}  // namespace json_scan
