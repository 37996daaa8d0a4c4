// The .mdl reader on arbitrary bytes, then the writer on whatever was read:
// what the writer stores must read back into the same records.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/alloc_bound.h"
#include "model/mdl_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Every name is a fixed 2048-byte buffer, so a bone list token of two
    // bytes ("b ") makes a bone of over 4 KB: about 2.2 KB of heap per input
    // byte is the data model's own price. The first model is released before
    // the written text is read again, so one model is alive at a time.
    fuzzbound::Scope bound(size, 3072, 16);
    std::string written;
    int materials = 0, textures = 0, geometries = 0;
    {
        CModel model;
        (void)ParseModel(model, bytes);
        written = SerializeModel(model);
        materials = model.materials.Count();
        textures = model.textures.Count();
        geometries = model.geometries.Count();
    }
    CModel again;
    (void)ParseModel(again, written);
    if (again.materials.Count() != materials || again.textures.Count() != textures ||
        again.geometries.Count() != geometries) {
        std::fprintf(stderr, "written model reads back with other record counts: %d/%d/%d -> %d/%d/%d\n", materials,
                     textures, geometries, again.materials.Count(), again.textures.Count(), again.geometries.Count());
        std::abort();
    }
    return 0;
}
