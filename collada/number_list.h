#pragma once
// The number-list procedure as a stream: each number of a node's text goes
// to a callback in order, so large arrays go straight into their model
// arrays (only the part of a long list converted on a helper thread waits
// in a list of its own). Same cut, same splitting, same conversions as
// ReadFloats / ReadInts (collada/xml_dom.h).
#include <pugixml.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "collada/number_scan.h"

namespace numlist {

// The raw text of a node and its descendants; joined into `storage` only
// when it is in more than one piece.
std::string_view RawText(pugi::xml_node node, std::string& storage);

// The raw text as above, and whether it is all ASCII, found in one pass
// (long lists are read from memory once less than with two).
struct ScannedText {
    std::string_view text;
    bool ascii;
};
ScannedText ScanRawText(pugi::xml_node node, std::string& storage);

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

// For the 64 bytes at `p`: bit i of `blank` is set when byte i is white
// space, of `dot` when it is a decimal point, of `nonDigit` when it is not
// a digit. Bytes at or past `end` count as white space.
struct ByteMasks {
    std::uint64_t blank, dot, nonDigit;
};

inline ByteMasks MasksAt(const char* p, const char* end) {
    if (p >= end) return {~std::uint64_t{0}, 0, ~std::uint64_t{0}};
    ByteMasks m{0, 0, 0};
#if defined(__SSE2__)
    if (end - p >= 64) {
        for (int i = 0; i < 64; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i blank = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
                _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))));
            m.blank |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(blank))) << i;
            const __m128i dot = _mm_cmpeq_epi8(v, _mm_set1_epi8('.'));
            m.dot |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(dot))) << i;
            const __m128i digit =
                _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
            m.nonDigit |= static_cast<std::uint64_t>(static_cast<unsigned>(~_mm_movemask_epi8(digit) & 0xFFFF)) << i;
        }
        return m;
    }
#endif
    const int n = end - p >= 64 ? 64 : static_cast<int>(end - p);
    for (int i = 0; i < n; ++i) {
        if (kClass.of[static_cast<unsigned char>(p[i])] == 1) m.blank |= std::uint64_t{1} << i;
        if (p[i] == '.') m.dot |= std::uint64_t{1} << i;
        if (!numscan::IsDigit(p[i])) m.nonDigit |= std::uint64_t{1} << i;
    }
    if (n < 64) {
        m.blank |= ~std::uint64_t{0} << n;
        m.nonDigit |= ~std::uint64_t{0} << n;
    }
    return m;
}

// One token, its ends (and its first point) known: the common shapes
// directly, the rest as atof / atoi read it.
template <class T>
__attribute__((noinline)) T ConvertRareToken(const char* t, const char* e) {
    return Convert(t, e, static_cast<T*>(nullptr));
}

template <class T>
__attribute__((always_inline)) inline T ConvertToken(const char* t, const char* e, const char* dot,
                                                     std::uint64_t nonDigits, const char* end) {
    T value;
    if (end - t >= 24) [[likely]] {
        if constexpr (std::is_same_v<T, float>) {
            if (numscan::TokenFloat(t, e, dot, nonDigits, value)) [[likely]]
                return value;
        } else {
            if (numscan::TokenInt(t, e, nonDigits, value)) [[likely]]
                return value;
        }
    }
    return ConvertRareToken<T>(t, e);
}

// A sink appending to a list, reserved once for as many numbers as the
// text can hold, so a long list is not copied over and over as it grows.
template <class T>
struct AppendTo {
    std::vector<T>& out;
    void Reserve(std::size_t most) { out.reserve(out.size() + most); }
    void operator()(T v) { out.push_back(v); }
    void Bulk(const T* values, std::size_t n) { out.insert(out.end(), values, values + n); }
};

// Hands `n` numbers to the sink: all at once to a sink with Bulk(values, n),
// else one by one.
template <class T, class Fn>
void Emit(Fn& fn, const T* values, std::size_t n) {
    if constexpr (requires { fn.Bulk(values, n); }) {
        if (n != 0) fn.Bulk(values, n);
    } else {
        for (std::size_t i = 0; i < n; ++i) fn(values[i]);
    }
}

