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
    std::string written;
    {
        fuzzbound::Scope bound(size, 1536, 16);
        CModel model;
        ParseModel(model, bytes);
        written = SerializeModel(model);

        CModel again;
        ParseModel(again, written);
        if (again.materials.Count() != model.materials.Count() ||
            again.textures.Count() != model.textures.Count() ||
            again.geometries.Count() != model.geometries.Count()) {
            std::fprintf(stderr, "written model reads back with other record counts: %d/%d/%d -> %d/%d/%d\n",
                         model.materials.Count(), model.textures.Count(), model.geometries.Count(),
                         again.materials.Count(), again.textures.Count(), again.geometries.Count());
            std::abort();
        }
    }
    return 0;
}
