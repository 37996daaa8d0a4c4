#pragma once
// Conversion between UTF-16 and code page 932 (Shift_JIS as Windows writes
// it), the encoding of config.ini, .mdl and .ani files.
#include <string>
#include <string_view>

// Bytes that are not valid CP932 become U+FFFD; pure ASCII takes a fast path.
std::u16string Cp932ToUtf16(std::string_view bytes);
// Units that CP932 cannot represent become '?'.
std::string Utf16ToCp932(std::u16string_view text);

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
