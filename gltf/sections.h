#pragma once
// What the glTF section importers share: the parsed document, the model
// being filled, per-node results of the scene pass, and the error that ends
// an import (it never leaves LoadGltf).
#include <tiny_gltf.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "gltf/document.h"
#include "math/math.h"
#include "model/model.h"

class GltfError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct GltfImport {
    GltfImport(const tinygltf::Model& d, std::vector<GltfBuffer> b, CModel& m, std::size_t bytes,
               std::vector<std::string>* n)
        : doc(d), buffers(std::move(b)), model(m), sourceBytes(bytes), notes(n) {}

    const tinygltf::Model& doc;
    std::vector<GltfBuffer> buffers;  // bytes of each of doc.buffers
    CModel& model;
    std::size_t sourceBytes;  // file and buffers: no honest count exceeds it
    std::vector<std::string>* notes;

    // Per node, filled by LoadGltfNodes (row-vector matrices in the Z-up frame).
    std::vector<int> parent;
    std::vector<Matrix4> local;
    std::vector<Matrix4> global;             // rest pose
    std::vector<CBone*> bone;                // null for nodes outside the scene
    std::vector<int> flatIndex;              // index in model.bones, -1 when not listed
    std::vector<int> order;                  // scene nodes, parents before children
    std::vector<char> moves;                 // an animation moves the node or a node above it
    std::vector<std::string> materialNames;  // per glTF material
    std::set<std::string> noted;

    // Records a note once per text.
    void Note(const std::string& text) {
        if (notes && noted.insert(text).second) notes->push_back(text);
    }
};

void LoadGltfNodes(GltfImport& in);
void LoadGltfMaterials(GltfImport& in);
void LoadGltfMeshes(GltfImport& in);
// The most bytes of geometry the meshes of a document of `sourceBytes` (file
// and buffers) may become once copied for every node that uses them.
std::uint64_t ExpandedGeometryLimit(std::uint64_t sourceBytes);
void LoadGltfAnimations(GltfImport& in);

// Sets a name from UTF-8 text (cut at 1023 UTF-16 units).
void SetUtf8Name(CName& name, const std::string& utf8);
// `base`, or `base` with "_<n>" appended for the first n that is not in `used`;
// the result is added to `used`.
std::string UniqueName(std::set<std::string>& used, const std::string& base);
