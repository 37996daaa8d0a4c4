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

// First byte of a double-byte character in code page 932.
inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// Possible second byte of a double-byte character.
inline bool IsCp932TrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
