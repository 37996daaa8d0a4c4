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

template <class Import>  // Outcome(CModel&, std::string_view bytes, const CName& name)
int ImportThenWrite(const std::uint8_t* data, std::size_t size, Import import) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzbound::Scope bound(size, 1536, 16);
    CModel model;
    CName name;
    name.SetAscii("fuzz");
    (void)import(model, bytes, name);
    const std::string mdl = SerializeModel(model);
    CModel readBack;
    (void)ParseModel(readBack, mdl);
    std::string ani;
    (void)SerializeAnimation(model, name, ani);  // empty without an animation
    return 0;
}
