#pragma once
// The number-list procedure as a stream: each number of a node's text goes
// to a callback as it is converted, so large arrays go straight into their
// model arrays without a list in between. Same cut, same splitting, same
// conversions as ReadFloats / ReadInts (collada/xml_dom.h).
#include <pugixml.hpp>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <string>
#include <string_view>
#include <vector>

#include "collada/number_scan.h"

namespace numlist {

// The raw text of a node and its descendants; joined into `storage` only
// when it is in more than one piece.
std::string_view RawText(pugi::xml_node node, std::string& storage);

// The exact route for text holding multibyte characters: normalise, convert
// to code page 932, cut at `limit` bytes, split at spaces.
void SlowFloats(std::string_view raw, std::int64_t limit, std::int64_t maxCount, std::vector<float>& out);
void SlowInts(std::string_view raw, std::int64_t limit, std::int64_t maxCount, std::vector<int>& out);

// 0: part of a token; 1: white space; 2: a byte of a multibyte character.
struct CharClasses {
    unsigned char of[256] = {};
    constexpr CharClasses() {
        of[static_cast<unsigned char>(' ')] = of[static_cast<unsigned char>('\t')] = 1;
        of[static_cast<unsigned char>('\r')] = of[static_cast<unsigned char>('\n')] = 1;
        for (int c = 0x80; c < 256; ++c) of[c] = 2;
    }
};
inline constexpr CharClasses kClass;

inline float Convert(const char* p, const char* end, const char*& stop, float*) {
    return numscan::AtofFloat(p, end, stop);
}
inline int Convert(const char* p, const char* end, const char*& stop, int*) { return numscan::Atoi(p, end, stop); }
inline float Convert(const char* p, const char* end, float* tag) {
    const char* stop;
    return Convert(p, end, stop, tag);
}
inline int Convert(const char* p, const char* end, int* tag) {
    const char* stop;
    return Convert(p, end, stop, tag);
}

// True when no byte has the high bit set; eight bytes at a time.
inline bool IsAscii(std::string_view s) {
    const char* p = s.data();
    const char* const end = p + s.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if (w & 0x8080808080808080ULL) return false;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    return true;
}

// Calls fn(T) for every number; T is float (atof) or int (atoi).
template <class T, class Fn>
void ForEachNumber(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, Fn&& fn) {
    if (!node || bufferBytes <= 1 || maxCount == 0) return;
    const std::int64_t limit = bufferBytes - 1;
    std::string storage;
    const std::string_view raw = RawText(node, storage);
    const char* p = raw.data();
    const char* const end = p + raw.size();
    // Multibyte characters change the byte count of the converted text:
    // such text takes the exact route as a whole.
    if (!IsAscii(raw)) {
        {
            std::vector<T> slow;
            if constexpr (std::is_same_v<T, float>) SlowFloats(raw, limit, maxCount, slow);
            else SlowInts(raw, limit, maxCount, slow);
            for (T v : slow) fn(v);
            return;
        }
    }
    std::int64_t pos = 0;  // where the next token stands in the normalised text
    std::int64_t n = 0;
    while (p < end && kClass.of[static_cast<unsigned char>(*p)] == 1) ++p;
    while (p < end && pos < limit && (maxCount < 0 || n < maxCount)) {
        // Convert straight from the text; the conversion stops where the
        // number does, which is never past the token or the cut.
        const char* t = p;
        const char* bound = limit - pos < end - t ? t + (limit - pos) : end;
        const char* stop = t;
        const T value = Convert(t, bound, stop, static_cast<T*>(nullptr));
        p = stop;
        while (p < end && kClass.of[static_cast<unsigned char>(*p)] == 0) ++p;  // trailing garbage
        std::int64_t len = p - t;
        if (pos + len > limit) len = limit - pos;
        fn(value);
        ++n;
        pos += len + 1;
        while (p < end && kClass.of[static_cast<unsigned char>(*p)] == 1) ++p;
    }
}

}  // namespace numlist
