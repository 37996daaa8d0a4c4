// Placeholder until the .ani reader and writer land.
#include "model/ani_file.h"

bool SerializeAnimation(const CModel&, const CName&, std::string&) { return false; }
bool WriteAnimation(const CModel&, const CName&, const std::string&) { return false; }
bool ParseAnimation(CModel&, std::string_view, bool) { return false; }
bool ReadAnimation(CModel&, const std::string&, bool) { return false; }
