// Mesh primitives become geometries, one per primitive and per node that
// shows the mesh. Triangle lists, strips and fans become triangle lists;
// points and lines are left out. A skinned primitive keeps its vertices in
// mesh space and binds them through its skin; any other takes its node's
// rest transform into its vertices, and follows the node when an animation
// moves it or a node above it.
#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "gltf/accessors.h"
#include "gltf/sections.h"
#include "gltf/transforms.h"
#include "math/up_axis.h"

namespace {

int Attribute(const tinygltf::Primitive& p, const char* name) {
    const auto it = p.attributes.find(name);
    return it == p.attributes.end() ? -1 : it->second;
}

std::vector<int> Triangles(const std::vector<std::uint32_t>& corners, int mode) {
    std::vector<int> out;
    const std::size_t n = corners.size();
    if (mode == TINYGLTF_MODE_TRIANGLES) {
        out.assign(corners.begin(), corners.begin() + static_cast<long>(n - n % 3));
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        for (std::size_t i = 0; i + 2 < n; ++i) {
            const bool odd = i % 2 != 0;  // every other triangle turns the other way
            out.insert(out.end(), {static_cast<int>(corners[odd ? i + 1 : i]), static_cast<int>(corners[odd ? i : i + 1]),
                                   static_cast<int>(corners[i + 2])});
        }
    } else {
        for (std::size_t i = 1; i + 1 < n; ++i)
            out.insert(out.end(), {static_cast<int>(corners[0]), static_cast<int>(corners[i]), static_cast<int>(corners[i + 1])});
    }
    return out;
}

// Accessor `index` as a vertex source of `components` floats per element,
// read a run at a time through `convert(run, out, elements)` into the
// source's storage.
template <class Convert>
std::unique_ptr<CFloatArray> ReadSource(const GltfImport& in, int index, int components, const char* what, const std::string& id,
                                        Convert convert) {
    const AccessorElements elements(in, index, components, what);
    const std::size_t count = elements.Count(), width = static_cast<std::size_t>(components);
    if (count > static_cast<std::size_t>(std::numeric_limits<int>::max() / components))
        throw GltfError("accessor " + std::to_string(index) + " (" + what + ") has more elements than a model holds");
    auto array = std::make_unique<CFloatArray>();
    SetUtf8Name(array->id, id);
    array->values = std::make_unique<CArray>(components * 4);
    float* out = static_cast<float*>(array->values->AddUnset(static_cast<int>(count)));
    constexpr std::size_t kRun = 256;
    float run[kRun * 4];
    for (std::size_t first = 0; first < count; first += kRun) {
        const std::size_t n = std::min(kRun, count - first);
        elements.GetRun(first, n, run);
        convert(run, out + first * width, n);
    }
    return array;
}

std::size_t ElementsOf(const CFloatArray& source) { return static_cast<std::size_t>(source.values->Count()); }

// The eight strongest influences, largest first; equal weights keep the
// order met; weights of 0.000001 and less are not stored. `filled`: entries
// in use.
void Insert(CBoneWeight* row, int& filled, float bone, float weight) {
    int i = 0;
    while (i < filled && !(row[i].weight + 0.000001f < weight)) ++i;
    if (i == MaxBoneInfluences) return;
    for (int j = std::min(filled, MaxBoneInfluences - 1); j > i; --j) row[j].boneIndex = row[j - 1].boneIndex, row[j].weight = row[j - 1].weight;
    row[i] = {bone, weight};
    filled = std::min(filled + 1, MaxBoneInfluences);
}

void ReadWeights(GltfImport& in, const tinygltf::Primitive& prim, const tinygltf::Skin& skin, CGeometry& geometry) {
    std::vector<float> boneOf(skin.joints.size());  // flat bone index per joint of the skin
    for (std::size_t j = 0; j < boneOf.size(); ++j) boneOf[j] = static_cast<float>(in.flatIndex[static_cast<std::size_t>(skin.joints[j])]);
    const std::size_t rows = static_cast<std::size_t>(geometry.vertexCount);
    std::vector<std::pair<AccessorElements, AccessorElements>> sets;  // joints and weights
    for (const char* suffix : {"0", "1"}) {
        const int joints = Attribute(prim, (std::string("JOINTS_") + suffix).c_str());
        const int weights = Attribute(prim, (std::string("WEIGHTS_") + suffix).c_str());
        if (joints < 0 || weights < 0) continue;
        sets.emplace_back(AccessorElements(in, joints, 4, "joints"), AccessorElements(in, weights, 4, "weights"));
        if (sets.back().first.Count() != rows || sets.back().second.Count() != rows) throw GltfError("joints or weights do not match the vertex count");
    }
    // A run of vertices at a time; each row is cleared and then filled in
    // place. Weights a file only claims (no buffer view) are mostly empty:
    // their rows are left to the cleared table, which costs no memory
    // where nothing is written.
    bool stored = !sets.empty();
    for (const auto& [jointsOf, weightsOf] : sets) stored = stored && jointsOf.Stored() && weightsOf.Stored();
    geometry.weights = stored ? std::make_unique<CWeights>(geometry.vertexCount, CWeights::Unset{})
                              : std::make_unique<CWeights>(geometry.vertexCount);
    geometry.weightCount = geometry.vertexCount;
    CBoneWeight* const table = geometry.weights->Row(0);
    const float joints = static_cast<float>(boneOf.size());
    const std::size_t setCount = sets.size();
    constexpr std::size_t kRun = 256;
    float j[2][kRun * 4], w[2][kRun * 4];
    for (std::size_t first = 0; first < rows; first += kRun) {
        const std::size_t n = std::min(kRun, rows - first);
        for (std::size_t s = 0; s < setCount; ++s) {
            sets[s].first.GetRun(first, n, j[s]);
            sets[s].second.GetRun(first, n, w[s]);
        }
        for (std::size_t v = 0; v < n; ++v) {
            CBoneWeight* row = table + (first + v) * MaxBoneInfluences;
            if (stored)
                for (int e = 0; e < MaxBoneInfluences; ++e) row[e] = {};
            int filled = 0;
            for (std::size_t s = 0; s < setCount; ++s)
                for (std::size_t k = 4 * v; k < 4 * v + 4; ++k) {
                    const float weight = w[s][k], joint = j[s][k];
                    if (!(weight > 0.000001f)) continue;
                    if (!(joint >= 0.0f && joint < joints))
                        throw GltfError("vertex " + std::to_string(first + v) + " names joint " + std::to_string(joint) + " of a skin with " + std::to_string(boneOf.size()));
                    Insert(row, filled, boneOf[static_cast<std::size_t>(joint)], weight);
                }
        }
    }
}

// A mesh without a skin below an animated node moves with its node: every
// vertex (already at the node's rest place) is bound with weight 1 to the
// nearest listed bone at or above the node. No node between them is
// animated, as every animated node is listed.
void FollowNode(GltfImport& in, int node, CGeometry& geometry) {
    int bone = node;
    while (bone >= 0 && in.flatIndex[static_cast<std::size_t>(bone)] < 0) bone = in.parent[static_cast<std::size_t>(bone)];
    if (bone < 0) return;
    geometry.weights = std::make_unique<CWeights>(geometry.vertexCount);
    geometry.weightCount = geometry.vertexCount;
    const CBoneWeight whole{static_cast<float>(in.flatIndex[static_cast<std::size_t>(bone)]), 1.0f};
    for (int v = 0; v < geometry.vertexCount; ++v) geometry.weights->Row(v)[0] = whole;
}

// Skinned vertices are drawn as v * bindShape * B * G: with B the inverse
// rest transform of each joint, the bind shape is what the skin's inverse
// bind matrix adds to it (the mesh's place at binding time).
Matrix4 SkinBindShape(GltfImport& in, const tinygltf::Skin& skin) {
    if (skin.joints.empty()) return Matrix4();
    // Without inverse bind matrices every one is the identity.
    if (skin.inverseBindMatrices < 0) return in.global[static_cast<std::size_t>(skin.joints[0])];
    const std::vector<float> m = ReadAccessorFloats(in, skin.inverseBindMatrices, 16, "inverse bind matrices");
    if (m.size() < 16 * skin.joints.size()) throw GltfError("a skin has fewer inverse bind matrices than joints");
    Matrix4 first;
    for (std::size_t j = 0; j < skin.joints.size(); ++j) {
        const Matrix4 inverseBind = ToZUp(Matrix4::FromFloats(m.data() + 16 * j), UpAxis::Y);
        const Matrix4 shape = MultiplyMatrix(inverseBind, in.global[static_cast<std::size_t>(skin.joints[j])]);
        if (j == 0) {
            first = shape;
            continue;
        }
        for (int e = 0; e < 16; ++e)
            if (std::fabs(shape.Data()[e] - first.Data()[e]) > 1e-3f * (1.0f + std::fabs(first.Data()[e]))) {
                in.Note("a skin's inverse bind matrices differ from its joints' rest pose; the rest pose is drawn");
                return first;
            }
    }
    return first;
}

// Points (w = 1) through `m`; or directions (w = 0) through the inverse
// transpose of `m`, made unit length again when `unit`.
struct TransformPoints {
    TransformPoints(const Matrix4& m, bool directions, bool unit)
        : t(directions ? TransposeMatrix(InverseMatrix(m)) : m), w(directions ? 0.0f : 1.0f), unit(unit) {}
    void operator()(const float* from, float* to, std::size_t count) const {
        const float(&r)[4][4] = t.m;
        for (std::size_t i = 0; i < 3 * count; i += 3) {
            const float x0 = from[i], y0 = from[i + 1], z0 = from[i + 2];
            float x = x0 * r[0][0] + y0 * r[1][0] + z0 * r[2][0] + w * r[3][0];
            float y = x0 * r[0][1] + y0 * r[1][1] + z0 * r[2][1] + w * r[3][1];
            float z = x0 * r[0][2] + y0 * r[1][2] + z0 * r[2][2] + w * r[3][2];
            if (unit) {
                const float len = std::sqrt(x * x + y * y + z * z);
                if (len > 0.0f) x /= len, y /= len, z /= len;
            }
            to[i] = x, to[i + 1] = y, to[i + 2] = z;
        }
    }
    Matrix4 t;
    float w;
    bool unit;
};

// glTF's v runs down the image, the model records' (COLLADA's) up it.
void FlipV(const float* from, float* to, std::size_t count) {
    for (std::size_t i = 0; i < 2 * count; i += 2) to[i] = from[i], to[i + 1] = 1.0f - from[i + 1];
}

std::string DefaultMaterial(GltfImport& in) {
    static const std::string kName = "DefaultMaterial";
    CName name;
    SetUtf8Name(name, kName);
    if (!in.model.FindMaterial(name)) {
        auto m = std::make_unique<CMaterial>();
        m->name = name;
        for (float& c : m->diffuse) c = 1.0f;
        in.model.materials.Add(std::move(m));
    }
    return kName;
}

void ReadPrimitive(GltfImport& in, int node, const tinygltf::Primitive& prim, const std::string& id) {
    const tinygltf::Node& n = in.doc.nodes[static_cast<std::size_t>(node)];
    if (prim.mode != TINYGLTF_MODE_TRIANGLES && prim.mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
        prim.mode != TINYGLTF_MODE_TRIANGLE_FAN) {
        in.Note(prim.mode >= 0 && prim.mode <= 3 ? "points and lines were left out" : "primitives of an unknown mode were left out");
        return;
    }
    const int position = Attribute(prim, "POSITION");
    if (position < 0) {
        in.Note("primitives without positions were left out");
        return;
    }
    if (!prim.targets.empty()) in.Note("morph targets were left out");

    auto geometry = std::make_unique<CGeometry>();
    SetUtf8Name(geometry->id, id);
    const bool skinned = n.skin >= 0;
    if (skinned && static_cast<std::size_t>(n.skin) >= in.doc.skins.size()) throw GltfError("node " + std::to_string(node) + " names a skin that does not exist");
    // Into the Z-up frame, and unskinned vertices to their node's rest place.
    const Matrix4 turn = UpAxisRotation(UpAxis::Y);
    const Matrix4 place = skinned ? turn : MultiplyMatrix(turn, in.global[static_cast<std::size_t>(node)]);
    std::unique_ptr<CFloatArray> positions = ReadSource(in, position, 3, "positions", id + "-positions", TransformPoints(place, false, false));
    const std::size_t vertices = ElementsOf(*positions);
    geometry->vertexCount = static_cast<int>(vertices);
    const int normal = Attribute(prim, "NORMAL");
    std::unique_ptr<CFloatArray> normals =
        normal >= 0 ? ReadSource(in, normal, 3, "normals", id + "-normals", TransformPoints(place, true, !skinned)) : nullptr;
    if (normals && ElementsOf(*normals) != vertices) throw GltfError("primitive " + id + " has more or fewer normals than positions");
    const int uv = Attribute(prim, "TEXCOORD_0");
    std::unique_ptr<CFloatArray> uvs = uv >= 0 ? ReadSource(in, uv, 2, "texture coordinates", id + "-texcoords", FlipV) : nullptr;
    if (uvs && ElementsOf(*uvs) != vertices) throw GltfError("primitive " + id + " has more or fewer texture coordinates than positions");
    if (skinned) StoreModelMatrix(SkinBindShape(in, in.doc.skins[static_cast<std::size_t>(n.skin)]), geometry->bindShapeMatrix);

    std::vector<std::uint32_t> corners;
    if (prim.indices >= 0) {
        corners = ReadAccessorIndices(in, prim.indices, "indices");
        std::uint32_t highest = 0;  // one pass without a branch; the culprit is looked for only when there is one
        for (std::uint32_t c : corners) highest = std::max(highest, c);
        if (!corners.empty() && highest >= vertices)
            for (std::uint32_t c : corners)
                if (c >= vertices) throw GltfError("primitive " + id + " has index " + std::to_string(c) + " beyond its " + std::to_string(vertices) + " vertices");
    } else {
        corners.resize(vertices);
        for (std::size_t i = 0; i < vertices; ++i) corners[i] = static_cast<std::uint32_t>(i);
    }
    // A triangle list is used as read (every index is below the vertex count, so fits an int).
    std::vector<int> built;
    if (prim.mode != TINYGLTF_MODE_TRIANGLES) built = Triangles(corners, prim.mode);
    const int* triangles = built.empty() ? reinterpret_cast<const int*>(corners.data()) : built.data();
    const std::size_t cornerCount = built.empty() ? corners.size() - corners.size() % 3 : built.size();
    if (cornerCount > static_cast<std::size_t>(std::numeric_limits<int>::max())) throw GltfError("primitive " + id + " has more corners than a model holds");
    const int count = static_cast<int>(cornerCount);

    auto block = std::make_unique<CPolygonData>();
    if (prim.material >= 0 && static_cast<std::size_t>(prim.material) < in.materialNames.size())
        SetUtf8Name(block->materialId, in.materialNames[static_cast<std::size_t>(prim.material)]);
    else
        SetUtf8Name(block->materialId, DefaultMaterial(in));
    block->vertexId = positions->id;
    block->vertexIndices.AddRange(triangles, count);
    geometry->floatArrays.Add(std::move(positions));
    if (normals) {
        block->normalId = normals->id;
        block->normalIndices.AddRange(triangles, count);
        geometry->floatArrays.Add(std::move(normals));
    }
    if (uvs) {
        block->texIds.Add(uvs->id);
        block->texIndices.AddRange(triangles, count);
        geometry->floatArrays.Add(std::move(uvs));
    }
    geometry->polygonData.Add(std::move(block));
    if (skinned) ReadWeights(in, prim, in.doc.skins[static_cast<std::size_t>(n.skin)], *geometry);
    else if (in.moves[static_cast<std::size_t>(node)]) FollowNode(in, node, *geometry);
    in.model.geometries.Add(std::move(geometry));
}

// Bytes of model records one use of a primitive becomes: each node that
// uses a mesh gets a copy of it. Counts the file cannot hold count nothing
// here; reading them fails with its own message.
std::uint64_t ExpandedBytes(const GltfImport& in, const tinygltf::Primitive& prim, bool skinned) {
    const auto count = [&](int accessor) -> std::uint64_t {
        if (accessor < 0 || static_cast<std::size_t>(accessor) >= in.doc.accessors.size()) return 0;
        const std::size_t n = in.doc.accessors[static_cast<std::size_t>(accessor)].count;
        return n > in.sourceBytes ? 0 : n;
    };
    const std::uint64_t vertices = count(Attribute(prim, "POSITION"));
    const bool normals = Attribute(prim, "NORMAL") >= 0, uvs = Attribute(prim, "TEXCOORD_0") >= 0;
    const std::uint64_t perVertex = 12 + (normals ? 12 : 0) + (uvs ? 8 : 0) + (skinned ? sizeof(CBoneWeight) * MaxBoneInfluences : 0);
    std::uint64_t corners = prim.indices >= 0 ? count(prim.indices) : vertices;
    if (prim.mode != TINYGLTF_MODE_TRIANGLES) corners *= 3;  // strips and fans become lists
    return vertices * perVertex + corners * 4 * (1 + (normals ? 1 : 0) + (uvs ? 1 : 0));
}

}  // namespace

