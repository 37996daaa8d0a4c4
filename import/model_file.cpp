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
    Status status;
    switch (kind) {
        case ModelFileKind::Collada: {
            // The model's name is the file name without its extension as written.
            const std::size_t dot = path.find_last_of('.');
            const CName ext(Utf8ToUtf16(dot == std::string::npos ? std::string() : path.substr(dot)));
            Outcome imported = LoadCollada(*model, path, ext);
            opened.notes = std::move(imported.notes);
            status = imported.status;
            if (!status && status.Why().empty()) status = Status::Failure(path + ": cannot import");
            break;
        }
        case ModelFileKind::Gltf: {
            Outcome imported = LoadGltf(*model, path);
            opened.notes = std::move(imported.notes);
            status = imported.status;
            if (!status && status.Why().empty()) status = Status::Failure(path + ": not a readable glTF file");
            break;
        }
        case ModelFileKind::Animation:
            // A model holding just that animation, for a look at it.
            status = ReadAnimation(*model, path, /*checkTarget=*/false).About("cannot read " + path);
            break;
        case ModelFileKind::Model:
        case ModelFileKind::Other: status = ReadModel(*model, path).About("cannot read " + path); break;
    }
    if (status) opened.model = std::move(model);
    else opened.status = status;
    return opened;
}
