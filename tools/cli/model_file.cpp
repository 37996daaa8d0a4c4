#include "tools/cli/model_file.h"

#include <cstdio>
#include <vector>

#include "collada/collada.h"
#include "gltf/gltf.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "tools/cli/paths.h"

ModelFileKind KindOfModelFile(const std::string& path) {
    const std::string ext = LowerExtension(path);
    if (ext == ".dae") return ModelFileKind::kCollada;
    if (IsGltfPath(path)) return ModelFileKind::kGltf;
    if (ext == ".ani") return ModelFileKind::kAnimation;
    return ModelFileKind::kModel;
}

bool LoadModelFile(CModel& model, const std::string& path, std::string* error) {
    switch (KindOfModelFile(path)) {
        case ModelFileKind::kCollada: {
            // The model's name is the file name without its extension as written.
            const CName ext = NameFromPath(path.substr(path.size() - 4));
            std::vector<std::string> notes;
            const bool loaded = LoadCollada(model, path, ext, error, &notes);
            for (const std::string& note : notes) std::fprintf(stderr, "vorland-cli: note: %s\n", note.c_str());
            if (loaded) return true;
            if (error->empty()) *error = path + ": cannot import";
            return false;
        }
        case ModelFileKind::kGltf: {
            std::vector<std::string> notes;
            const bool loaded = LoadGltf(model, path, error, &notes);
            for (const std::string& note : notes) std::fprintf(stderr, "vorland-cli: note: %s\n", note.c_str());
            return loaded;
        }
        case ModelFileKind::kAnimation: {
            std::string why;
            if (ReadAnimation(model, path, /*checkTarget=*/false, &why)) return true;
            *error = "cannot read " + path + ": " + why;
            return false;
        }
        case ModelFileKind::kModel: {
            std::string why;
            if (ReadModel(model, path, &why)) return true;
            *error = "cannot read " + path + ": " + why;
            return false;
        }
    }
    return false;
}
