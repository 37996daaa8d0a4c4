#pragma once
// The body shared by the importer targets: import a document held in memory,
// then run both writers on what was imported (shapes such as float arrays of
// other strides reach the writers only this way), within the heap bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/alloc_bound.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"

template <class Import>  // bool(CModel&, std::string_view bytes, const CName& name, std::string* error)
int ImportThenWrite(const std::uint8_t* data, std::size_t size, Import import) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzbound::Scope bound(size, 1536, 16);
    CModel model;
    CName name;
    name.SetAscii("fuzz");
    std::string error;
    import(model, bytes, name, &error);
    const std::string mdl = SerializeModel(model);
    CModel readBack;
    ParseModel(readBack, mdl);
    std::string ani;
    SerializeAnimation(model, name, ani);
    return 0;
}
