#pragma once
// COLLADA import into a CModel.
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"
#include "platform/status.h"

// Imports a .dae file. The model's name is the file name without its
// extension `ext` (e.g. ".dae"). On failure the model keeps what was entered
// before the failure, and the status is a one-line message naming the file,
// what was missing and where. A Y-up or X-up document is turned into the
// viewer's Z-up frame. The notes hold one line for each kind of content left
// out (lines, for example), on failure too.
Outcome LoadCollada(CModel& model, const std::string& path, const CName& ext);
// The same on a document held in memory; `modelName` becomes the model name.
Outcome LoadColladaFromMemory(CModel& model, std::string_view document, const CName& modelName);
// The model name LoadCollada gives `path`: the path without `ext` when its
// last four characters equal `ext` exactly, after the last "/" or "\\".
CName ColladaModelName(const std::string& path, const CName& ext);
