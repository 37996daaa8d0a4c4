// LoadGltf: reads the document, names the model and runs the section
// importers: nodes (the bone tree), materials, meshes, animations. Nothing
// thrown inside leaves this file.
#include <exception>
#include <new>

#include "gltf/document.h"
#include "gltf/gltf.h"
#include "gltf/sections.h"
#include "model/model_finite.h"
#include "platform/cp932.h"
#include "platform/file_io.h"

namespace {

bool HasSuffix(std::string_view path, std::string_view suffix) {
    if (path.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = path[path.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

Outcome Import(CModel& model, std::string_view bytes, const std::string& baseDir, const std::string& label) {
    Outcome imported;
    const auto fail = [&](const std::string& why) {
        imported.status = Status::Failure(label + ": " + why);
        return std::move(imported);
    };
    try {
        tinygltf::Model doc;
        std::vector<GltfBuffer> buffers;
        std::size_t sourceBytes = 0;
        if (Status parsed = ParseGltfDocument(bytes, baseDir, doc, buffers, sourceBytes); !parsed)
            return fail(parsed.Why());
        for (const std::string& name : doc.extensionsRequired)
            if (!IsSupportedGltfExtension(name)) return fail(RequiredExtensionMessage(name));
        GltfImport in{doc, std::move(buffers), model, sourceBytes, &imported.notes};
        for (const std::string& name : doc.extensionsUsed)
            if (!IsSupportedGltfExtension(name) && name != "KHR_lights_punctual")  // lights have a note of their own
                in.Note("the extension " + name + " is not supported and was ignored");
        LoadGltfNodes(in);
        LoadGltfMaterials(in);
        LoadGltfMeshes(in);
        LoadGltfAnimations(in);
        if (Status finite = CheckModelFinite(model); !finite) return fail(finite.Why());
        if (!doc.cameras.empty()) in.Note("cameras were left out");
        if (!doc.lights.empty()) in.Note("lights were left out");
        return imported;
    } catch (const GltfError& e) {
        return fail(e.what());
    } catch (const std::bad_alloc&) {
        return fail("not enough memory to import");
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail("the import failed");
    }
}

}  // namespace

void SetUtf8Name(CName& name, const std::string& utf8) { name.Set(Utf8ToUtf16(utf8)); }

std::string UniqueName(std::set<std::string>& used, const std::string& base) {
    std::string name = base;
    for (int n = 1; !used.insert(name).second; ++n) name = base + "_" + std::to_string(n);
    return name;
}

bool IsGltfPath(std::string_view path) { return HasSuffix(path, ".gltf") || HasSuffix(path, ".glb"); }

Outcome LoadGltf(CModel& model, const std::string& path) {
    Result<FileBytes> bytes = Status::Failure("not enough memory to read it");
    try {
        bytes = ReadWholeFileBytes(path, kMaxModelFileBytes);
    } catch (const std::bad_alloc&) {}
    if (!bytes) return Status::Failure(path + ": cannot read the file: " + bytes.Why());
    const auto sep = path.find_last_of("/\\");
    std::string stem = sep == std::string::npos ? path : path.substr(sep + 1);
    const std::size_t ext = HasSuffix(stem, ".gltf") ? 5 : HasSuffix(stem, ".glb") ? 4 : 0;
    stem.resize(stem.size() - ext);
    SetUtf8Name(model.name, stem);
    const std::string dir = sep == std::string::npos ? std::string(".") : path.substr(0, sep == 0 ? 1 : sep);
    return Import(model, bytes->View(), dir, path);
}

Outcome LoadGltfFromMemory(CModel& model, std::string_view bytes, const CName& modelName, const std::string& baseDir) {
    model.name = modelName;
    return Import(model, bytes, baseDir, modelName.ToUtf8());
}
