#pragma once
// One loop over iconv for every text conversion: the output grows as needed.
#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

// Converts `in` with `cd` (its shift state reset first). An invalid or
// truncated input unit is replaced by `replacement`, skipping `skip` input
// bytes; with `stoppedAt` given, conversion stops there instead and
// `*stoppedAt` is that unit's byte offset (npos when everything converted).
std::string RunIconv(iconv_t cd, std::string_view in, std::string_view replacement, std::size_t skip,
                     std::size_t* stoppedAt = nullptr);
