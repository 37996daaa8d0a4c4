#pragma once
// glTF 2.0 import (.gltf with its .bin and images, or one .glb) into a
// CModel: the same records the COLLADA importer fills, so drawing, poses
// and the .mdl/.ani writers take either.
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"
#include "platform/status.h"

// Imports a .gltf or .glb file (told apart by their content). The model's
// name is the file name without its extension. On failure the status is a
// one-line message and the model keeps what was entered; the notes hold one
// line per kind of content that was skipped (points, lines, morph targets, ...).
Outcome LoadGltf(CModel& model, const std::string& path);
// The same on bytes in memory. External buffers and images are looked up in
// `baseDir`; an empty `baseDir` reads no other file.
Outcome LoadGltfFromMemory(CModel& model, std::string_view bytes, const CName& modelName, const std::string& baseDir);
// True when the path ends in ".gltf" or ".glb", in any letter case.
bool IsGltfPath(std::string_view path);
