#include "platform/name.h"

#include <algorithm>

#include "platform/cp932.h"

void CName::Set(std::u16string_view s) {
    // Stop at an embedded terminator, as a fixed buffer would.
    const auto nul = s.find(u'\0');
    if (nul != std::u16string_view::npos) s = s.substr(0, nul);
    units_.assign(s.data(), std::min<std::size_t>(s.size(), kCapacity - 1));
}

void CName::SetFromCp932(std::string_view bytes) { Set(Cp932ToUtf16(bytes)); }

void CName::SetAscii(std::string_view ascii) {
    std::u16string s(ascii.begin(), ascii.end());
    Set(s);
}

std::string CName::ToCp932() const { return Utf16ToCp932(View()); }
std::string CName::ToUtf8() const { return Utf16ToUtf8(View()); }