std::uint64_t ExpandedGeometryLimit(std::uint64_t sourceBytes) { return 16 * sourceBytes + (16ull << 20); }

void LoadGltfMeshes(GltfImport& in) {
    // A mesh used by many nodes is copied for each: the copies together stay
    // within a bound set by the file's size, or the document is refused
    // before any is made.
    std::uint64_t expanded = 0, uses = 0;
    for (int node : in.order) {
        const tinygltf::Node& n = in.doc.nodes[static_cast<std::size_t>(node)];
        if (n.mesh < 0 || static_cast<std::size_t>(n.mesh) >= in.doc.meshes.size()) continue;
        ++uses;
        for (const tinygltf::Primitive& prim : in.doc.meshes[static_cast<std::size_t>(n.mesh)].primitives)
            expanded += ExpandedBytes(in, prim, n.skin >= 0);
    }
    const std::uint64_t limit = ExpandedGeometryLimit(in.sourceBytes);
    if (expanded > limit)
        throw GltfError("its nodes use meshes " + std::to_string(uses) + " times, which makes " + std::to_string(expanded >> 20) +
                        " MB of geometry, more than the " + std::to_string(limit >> 20) + " MB allowed for a file of its size");
    std::set<std::string> ids;
    for (int node : in.order) {
        const int mesh = in.doc.nodes[static_cast<std::size_t>(node)].mesh;
        if (mesh < 0) continue;
        if (static_cast<std::size_t>(mesh) >= in.doc.meshes.size()) throw GltfError("node " + std::to_string(node) + " names mesh " + std::to_string(mesh) + ", which does not exist");
        const tinygltf::Mesh& m = in.doc.meshes[static_cast<std::size_t>(mesh)];
        const std::string base = m.name.empty() ? "mesh" + std::to_string(mesh) : m.name;
        for (std::size_t p = 0; p < m.primitives.size(); ++p)
            ReadPrimitive(in, node, m.primitives[p], UniqueName(ids, m.primitives.size() > 1 ? base + "-" + std::to_string(p) : base));
    }
}
