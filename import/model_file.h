#pragma once
// Opening a model file of any kind we read, in one place: the kind comes from
// the file name, the kind chooses the reader, and one result says what came
// of it. Used by the viewer, the command-line tool and the file dialog's
// listing.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/model.h"
#include "platform/status.h"

enum class ModelFileKind { Collada, Gltf, Model, Animation, Other };

// The kind a file name stands for, by its extension in any letter case:
// .dae, .gltf and .glb, .mdl, .ani; anything else is Other.
ModelFileKind KindOfFileName(std::string_view name);
// Collada, Gltf and Model are models a viewer opens.
bool IsModelKind(ModelFileKind kind);

struct OpenedModel {
    std::unique_ptr<CModel> model;  // null when the file could not be opened
    Status status;
    // What the import left out, one line each (lines, cameras, ...).
    std::vector<std::string> notes;
};

// Reads and imports the model file at `path` (the file system's bytes, as
// given). `kind` Other reads the file as a .mdl; Animation gives a model
// holding just that animation. The failure names the path as given:
// "cannot read walk.mdl: ..." or the importer's own message.
[[nodiscard]] OpenedModel OpenModelFile(const std::string& path, ModelFileKind kind);
[[nodiscard]] inline OpenedModel OpenModelFile(const std::string& path) {
    return OpenModelFile(path, KindOfFileName(path));
}
