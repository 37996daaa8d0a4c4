#include "import/model_file.h"

#include "collada/collada.h"
#include "gltf/gltf.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/cp932.h"

namespace {

std::string LowerExtension(std::string_view name) {
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    std::string ext(name.substr(dot));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

}  // namespace

ModelFileKind KindOfFileName(std::string_view name) {
    const std::string ext = LowerExtension(name);
    if (ext == ".dae") return ModelFileKind::Collada;
    if (ext == ".gltf" || ext == ".glb") return ModelFileKind::Gltf;
    if (ext == ".mdl") return ModelFileKind::Model;
    if (ext == ".ani") return ModelFileKind::Animation;
    return ModelFileKind::Other;
}

bool IsModelKind(ModelFileKind kind) {
    return kind == ModelFileKind::Collada || kind == ModelFileKind::Gltf || kind == ModelFileKind::Model;
}

OpenedModel OpenModelFile(const std::string& path, ModelFileKind kind) {
    OpenedModel opened;
    auto model = std::make_unique<CModel>();
    std::string error;
    bool ok = false;
    switch (kind) {
        case ModelFileKind::Collada: {
            // The model's name is the file name without its extension as written.
            const std::size_t dot = path.find_last_of('.');
            const CName ext(Utf8ToUtf16(dot == std::string::npos ? std::string() : path.substr(dot)));
            ok = LoadCollada(*model, path, ext, &error, &opened.notes);
            if (!ok && error.empty()) error = path + ": cannot import";
            break;
        }
        case ModelFileKind::Gltf:
            ok = LoadGltf(*model, path, &error, &opened.notes);
            if (!ok && error.empty()) error = path + ": not a readable glTF file";
            break;
        case ModelFileKind::Animation: {
            // A model holding just that animation, for a look at it.
            std::string why;
            ok = ReadAnimation(*model, path, /*checkTarget=*/false, &why);
            if (!ok) error = "cannot read " + path + ": " + why;
            break;
        }
        case ModelFileKind::Model:
        case ModelFileKind::Other: {
            std::string why;
            ok = ReadModel(*model, path, &why);
            if (!ok) error = "cannot read " + path + ": " + why;
            break;
        }
    }
    if (ok) opened.model = std::move(model);
    else opened.status = Status::Failure(error);
    return opened;
}
