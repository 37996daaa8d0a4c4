// Mesh primitives become geometries, one per primitive and per node that
// shows the mesh. Triangle lists, strips and fans become triangle lists;
// points and lines are left out. A skinned primitive keeps its vertices in
// mesh space and binds them through its skin; any other takes its node's
// rest transform into its vertices, and follows the node when an animation
// moves it or a node above it.
#include <algorithm>
#include <cstdint>
#include <cmath>
#include <cstring>
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
            out.insert(out.end(), {static_cast<int>(corners[odd ? i + 1 : i]),
                                   static_cast<int>(corners[odd ? i : i + 1]), static_cast<int>(corners[i + 2])});
        }
    } else {
        for (std::size_t i = 1; i + 1 < n; ++i)
            out.insert(out.end(),
                       {static_cast<int>(corners[0]), static_cast<int>(corners[i]), static_cast<int>(corners[i + 1])});
    }
    return out;
}

// Accessor `index` as a vertex source of `components` floats per element,
// read a run at a time through `convert(run, out, elements)` into the
// source's storage of `stored` floats per element.
template <class Convert>
std::unique_ptr<CFloatArray> ReadSource(const GltfImport& in, int index, int components, const char* what,
                                        const std::string& id, Convert convert, int stored = 0) {
    const AccessorElements elements(in, index, components, what);
    if (stored == 0) stored = components;
    const std::size_t count = elements.Count(), width = static_cast<std::size_t>(stored);
    if (count > static_cast<std::size_t>(std::numeric_limits<int>::max() / components))
        throw GltfError("accessor " + std::to_string(index) + " (" + what + ") has more elements than a model holds");
    auto array = std::make_unique<CFloatArray>();
    SetUtf8Name(array->id, id);
    array->values = std::make_unique<CArray>(stored * 4);
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
// in use. False when an influence fell out of the row.
bool Insert(CBoneWeight* row, int& filled, float bone, float weight) {
    int i = 0;
    while (i < filled && !(row[i].weight + 0.000001f < weight)) ++i;
    if (i == MaxBoneInfluences) return false;
    const bool full = filled == MaxBoneInfluences;
    for (int j = std::min(filled, MaxBoneInfluences - 1); j > i; --j)
        row[j].boneIndex = row[j - 1].boneIndex, row[j].weight = row[j - 1].weight;
    row[i] = {bone, weight};
    filled = std::min(filled + 1, MaxBoneInfluences);
    return !full;
}

// The kept influences of a row scaled to sum to 1.
void Renormalize(CBoneWeight* row, int filled) {
    float sum = 0.0f;
    for (int e = 0; e < filled; ++e) sum += row[e].weight;
    if (sum > 0.0f && std::fabs(sum - 1.0f) > 1e-6f)
        for (int e = 0; e < filled; ++e) row[e].weight /= sum;
}

void ReadWeights(GltfImport& in, const tinygltf::Primitive& prim, const tinygltf::Skin& skin, CGeometry& geometry) {
    std::vector<float> boneOf(skin.joints.size());  // flat bone index per joint of the skin
    for (std::size_t j = 0; j < boneOf.size(); ++j)
        boneOf[j] = static_cast<float>(in.flatIndex[static_cast<std::size_t>(skin.joints[j])]);
    const std::size_t rows = static_cast<std::size_t>(geometry.vertexCount);
    std::vector<std::pair<AccessorElements, AccessorElements>> sets;  // joints and weights
    // Every set the primitive has, JOINTS_0/WEIGHTS_0 onwards.
    for (int set = 0;; ++set) {
        const std::string suffix = std::to_string(set);
        const int joints = Attribute(prim, ("JOINTS_" + suffix).c_str());
        const int weights = Attribute(prim, ("WEIGHTS_" + suffix).c_str());
        if (joints < 0 && weights < 0) break;
        if (joints < 0 || weights < 0) continue;
        sets.emplace_back(AccessorElements(in, joints, 4, "joints"), AccessorElements(in, weights, 4, "weights"));
        if (sets.back().first.Count() != rows || sets.back().second.Count() != rows)
            throw GltfError("joints or weights do not match the vertex count");
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
    std::vector<float> j(setCount * kRun * 4), w(setCount * kRun * 4);
    bool dropped = false;
    for (std::size_t first = 0; first < rows; first += kRun) {
        const std::size_t n = std::min(kRun, rows - first);
        for (std::size_t s = 0; s < setCount; ++s) {
            sets[s].first.GetRun(first, n, j.data() + s * kRun * 4);
            sets[s].second.GetRun(first, n, w.data() + s * kRun * 4);
        }
        for (std::size_t v = 0; v < n; ++v) {
            CBoneWeight* row = table + (first + v) * MaxBoneInfluences;
            if (stored)
                for (int e = 0; e < MaxBoneInfluences; ++e) row[e] = {};
            int filled = 0;
            for (std::size_t s = 0; s < setCount; ++s)
                for (std::size_t k = s * kRun * 4 + 4 * v; k < s * kRun * 4 + 4 * v + 4; ++k) {
                    const float weight = w[k], joint = j[k];
                    if (!(weight > 0.000001f)) continue;
                    if (!(joint >= 0.0f && joint < joints))
                        throw GltfError("vertex " + std::to_string(first + v) + " names joint " +
                                        std::to_string(joint) + " of a skin with " + std::to_string(boneOf.size()));
                    if (!Insert(row, filled, boneOf[static_cast<std::size_t>(joint)], weight)) dropped = true;
                }
            Renormalize(row, filled);
        }
    }
    if (dropped)
        in.Note("vertices with more than " + std::to_string(MaxBoneInfluences) +
                " influences keep their largest ones, scaled to sum to 1");
}

// A mesh without a skin below an animated node moves with its node: every
// vertex (already at the node's rest place) is bound with weight 1 to the
// nearest listed bone at or above the node. No node between them is
// animated, as every animated node is listed.
void FollowNode(GltfImport& in, int node, CGeometry& geometry) {
    int bone = node;
    while (bone >= 0 && in.flatIndex[static_cast<std::size_t>(bone)] < 0)
        bone = in.parent[static_cast<std::size_t>(bone)];
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

// The texture coordinates a material's base-colour texture reads: the set
// it names (its transform may name another) and the transform's offset,
// rotation and scale as u' = m[0] . (u, v, 1), v' = m[1] . (u, v, 1). Then
// v is flipped: glTF's v runs down the image, the model records' (COLLADA's)
// up it.
struct UvMapping {
    int set = 0;
    float m[2][3] = {{1, 0, 0}, {0, 1, 0}};
    void operator()(const float* from, float* to, std::size_t count) const {
        for (std::size_t i = 0; i < 2 * count; i += 2) {
            const float u = from[i], v = from[i + 1];
            to[i] = m[0][0] * u + m[0][1] * v + m[0][2];
            to[i + 1] = 1.0f - (m[1][0] * u + m[1][1] * v + m[1][2]);
        }
    }
};

UvMapping MappingOf(const GltfImport& in, int material) {
    UvMapping out;
    if (material < 0 || static_cast<std::size_t>(material) >= in.doc.materials.size()) return out;
    const tinygltf::TextureInfo& info =
        in.doc.materials[static_cast<std::size_t>(material)].pbrMetallicRoughness.baseColorTexture;
    out.set = info.texCoord;
    const auto ext = info.extensions.find("KHR_texture_transform");
    if (info.index < 0 || ext == info.extensions.end() || !ext->second.IsObject()) return out;
    const tinygltf::Value& t = ext->second;
    const auto number = [&](const char* key, int element, double fallback) {
        if (!t.Has(key)) return fallback;
        const tinygltf::Value& v = t.Get(key);
        const tinygltf::Value& n = element < 0                                                       ? v
                                   : v.IsArray() && v.ArrayLen() > static_cast<std::size_t>(element) ? v.Get(element)
                                                                                                     : v;
        return n.IsNumber() ? n.GetNumberAsDouble() : fallback;
    };
    if (t.Has("texCoord") && t.Get("texCoord").IsInt()) out.set = t.Get("texCoord").GetNumberAsInt();
    const double r = number("rotation", -1, 0.0), c = std::cos(r), s = std::sin(r);
    const double su = number("scale", 0, 1.0), sv = number("scale", 1, 1.0);
    // translation * rotation * scale, as the extension defines it
    out.m[0][0] = static_cast<float>(c * su), out.m[0][1] = static_cast<float>(s * sv);
    out.m[1][0] = static_cast<float>(-s * su), out.m[1][1] = static_cast<float>(c * sv);
    out.m[0][2] = static_cast<float>(number("offset", 0, 0.0)),
    out.m[1][2] = static_cast<float>(number("offset", 1, 0.0));
    return out;
}

// Vertex colours as RGBA; three components get alpha 1.
struct ColorToRgba {
    std::size_t width;
    void operator()(const float* from, float* to, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t c = 0; c < 4; ++c) to[4 * i + c] = c < width ? from[width * i + c] : 1.0f;
    }
};

int ColorWidth(const GltfImport& in, int accessor) {
    (void)AccessorCount(in, accessor, "colours");  // checks that it exists
    const int type = in.doc.accessors[static_cast<std::size_t>(accessor)].type;
    if (type != TINYGLTF_TYPE_VEC3 && type != TINYGLTF_TYPE_VEC4)
        throw GltfError("accessor " + std::to_string(accessor) + " (colours) is not a VEC3 or VEC4");
    return type == TINYGLTF_TYPE_VEC3 ? 3 : 4;
}

// A primitive without normals is drawn with flat ones: every corner becomes
// a vertex of its own (sources and weights copied per corner), and each
// triangle's corners get the triangle's normal. `mirrored`: the vertices'
// transform turns the winding around.
void SplitCornersWithFlatNormals(CGeometry& geometry, CPolygonData& block, bool mirrored) {
    const int corners = block.vertexIndices.Count();
    const int* vertexOf = block.vertexIndices.begin();
    for (CFloatArray* source : geometry.floatArrays) {
        const int bytes = source->values->ElementSize();
        auto split = std::make_unique<CArray>(bytes);
        auto* to = static_cast<unsigned char*>(split->AddUnset(corners));
        for (int c = 0; c < corners; ++c)
            std::memcpy(to + static_cast<std::size_t>(c) * bytes, source->values->GetAt(vertexOf[c]), bytes);
        source->values = std::move(split);
    }
    if (geometry.weights) {
        auto split = std::make_unique<CWeights>(corners);
        for (int c = 0; c < corners; ++c)
            std::copy_n(geometry.weights->Row(vertexOf[c]), MaxBoneInfluences, split->Row(c));
        geometry.weights = std::move(split);
        geometry.weightCount = corners;
    }
    geometry.vertexCount = corners;

    auto normals = std::make_unique<CFloatArray>();
    SetUtf8Name(normals->id, geometry.id.ToUtf8() + "-normals");
    normals->values = std::make_unique<CArray>(12);
    auto* n = static_cast<float*>(normals->values->AddUnset(corners));
    const float* p = static_cast<const float*>(geometry.FindFloatArray(block.vertexId)->values->Data());
    for (int t = 0; t + 3 <= corners; t += 3) {
        const float* a = p + 3 * t;
        const float e1[3] = {a[3] - a[0], a[4] - a[1], a[5] - a[2]}, e2[3] = {a[6] - a[0], a[7] - a[1], a[8] - a[2]};
        float f[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        const float len = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]) * (mirrored ? -1.0f : 1.0f);
        for (float& x : f) x = len != 0.0f ? x / len : 0.0f;
        for (int k = 0; k < 3; ++k) std::copy_n(f, 3, n + 3 * (t + k));
    }
    for (int c = 0; c < corners; ++c) block.vertexIndices[c] = c;
    block.normalId = normals->id;
    block.normalIndices.AddRange(block.vertexIndices.Data(), corners);
    if (block.texIndices.Count()) std::copy_n(block.vertexIndices.begin(), corners, block.texIndices.begin());
    if (block.colorIndices.Count()) std::copy_n(block.vertexIndices.begin(), corners, block.colorIndices.begin());
    geometry.floatArrays.Add(std::move(normals));
}

bool Mirrors(const Matrix4& m) {
    const float(&r)[4][4] = m.m;
    const float det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                      r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                      r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
    return det < 0.0f;
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
        in.Note(prim.mode >= 0 && prim.mode <= 3 ? "points and lines were left out"
                                                 : "primitives of an unknown mode were left out");
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
    if (skinned && static_cast<std::size_t>(n.skin) >= in.doc.skins.size())
        throw GltfError("node " + std::to_string(node) + " names a skin that does not exist");
    // Into the Z-up frame, and unskinned vertices to their node's rest place.
    const Matrix4 turn = UpAxisRotation(UpAxis::Y);
    const Matrix4 place = skinned ? turn : MultiplyMatrix(turn, in.global[static_cast<std::size_t>(node)]);
    std::unique_ptr<CFloatArray> positions =
        ReadSource(in, position, 3, "positions", id + "-positions", TransformPoints(place, false, false));
    const std::size_t vertices = ElementsOf(*positions);
    geometry->vertexCount = static_cast<int>(vertices);
    const int normal = Attribute(prim, "NORMAL");
    std::unique_ptr<CFloatArray> normals =
        normal >= 0 ? ReadSource(in, normal, 3, "normals", id + "-normals", TransformPoints(place, true, !skinned))
                    : nullptr;
    if (normals && ElementsOf(*normals) != vertices)
        throw GltfError("primitive " + id + " has more or fewer normals than positions");
    const UvMapping mapping = MappingOf(in, prim.material);
    const int uv = Attribute(prim, ("TEXCOORD_" + std::to_string(mapping.set)).c_str());
    std::unique_ptr<CFloatArray> uvs =
        uv >= 0 ? ReadSource(in, uv, 2, "texture coordinates", id + "-texcoords", mapping) : nullptr;
    if (uvs && ElementsOf(*uvs) != vertices)
        throw GltfError("primitive " + id + " has more or fewer texture coordinates than positions");
    const int color = Attribute(prim, "COLOR_0");
    std::unique_ptr<CFloatArray> colors;
    if (color >= 0) {
        const int width = ColorWidth(in, color);
        colors =
            ReadSource(in, color, width, "colours", id + "-colors", ColorToRgba{static_cast<std::size_t>(width)}, 4);
        if (ElementsOf(*colors) != vertices)
            throw GltfError("primitive " + id + " has more or fewer colours than positions");
    }
    if (skinned)
        StoreModelMatrix(SkinBindShape(in, in.doc.skins[static_cast<std::size_t>(n.skin)]), geometry->bindShapeMatrix);

    std::vector<std::uint32_t> corners;
    if (prim.indices >= 0) {
        corners = ReadAccessorIndices(in, prim.indices, "indices");
        std::uint32_t highest = 0;  // one pass without a branch; the culprit is looked for only when there is one
        for (std::uint32_t c : corners) highest = std::max(highest, c);
        if (!corners.empty() && highest >= vertices)
            for (std::uint32_t c : corners)
                if (c >= vertices)
                    throw GltfError("primitive " + id + " has index " + std::to_string(c) + " beyond its " +
                                    std::to_string(vertices) + " vertices");
    } else {
        corners.resize(vertices);
        for (std::size_t i = 0; i < vertices; ++i) corners[i] = static_cast<std::uint32_t>(i);
    }
    // A triangle list is used as read (every index is below the vertex count, so fits an int).
    std::vector<int> built;
    if (prim.mode != TINYGLTF_MODE_TRIANGLES) built = Triangles(corners, prim.mode);
    const int* triangles = built.empty() ? reinterpret_cast<const int*>(corners.data()) : built.data();
    const std::size_t cornerCount = built.empty() ? corners.size() - corners.size() % 3 : built.size();
    if (cornerCount > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw GltfError("primitive " + id + " has more corners than a model holds");
    const int count = static_cast<int>(cornerCount);

    auto block = std::make_unique<CPolygonData>();
    if (prim.material >= 0 && static_cast<std::size_t>(prim.material) < in.materialNames.size())
        SetUtf8Name(block->materialId, in.materialNames[static_cast<std::size_t>(prim.material)]);
    else SetUtf8Name(block->materialId, DefaultMaterial(in));
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
    if (colors) {
        block->colorId = colors->id;
        block->colorIndices.AddRange(triangles, count);
        geometry->floatArrays.Add(std::move(colors));
    }
    if (skinned) ReadWeights(in, prim, in.doc.skins[static_cast<std::size_t>(n.skin)], *geometry);
    else if (in.moves[static_cast<std::size_t>(node)]) FollowNode(in, node, *geometry);
    if (normal < 0) SplitCornersWithFlatNormals(*geometry, *block, Mirrors(place));
    geometry->polygonData.Add(std::move(block));
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
    const std::uint64_t perVertex =
        12 + (normals ? 12 : 0) + (uvs ? 8 : 0) + (skinned ? sizeof(CBoneWeight) * MaxBoneInfluences : 0);
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
        throw GltfError("its nodes use meshes " + std::to_string(uses) + " times, which makes " +
                        std::to_string(expanded >> 20) + " MB of geometry, more than the " +
                        std::to_string(limit >> 20) + " MB allowed for a file of its size");
    std::set<std::string> ids;
    for (int node : in.order) {
        const int mesh = in.doc.nodes[static_cast<std::size_t>(node)].mesh;
        if (mesh < 0) continue;
        if (static_cast<std::size_t>(mesh) >= in.doc.meshes.size())
            throw GltfError("node " + std::to_string(node) + " names mesh " + std::to_string(mesh) +
                            ", which does not exist");
        const tinygltf::Mesh& m = in.doc.meshes[static_cast<std::size_t>(mesh)];
        const std::string base = m.name.empty() ? "mesh" + std::to_string(mesh) : m.name;
        for (std::size_t p = 0; p < m.primitives.size(); ++p)
            ReadPrimitive(in, node, m.primitives[p],
                          UniqueName(ids, m.primitives.size() > 1 ? base + "-" + std::to_string(p) : base));
    }
}
