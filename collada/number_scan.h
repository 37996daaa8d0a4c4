#pragma once
// atof / atoi on one token, fast for the plain decimal numbers COLLADA
// files are made of. Results are exactly those of ParseDouble / ParseInt
// (platform/text.h), which the rare other forms fall back to.
//
// Each parser reads from `p` and stops at the first character that cannot
// continue the number; `stop` receives that position. `end` bounds the
// token (the end of the text, or where the buffer cut falls).
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/text.h"

namespace numscan {

inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// How many of the eight ASCII bytes in `w` (first byte lowest) are
// decimal digits before the first one that is not.
inline int LeadingDigits(std::uint64_t w) {
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL, kThrees = 0x3030303030303030ULL;
    // A byte is a digit when it and it plus 6 both lie in 0x30..0x3F
    // (ASCII bytes cannot carry into their neighbour here).
    const std::uint64_t nonDigit = ((w & kHigh) ^ kThrees) | (((w + 0x0606060606060606ULL) & kHigh) ^ kThrees);
    const std::uint64_t flags =
        (((nonDigit & 0x7F7F7F7F7F7F7F7FULL) + 0x7F7F7F7F7F7F7F7FULL) | nonDigit) & 0x8080808080808080ULL;
    return flags ? __builtin_ctzll(flags) / 8 : 8;
}

// Value of the first `n` (1..8) digit bytes of `w`.
inline std::uint32_t DigitsValue(std::uint64_t w, int n) {
    std::uint64_t v = (w - 0x3030303030303030ULL) << (8 * (8 - n));  // leading zeros in front
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFULL) * 0x000F424000000064ULL) +
         (((v >> 16) & 0x000000FF000000FFULL) * 0x0000271000000001ULL)) >>
        32;
    return static_cast<std::uint32_t>(v);
}

inline constexpr std::uint64_t kPow10Int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
// The powers of ten that are exact doubles.
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Appends the digits at `s` to `m`; eight bytes at a time while they are
// there to read. Returns the position after the digits.
__attribute__((always_inline)) inline const char* Digits(const char* s, const char* end, std::uint64_t& m, int& count) {
    while (end - s >= 8) {
        std::uint64_t w;
        std::memcpy(&w, s, 8);
        const int n = LeadingDigits(w);
        if (n == 0) return s;
        m = m * kPow10Int[n] + DigitsValue(w, n);
        count += n;
        s += n;
        if (n < 8) return s;
    }
    while (s < end && IsDigit(*s)) {
        m = m * 10 + static_cast<unsigned>(*s - '0');
        ++count;
        ++s;
    }
    return s;
}

// The digits of a decimal number, a point and more digits, from `s`.
struct Decimal {
    std::uint64_t mantissa = 0;
    int digits = 0;    // on both sides of the point
    int fraction = 0;  // after the point
    const char* stop;  // where the digits end
};

__attribute__((always_inline)) inline Decimal ScanDecimal(const char* s, const char* end) {
    Decimal d;
    s = Digits(s, end, d.mantissa, d.digits);
    if (s < end && *s == '.') {
        s = Digits(s + 1, end, d.mantissa, d.fraction);
        d.digits += d.fraction;
    }
    d.stop = s;
    return d;
}

// A non-negative float with its sign bit set when `negative`. Signs come
// and go at random in vertex data: no branch on them.
inline float WithSign(float f, bool negative) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    bits |= static_cast<std::uint32_t>(negative) << 31;
    std::memcpy(&f, &bits, 4);
    return f;
}

inline const char* TokenEnd(const char* p, const char* end) {
    while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') ++p;
    return p;
}

// Decimal mantissa of at most 19 digits and a power of ten within +-22:
// both are exact doubles, so one multiplication or division rounds
// correctly - the same double strtod gives (Clinger's fast path).
inline double Atof(const char* p, const char* end, const char*& stop) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    const Decimal number = ScanDecimal(s, end);
    const std::uint64_t mantissa = number.mantissa;
    const int digits = number.digits;
    s = number.stop;
    int exponent = -number.fraction;
    if (digits == 0 || digits > 19) {
        stop = TokenEnd(p, end);
        return ParseDouble(std::string_view(p, static_cast<std::size_t>(stop - p)));
    }
    if (s < end && (*s == 'e' || *s == 'E')) {
        const char* e = s + 1;
        bool negativeExp = false;
        if (e < end && (*e == '-' || *e == '+')) {
            negativeExp = *e == '-';
            ++e;
        }
        if (e < end && IsDigit(*e)) {
            int value = 0;
            while (e < end && IsDigit(*e)) {
                if (value < 100000) value = value * 10 + (*e - '0');
                ++e;
            }
            exponent += negativeExp ? -value : value;
            s = e;
        }
    }
    stop = s;
    if (mantissa == 0) return negative ? -0.0 : 0.0;
    if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) {
        stop = TokenEnd(p, end);
        return ParseDouble(std::string_view(p, static_cast<std::size_t>(stop - p)));
    }
    double d = static_cast<double>(mantissa);
    d = exponent < 0 ? d / kPow10[-exponent] : d * kPow10[exponent];
    return negative ? -d : d;
}

