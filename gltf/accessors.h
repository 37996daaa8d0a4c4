#pragma once
// Accessor reading with every range checked before anything is allocated:
// an accessor whose elements run past its buffer view, a view past its
// buffer, a count no file of this size can back, or a sparse index past the
// accessor ends the import with a GltfError.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gltf/sections.h"

// Accessor `index` as `components` floats per element (SCALAR 1, VEC2 2,
// VEC3 3, VEC4 4, MAT4 16; another type is an error). Every component type
// is read; normalized integers map to [0, 1] or [-1, 1]; sparse
// substitutions are applied. `what` names the use in messages.
std::vector<float> ReadAccessorFloats(const GltfImport& in, int index, int components, const char* what);
// The same written to `out`, which holds AccessorCount * components floats.
void ReadAccessorFloatsInto(const GltfImport& in, int index, int components, const char* what, float* out);
// A SCALAR accessor of unsigned integers (vertex indices).
std::vector<std::uint32_t> ReadAccessorIndices(const GltfImport& in, int index, const char* what);
// An accessor read a run of elements at a time (checked as above), for loops
// that use each element once; a sparse accessor is read whole first.
class AccessorElements {
public:
    AccessorElements(const GltfImport& in, int index, int components, const char* what);
    std::size_t Count() const { return count_; }
    // True when the file holds every element (in a buffer view), false for
    // elements an accessor without a view only claims.
    bool Stored() const { return stored_; }
    // Elements [first, first + count) (within Count()) as `components` floats each.
    void GetRun(std::size_t first, std::size_t count, float* out) const;

private:
    const unsigned char* data_ = nullptr;  // null: read from whole_
    std::size_t stride_ = 0, count_ = 0, components_ = 0;
    int componentType_ = 0;
    bool normalized_ = false, stored_ = false;
    std::vector<float> whole_;
};

// Elements of the accessor (checked as above), without reading them.
std::size_t AccessorCount(const GltfImport& in, int index, const char* what);
