// Helpers the section importers share: names from UTF-8 text, required
// child elements.
#include <string>

#include "collada/sections.h"
#include "platform/cp932.h"

void SetName(CName& name, std::string_view utf8, int maxUnits) {
    if (maxUnits > CName::kCapacity - 1) maxUnits = CName::kCapacity - 1;
    char16_t units[CName::kCapacity];
    std::size_t n = 0;
    for (char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            const std::u16string wide = Utf8ToUtf16(utf8);
            name.Set(std::u16string_view(wide).substr(0, static_cast<std::size_t>(maxUnits)));
            return;
        }
        if (n < static_cast<std::size_t>(maxUnits)) units[n++] = static_cast<char16_t>(c);
    }
    name.Set(std::u16string_view(units, n));
}

pugi::xml_node RequireNode(pugi::xml_node context, std::string_view path) {
    pugi::xml_node n = SelectSingleNode(context, path);
    if (!n) throw ColladaError(DescribeElement(context) + " has no <" + std::string(path) + ">", context);
    return n;
}
