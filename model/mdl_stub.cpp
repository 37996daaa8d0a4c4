// Placeholder until the .mdl reader and writer land.
#include "model/mdl_file.h"

std::string SerializeModel(const CModel&) { return {}; }
bool WriteModel(const CModel&, const std::string&) { return false; }
void ParseModel(CModel&, std::string_view) {}
bool ReadModel(CModel&, const std::string&) { return false; }
