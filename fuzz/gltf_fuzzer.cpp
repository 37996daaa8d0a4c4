// The glTF importer on a .gltf or .glb in memory (no other file is read),
// then both writers on what it imported.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/alloc_bound.h"
#include "gltf/gltf.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzbound::Scope bound(size, 1536, 16);
    CModel model;
    CName name;
    name.SetAscii("fuzz");
    std::string error;
    LoadGltfFromMemory(model, bytes, name, "", &error);
    const std::string mdl = SerializeModel(model);
    CModel readBack;
    ParseModel(readBack, mdl);
    std::string ani;
    SerializeAnimation(model, name, ani);
    return 0;
}
