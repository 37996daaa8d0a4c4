#pragma once
// Text in any encoding the system's iconv knows, turned into UTF-8.
#include <string>
#include <string_view>

#include "platform/status.h"

// Converts `bytes` in `encoding` (an IANA or iconv name such as
// "Shift_JIS", "EUC-JP", "ISO-8859-1") to UTF-8. Shift_JIS and its aliases
// are read as code page 932, as the Windows tools that declare them write
// it (a "\" stays a backslash). The text, or why not: the encoding is
// unknown or the bytes are not valid text in it.
Result<std::string> ConvertToUtf8(std::string_view bytes, const std::string& encoding);
