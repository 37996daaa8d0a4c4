// The fast number conversion must give exactly what atof/atoi give
// (ParseDouble/ParseInt) for every token, whatever its form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "collada/number_scan.h"
#include "platform/text.h"

namespace {

std::string RandomToken(std::mt19937& rng) {
    static const char* pieces[] = {"0", "1", "7", "9", "12",  "-",   "+",  ".",
                                   "e", "E", "-", "x", "inf", "nan", "00", "5"};
    std::uniform_int_distribution<int> len(1, 12), piece(0, 15), digit(0, 9), kind(0, 3);
    std::string s;
    if (kind(rng) == 0) {
        const int n = len(rng);
        for (int i = 0; i < n; ++i) s += pieces[piece(rng)];
        return s;
    }
    // Mostly well-formed numbers of many lengths, as exporters write them.
    if (digit(rng) < 4) s += '-';
    const int intDigits = len(rng) % 8;
    for (int i = 0; i < intDigits; ++i) s += static_cast<char>('0' + digit(rng));
    if (digit(rng) < 8) {
        s += '.';
        const int frac = len(rng) + (digit(rng) < 2 ? 10 : 0);
        for (int i = 0; i < frac; ++i) s += static_cast<char>('0' + digit(rng));
    }
    if (digit(rng) < 3) {
        s += digit(rng) < 5 ? 'e' : 'E';
        if (digit(rng) < 6) s += digit(rng) < 5 ? '-' : '+';
        const int e = len(rng) % 4;
        for (int i = 0; i < e; ++i) s += static_cast<char>('0' + digit(rng));
    }
    if (digit(rng) == 0) s += "abc";
    return s;
}

}  // namespace

TEST(NumberScan, MatchesParseDoubleAndParseInt) {
    std::mt19937 rng(12345);
    for (int i = 0; i < 300000; ++i) {
        const std::string token = RandomToken(rng);
        // Room after the token, as in a document, so the eight-byte reads
        // see what follows.
        const std::string text = token + " 12345678 ";
        const char* end = text.data() + token.size();
        const float fast = static_cast<float>(numscan::Atof(text.data(), end));
        const char* stop = nullptr;
        const float fastFloat = numscan::AtofFloat(text.data(), end, stop);
        const float slow = static_cast<float>(ParseDouble(token));
        if (std::isnan(slow)) {
            ASSERT_TRUE(std::isnan(fast)) << token;
        } else {
            ASSERT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << token << " " << fast << " " << slow;
            ASSERT_EQ(std::memcmp(&fastFloat, &slow, sizeof fast), 0) << token << " " << fastFloat << " " << slow;
        }
        ASSERT_EQ(numscan::Atoi(text.data(), end), ParseInt(token)) << token;
    }
}

TEST(NumberScan, StopsWhereTheNumberEnds) {
    const char text[] = "-12.5e3xyz 4";
    const char* stop = nullptr;
    EXPECT_EQ(numscan::Atof(text, text + 10, stop), -12500.0);
    EXPECT_EQ(stop, text + 7);
    EXPECT_EQ(numscan::Atoi(text, text + 10, stop), -12);
    EXPECT_EQ(stop, text + 3);
    const char digits[] = "123456789012345678901234567890";
    EXPECT_EQ(numscan::Atoi(digits, digits + 30), 2147483647);
    EXPECT_EQ(static_cast<float>(numscan::Atof(digits, digits + 30)), 1.23456789012345678901234567890e29f);
    const char small[] = "0.000000000000000000000000000001234 ";
    EXPECT_EQ(static_cast<float>(numscan::Atof(small, small + 35)), 1.234e-30f);
}

// Decimal fractions that sit right at the halfway point between two floats
// must still round as the exact conversion does.
TEST(NumberScan, FloatRoundingNearHalfwayCases) {
    std::mt19937 rng(7);
    // Floats from about 0.01 to 1000, written without exponent as
    // exporters do.
    std::uniform_int_distribution<std::uint32_t> bitsDist(0x3C23D70Au, 0x447A0000u);
    std::uniform_int_distribution<int> digitsDist(8, 16);
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t fb = bitsDist(rng), fb2 = fb + 1;
        float lo, hi;
        std::memcpy(&lo, &fb, 4);
        std::memcpy(&hi, &fb2, 4);
        const double mid = (static_cast<double>(lo) + static_cast<double>(hi)) / 2;
        const int significant = digitsDist(rng);
        const int decimals = std::max(0, significant - 1 - static_cast<int>(std::floor(std::log10(mid))));
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%.*f ", decimals, mid);
        const char* stop = nullptr;
        const float fast = numscan::AtofFloat(text, text + n - 1, stop);
        const float slow = static_cast<float>(ParseDouble(std::string_view(text, static_cast<std::size_t>(n - 1))));
        ASSERT_EQ(std::memcmp(&fast, &slow, 4), 0) << text;
        ++checked;
    }
    EXPECT_EQ(checked, 200000);
}
