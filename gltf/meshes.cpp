// Mesh primitives become geometries, one per primitive and per node that
// shows the mesh. Triangle lists, strips and fans become triangle lists;
// points and lines are left out. A skinned primitive keeps its vertices in
// mesh space and binds them through its skin; any other takes its node's
// rest transform into its vertices.
#include <algorithm>
#include <cmath>
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

CFloatArray* VectorSource(const std::string& id, const std::vector<float>& values, int components) {
    auto array = std::make_unique<CFloatArray>();
    SetUtf8Name(array->id, id);
    array->values = new CArray(components * 4);
    array->values->Reserve(values.size() / static_cast<std::size_t>(components) + 1);
    array->values->AddRange(values.data(), static_cast<int>(values.size() / static_cast<std::size_t>(components)));
    return array.release();
}

// The eight strongest influences, largest first; equal weights keep the
// order met; weights of 0.000001 and less are not stored.
void Insert(CBoneWeight* row, float bone, float weight) {
    int i = 0;
    while (i < MaxBoneInfluences && !(row[i].weight + 0.000001f < weight)) ++i;
    if (i == MaxBoneInfluences) return;
    for (int j = MaxBoneInfluences - 1; j > i; --j) row[j] = row[j - 1];
    row[i] = {bone, weight};
}

void ReadWeights(GltfImport& in, const tinygltf::Primitive& prim, const tinygltf::Skin& skin, CGeometry& geometry) {
    geometry.weights = new CWeights(geometry.vertexCount);
    geometry.weightCount = geometry.vertexCount;
    for (int set = 0; set < 2; ++set) {
        const std::string suffix = std::to_string(set);
        const int joints = Attribute(prim, ("JOINTS_" + suffix).c_str());
        const int weights = Attribute(prim, ("WEIGHTS_" + suffix).c_str());
        if (joints < 0 || weights < 0) continue;
        const std::vector<float> j = ReadAccessorFloats(in, joints, 4, "joints");
        const std::vector<float> w = ReadAccessorFloats(in, weights, 4, "weights");
        const std::size_t rows = static_cast<std::size_t>(geometry.vertexCount);
        if (j.size() != rows * 4 || w.size() != rows * 4) throw GltfError("joints or weights do not match the vertex count");
        for (std::size_t v = 0; v < rows; ++v) {
            CBoneWeight* row = geometry.weights->Row(static_cast<int>(v));
            for (std::size_t k = 0; k < 4; ++k) {
                const float joint = j[v * 4 + k], weight = w[v * 4 + k];
                if (!(weight > 0.000001f)) continue;
                if (!(joint >= 0.0f) || joint >= static_cast<float>(skin.joints.size()))
                    throw GltfError("vertex " + std::to_string(v) + " names joint " + std::to_string(joint) + " of a skin with " + std::to_string(skin.joints.size()));
                const int node = skin.joints[static_cast<std::size_t>(joint)];
                Insert(row, static_cast<float>(in.flatIndex[static_cast<std::size_t>(node)]), weight);
            }
        }
    }
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

void TransformPoints(std::vector<float>& xyz, const Matrix4& m, bool directions) {
    // Directions go through the inverse transpose and are made unit length again.
    const Matrix4 n = directions ? TransposeMatrix(InverseMatrix(m)) : m;
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        const Vector4 v = TransformRow({xyz[i], xyz[i + 1], xyz[i + 2], directions ? 0.0f : 1.0f}, n);
        float x = v.x, y = v.y, z = v.z;
        if (directions) {
            const float len = std::sqrt(x * x + y * y + z * z);
            if (len > 0.0f) x /= len, y /= len, z /= len;
        }
        xyz[i] = x, xyz[i + 1] = y, xyz[i + 2] = z;
    }
}

void ToZUpPoints(std::vector<float>& xyz) {
    for (std::size_t i = 0; i + 2 < xyz.size(); i += 3) {
        const Vector3 v = ToZUp(Vector3{xyz[i], xyz[i + 1], xyz[i + 2]}, UpAxis::Y);
        xyz[i] = v.x, xyz[i + 1] = v.y, xyz[i + 2] = v.z;
    }
}

