#pragma once
// atof / atoi on one token, fast for the plain decimal numbers COLLADA
// files are made of. Results are exactly those of ParseDouble / ParseInt
// (platform/text.h), which the rare other forms fall back to.
#include <climits>
#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace numscan {

inline bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Decimal mantissa of at most 19 digits and a power of ten within +-22:
// mantissa and power are exact doubles, so one multiplication or division
// rounds correctly - the same double strtod gives (Clinger's fast path).
inline double Atof(const char* p, const char* end) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    std::uint64_t mantissa = 0;
    int digits = 0, exponent = 0;
    while (s < end && IsDigit(*s)) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
        ++digits;
        ++s;
    }
    int fraction = 0;
    if (s < end && *s == '.') {
        ++s;
        while (s < end && IsDigit(*s)) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*s - '0');
            ++fraction;
            ++s;
        }
    }
    digits += fraction;
    exponent -= fraction;
    if (digits == 0 || digits > 19) return ParseDouble(std::string_view(p, static_cast<std::size_t>(end - p)));
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
        }
    }
    if (mantissa == 0) return negative ? -0.0 : 0.0;
    if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22)
        return ParseDouble(std::string_view(p, static_cast<std::size_t>(end - p)));
    double d = static_cast<double>(mantissa);
    d = exponent < 0 ? d / kPow10[-exponent] : d * kPow10[exponent];
    return negative ? -d : d;
}

inline int Atoi(const char* p, const char* end) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    if (s == end || !IsDigit(*s)) return ParseInt(std::string_view(p, static_cast<std::size_t>(end - p)));
    std::int64_t v = 0;
    int n = 0;
    while (s < end && IsDigit(*s) && n < 10) {
        v = v * 10 + (*s - '0');
        ++s;
        ++n;
    }
    if (s < end && IsDigit(*s)) return ParseInt(std::string_view(p, static_cast<std::size_t>(end - p)));
    if (negative) v = -v;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
}

}  // namespace numscan
