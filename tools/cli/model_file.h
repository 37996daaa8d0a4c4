#pragma once
// Reading a model file of any kind the tool takes, in one place.
#include <string>

#include "model/model.h"

// The kind a file is read as, from its extension (any case); anything that
// is neither COLLADA, glTF (.gltf, .glb) nor an animation is read as a .mdl.
enum class ModelFileKind { kCollada, kGltf, kModel, kAnimation };
ModelFileKind KindOfModelFile(const std::string& path);

// Reads `path` (the file system's bytes, as given) into an empty model.
// False with a one-line message in `error` that names the path as given.
// What an import leaves out goes to stderr as notes.
bool LoadModelFile(CModel& model, const std::string& path, std::string* error);