// Converts the numbers of ASCII text from `p` to `end` (which must start
// and end at white space or a token's edge) that no buffer cut reaches,
// at most `maxCount` of them (negative: all). Returns how many it took.
//
// Where the tokens and their points lie is found first, from masks of 64
// bytes, so converting one token never waits for the end of the one
// before. Windows advance by 48 bytes: a token starting in the first 48 of
// a window and not longer than 16 bytes ends inside it.
template <class T, class Fn>
std::int64_t ForEachUncut(const char* p, const char* end, std::int64_t maxCount, Fn&& fn) {
    constexpr int kStep = 48;
    constexpr std::uint64_t kStarts = (std::uint64_t{1} << kStep) - 1;
    std::uint64_t left = maxCount < 0 ? UINT64_MAX : static_cast<std::uint64_t>(maxCount);
    std::int64_t n = 0;
    // Numbers gather here and go to the sink in batches: the loop keeps its
    // state in registers instead of the sink's.
    constexpr int kBatch = 256;
    T batch[kBatch];
    int filled = 0;
    std::uint64_t blankBefore = 1;  // the byte before `p` counts as white space
    for (const char* window = p; window < end && left != 0; window += kStep) {
        const ByteMasks m = MasksAt(window, end);
        std::uint64_t starts = ~m.blank & ((m.blank << 1) | blankBefore) & kStarts;
        blankBefore = (m.blank >> (kStep - 1)) & 1;
        while (starts != 0 && left != 0) {
            const int i = __builtin_ctzll(starts);
            starts &= starts - 1;
            const char* t = window + i;
            const std::uint64_t rest = m.blank >> i;
            const char* e;
            std::uint64_t nonDigits;
            const char* dot;
            if (rest != 0) [[likely]] {
                e = t + __builtin_ctzll(rest);
                nonDigits = m.nonDigit >> i;
                const std::uint64_t dots = (m.dot >> i) | (std::uint64_t{1} << 63);
                dot = std::min(t + __builtin_ctzll(dots), e);
            } else {
                // Longer than the window holds: the general route reads it.
                e = numscan::TokenEnd(t, end);
                nonDigits = ~std::uint64_t{0};
                dot = e;
            }
            batch[filled++] = ConvertToken<T>(t, e, dot, nonDigits, end);
            if (filled == kBatch) {
                Emit(fn, batch, kBatch);
                filled = 0;
            }
            --left;
            ++n;
        }
    }
    Emit(fn, batch, static_cast<std::size_t>(filled));
    return n;
}

// Long lists are converted in two halves at once: the second on a helper
// thread into a list, handed on in order after the first. Without a thread
// (none to be had) the work is simply done in order.
inline constexpr std::size_t kSplitBytes = 64 * 1024;

template <class T, class Fn>
void ForEachUncutSplit(const char* p, const char* end, std::int64_t maxCount, Fn&& fn) {
    const char* mid = p + (end - p) / 2;
    while (mid < end && kClass.of[static_cast<unsigned char>(*mid)] != 1) ++mid;
    std::vector<T> tail;
    bool tailDone = false;
    {
        std::jthread helper;
        try {
            helper = std::jthread([&tail, &tailDone, mid, end, maxCount] {
                try {
                    // Each number takes at least two bytes with its separator.
                    tail.reserve(static_cast<std::size_t>(end - mid) / 2 + 1);
                    ForEachUncut<T>(mid, end, maxCount, AppendTo<T>{tail});
                    tailDone = true;
                } catch (...) {
                    tail.clear();
                }
            });
        } catch (const std::system_error&) {}
        if (!helper.joinable()) {
            ForEachUncut<T>(p, end, maxCount, fn);
            return;
        }
        const std::int64_t head = ForEachUncut<T>(p, mid, maxCount, fn);
        helper.join();
        const std::int64_t left = maxCount < 0 ? -1 : maxCount - head;
        if (left == 0) return;
        if (!tailDone) {
            ForEachUncut<T>(mid, end, left, fn);
            return;
        }
        const std::size_t take = left < 0 ? tail.size() : std::min(tail.size(), static_cast<std::size_t>(left));
        Emit(fn, tail.data(), take);
    }
}

// Calls fn(T) for every number; T is float (atof) or int (atoi). A sink
// with Bulk(values, n) takes them in batches instead; one with Reserve(n)
// is first told how many numbers there can be at most.
template <class T, class Fn>
void ForEachNumber(pugi::xml_node node, std::int64_t bufferBytes, std::int64_t maxCount, Fn&& fn) {
    if (!node || bufferBytes <= 1 || maxCount == 0) return;
    const std::int64_t limit = bufferBytes - 1;
    std::string storage;
    const ScannedText scanned = ScanRawText(node, storage);
    const std::string_view raw = scanned.text;
    const char* p = raw.data();
    const char* const end = p + raw.size();
    if constexpr (requires { fn.Reserve(std::size_t{}); }) {
        // Each number takes at least two bytes with its separator.
        std::size_t most = raw.size() / 2 + 1;
        if (maxCount >= 0) most = std::min(most, static_cast<std::size_t>(maxCount));
        fn.Reserve(most);
    }
    // Multibyte characters change the byte count of the converted text:
    // such text takes the exact route as a whole.
    if (!scanned.ascii) {
        {
            std::vector<T> slow;
            if constexpr (std::is_same_v<T, float>) SlowFloats(raw, limit, maxCount, slow);
            else SlowInts(raw, limit, maxCount, slow);
            Emit(fn, slow.data(), slow.size());
            return;
        }
    }
    // Normalising only shortens text: what fits before the cut as it stands
    // is never cut.
    if (static_cast<std::int64_t>(raw.size()) <= limit) {
        if (raw.size() >= kSplitBytes) ForEachUncutSplit<T>(p, end, maxCount, fn);
        else ForEachUncut<T>(p, end, maxCount, fn);
        return;
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
        Emit(fn, &value, 1);
        ++n;
        pos += len + 1;
        while (p < end && kClass.of[static_cast<unsigned char>(*p)] == 1) ++p;
    }
}

}  // namespace numlist
