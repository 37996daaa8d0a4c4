// Placeholder until the importer lands.
#include "collada/collada.h"

bool LoadCollada(CModel&, const std::string&, const CName&, std::string* error) {
    if (error) *error = "COLLADA import is not available";
    return false;
}
bool LoadColladaFromMemory(CModel&, std::string_view, const CName&, std::string* error) {
    if (error) *error = "COLLADA import is not available";
    return false;
}
