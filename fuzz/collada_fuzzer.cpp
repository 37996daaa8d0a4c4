// The COLLADA importer on a document in memory, then both writers on what it
// imported.
#include "collada/collada.h"
#include "fuzz/import_then_write.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return ImportThenWrite(data, size, [](CModel& model, std::string_view bytes, const CName& name) {
        return LoadColladaFromMemory(model, bytes, name);
    });
}