// (float)(mantissa / 10^fraction) for a mantissa of at most 2^53 and a
// fraction of at most 22 digits. Both operands are exact doubles, so the
// quotient is the double atof gives (Clinger's fast path).
__attribute__((always_inline)) inline float FractionToFloat(std::uint64_t mantissa, int fraction) {
    return static_cast<float>(static_cast<double>(static_cast<std::int64_t>(mantissa)) / kPow10[fraction]);
}

// atof rounded to float, as the importers store it: (float)atof(token).
__attribute__((always_inline)) inline float AtofFloat(const char* p, const char* end, const char*& stop) {
    const bool hasSign = p < end && (*p == '-' || *p == '+');
    const bool negative = hasSign && *p == '-';
    const Decimal d = ScanDecimal(p + hasSign, end);
    const char* s = d.stop;
    if (d.digits == 0 || d.digits > 19 || (s < end && (*s == 'e' || *s == 'E')) ||
        d.mantissa > (std::uint64_t{1} << 53) || d.fraction > 22)
        return static_cast<float>(Atof(p, end, stop));
    stop = s;
    return WithSign(FractionToFloat(d.mantissa, d.fraction), negative);
}

__attribute__((always_inline)) inline int Atoi(const char* p, const char* end, const char*& stop) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    std::uint64_t v = 0;
    int digits = 0;
    s = Digits(s, end, v, digits);
    if (digits == 0 || digits > 10) {
        stop = TokenEnd(p, end);
        return ParseInt(std::string_view(p, static_cast<std::size_t>(stop - p)));
    }
    stop = s;
    const std::int64_t value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// Tokens whose ends are already known, in their common shapes: "-123"
// and "-0.1234567" (sign optional, one to eight digits before the point,
// at most eight after it). `nonDigits`: bit j set when byte j of the token
// is not a digit (only the token's own bytes are looked at). Sixteen bytes
// must be readable from `t`. False leaves the token to Atoi / AtofFloat.
__attribute__((always_inline)) inline bool TokenInt(const char* t, const char* e, std::uint64_t nonDigits, int& out) {
    const int length = static_cast<int>(e - t);
    const bool negative = *t == '-';
    const bool sign = negative || *t == '+';
    const int digits = length - static_cast<int>(sign);
    if (digits < 1 || digits > 8) return false;
    if ((nonDigits & ((std::uint64_t{1} << length) - 1)) != static_cast<std::uint64_t>(sign)) return false;
    std::uint64_t w;
    std::memcpy(&w, t + sign, 8);
    const int v = static_cast<int>(DigitsValue(w, digits));
    out = negative ? -v : v;
    return true;
}

// `dot`: the token's first '.', or `e` when it has none.
__attribute__((always_inline)) inline bool TokenFloat(const char* t, const char* e, const char* dot,
                                                      std::uint64_t nonDigits, float& out) {
    const int length = static_cast<int>(e - t);
    const bool negative = *t == '-';
    const bool sign = negative || *t == '+';
    const char* s = t + sign;
    const int whole = static_cast<int>(dot - s);
    const int fraction = dot < e ? static_cast<int>(e - dot - 1) : 0;
    if (length > 18 || whole < 1 || whole > 8 || fraction > 8) return false;
    // Only the sign and the point may be other than digits.
    const std::uint64_t allowed = static_cast<std::uint64_t>(sign) | (dot < e ? std::uint64_t{1} << (dot - t) : 0);
    if ((nonDigits & ((std::uint64_t{1} << length) - 1)) != allowed) return false;
    std::uint64_t w;
    std::uint64_t mantissa;
    if (whole == 1) {
        mantissa = static_cast<unsigned char>(*s) - '0';  // the usual case, |x| < 10
    } else {
        std::memcpy(&w, s, 8);
        mantissa = DigitsValue(w, whole);
    }
    if (fraction > 0) {
        std::memcpy(&w, dot + 1, 8);
        mantissa = mantissa * kPow10Int[fraction] + DigitsValue(w, fraction);
        if (mantissa > (std::uint64_t{1} << 53)) return false;
    }
    out = WithSign(FractionToFloat(mantissa, fraction), negative);
    return true;
}

inline double Atof(const char* p, const char* end) {
    const char* stop;
    return Atof(p, end, stop);
}
inline int Atoi(const char* p, const char* end) {
    const char* stop;
    return Atoi(p, end, stop);
}

}  // namespace numscan
