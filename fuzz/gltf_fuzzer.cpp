// The glTF importer on a .gltf or .glb in memory (no other file is read),
// then both writers on what it imported.
#include "fuzz/import_then_write.h"
#include "gltf/gltf.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return ImportThenWrite(data, size, [](CModel& model, std::string_view bytes, const CName& name) {
        return LoadGltfFromMemory(model, bytes, name, "");
    });
}