std::string DefaultMaterial(GltfImport& in) {
    static const std::string kName = "DefaultMaterial";
    CName name;
    SetUtf8Name(name, kName);
    if (!in.model.FindMaterial(name)) {
        auto m = std::make_unique<CMaterial>();
        m->name = name;
        for (float& c : m->diffuse) c = 1.0f;
        in.model.materials.Add(m.release());
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
    std::vector<float> positions = ReadAccessorFloats(in, position, 3, "positions");
    const std::size_t vertices = positions.size() / 3;
    geometry->vertexCount = static_cast<int>(vertices);
    const int normal = Attribute(prim, "NORMAL");
    std::vector<float> normals = normal >= 0 ? ReadAccessorFloats(in, normal, 3, "normals") : std::vector<float>();
    if (normal >= 0 && normals.size() != positions.size()) throw GltfError("primitive " + id + " has more or fewer normals than positions");
    const int uv = Attribute(prim, "TEXCOORD_0");
    std::vector<float> uvs = uv >= 0 ? ReadAccessorFloats(in, uv, 2, "texture coordinates") : std::vector<float>();
    // glTF's v runs down the image, the model records' (COLLADA's) up it.
    for (std::size_t i = 1; i < uvs.size(); i += 2) uvs[i] = 1.0f - uvs[i];
    if (uv >= 0 && uvs.size() != vertices * 2) throw GltfError("primitive " + id + " has more or fewer texture coordinates than positions");

    const bool skinned = n.skin >= 0;
    if (skinned && static_cast<std::size_t>(n.skin) >= in.doc.skins.size()) throw GltfError("node " + std::to_string(node) + " names a skin that does not exist");
    ToZUpPoints(positions);
    ToZUpPoints(normals);
    if (skinned) {
        StoreModelMatrix(SkinBindShape(in, in.doc.skins[static_cast<std::size_t>(n.skin)]), geometry->bindShapeMatrix);
    } else {
        const Matrix4& place = in.global[static_cast<std::size_t>(node)];
        TransformPoints(positions, place, false);
        TransformPoints(normals, place, true);
    }

    std::vector<std::uint32_t> corners;
    if (prim.indices >= 0) {
        corners = ReadAccessorIndices(in, prim.indices, "indices");
        for (std::uint32_t c : corners)
            if (c >= vertices) throw GltfError("primitive " + id + " has index " + std::to_string(c) + " beyond its " + std::to_string(vertices) + " vertices");
    } else {
        corners.resize(vertices);
        for (std::size_t i = 0; i < vertices; ++i) corners[i] = static_cast<std::uint32_t>(i);
    }
    const std::vector<int> triangles = Triangles(corners, prim.mode);

    auto block = std::make_unique<CPolygonData>();
    if (prim.material >= 0 && static_cast<std::size_t>(prim.material) < in.materialNames.size())
        SetUtf8Name(block->materialId, in.materialNames[static_cast<std::size_t>(prim.material)]);
    else
        SetUtf8Name(block->materialId, DefaultMaterial(in));
    geometry->floatArrays.Add(VectorSource(id + "-positions", positions, 3));
    SetUtf8Name(block->vertexId, id + "-positions");
    block->vertexIndices.AddRange(triangles.data(), static_cast<int>(triangles.size()));
    if (normal >= 0) {
        geometry->floatArrays.Add(VectorSource(id + "-normals", normals, 3));
        SetUtf8Name(block->normalId, id + "-normals");
        block->normalIndices.AddRange(triangles.data(), static_cast<int>(triangles.size()));
    }
    if (uv >= 0) {
        geometry->floatArrays.Add(VectorSource(id + "-texcoords", uvs, 2));
        CName texId;
        SetUtf8Name(texId, id + "-texcoords");
        block->texIds.Add(texId);
        block->texIndices.AddRange(triangles.data(), static_cast<int>(triangles.size()));
    }
    geometry->polygonData.Add(block.release());
    if (skinned) ReadWeights(in, prim, in.doc.skins[static_cast<std::size_t>(n.skin)], *geometry);
    in.model.geometries.Add(geometry.release());
}

}  // namespace

void LoadGltfMeshes(GltfImport& in) {
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
