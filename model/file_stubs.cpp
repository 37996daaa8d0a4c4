// Placeholders until the readers and writers land; each helper removes its part.
#include "model/ani_file.h"
#include "model/mdl_file.h"

std::string SerializeModel(const CModel&) { return {}; }
bool WriteModel(const CModel&, const std::string&) { return false; }
void ParseModel(CModel&, std::string_view) {}
bool ReadModel(CModel&, const std::string&) { return false; }
bool SerializeAnimation(const CModel&, const CName&, std::string&) { return false; }
bool WriteAnimation(const CModel&, const CName&, const std::string&) { return false; }
bool ParseAnimation(CModel&, std::string_view, bool) { return false; }
bool ReadAnimation(CModel&, const std::string&, bool) { return false; }
