#pragma once
// Reading a model file of any kind the tool takes: the one open function,
// with its notes and its failure told on stderr.
#include <memory>
#include <string>

#include "import/model_file.h"

// Reads `path` (the file system's bytes, as given): a model, or for an .ani
// a model holding just that animation. Null after a one-line message naming
// the path as given; what an import leaves out goes to stderr as notes.
std::unique_ptr<CModel> LoadModelFile(const std::string& path);
