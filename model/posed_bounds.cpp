#include "model/posed_bounds.h"

#include <cmath>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/model.h"
#include "model/render_model.h"

namespace {

constexpr int kPaletteBones = 255;  // bones past the palette draw unskinned
const Matrix4 kIdentity;

Vector4 Scaled(const Vector4& v, float s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }

}  // namespace

Bounds3 PosedBounds(const CModel& model, const CRenderModel& posed) {
    Bounds3 box;
    const int bones = posed.bones.Count();
    for (const CGeometry* geometry : model.geometries) {
        const Matrix4 bindShape = TransposeMatrix(Matrix4::FromFloats(geometry->bindShapeMatrix));
        for (const CPolygonData* block : geometry->polygonData) {
            const CFloatArray* positions = geometry->FindFloatArray(block->vertexId);
            if (!positions || !positions->values || positions->FloatCount() < 3) continue;
            // A vertex shared by many corners is placed once.
            std::vector<bool> seen(static_cast<std::size_t>(positions->values->Count()), false);
            for (int v : block->vertexIndices) {
                const auto* p = static_cast<const float*>(positions->values->GetAt(v));
                if (!p || seen[static_cast<std::size_t>(v)]) continue;
                seen[static_cast<std::size_t>(v)] = true;
                const Vector4 b = TransformRow({p[0], p[1], p[2], 1.0f}, bindShape);
                Vector4 s{};
                bool any = false;
                const CBoneWeight* row = geometry->weights ? geometry->weights->Row(v) : nullptr;
                for (int k = 0; row && k < MaxBoneInfluences; ++k) {
                    const float w = row[k].weight < 0 ? 0 : (row[k].weight > 1 ? 1 : row[k].weight);
                    const int j = static_cast<int>(row[k].boneIndex + 0.0001f);
                    if (w <= 0.0000001f || j < 0 || j >= kPaletteBones) continue;
                    // The palette holds identities past the model's bones.
                    const Vector4 t = Scaled(j < bones ? TransformRow(b, posed.bones[j]->pose) : b, w);
                    s = {s.x + t.x, s.y + t.y, s.z + t.z, s.w + t.w};
                    any = true;
                }
                if (!any) s = b;
                const float h = s.w > 0 ? s.w : 1.0f;
                box.Add({s.x / h, s.y / h, s.z / h});
            }
        }
    }
    return box;
}

PosedSkeleton PoseSkeleton(const CRenderModel& posed) {
    struct Pending {
        const CRenderBone* bone;
        int parent;     // index into out.joints, -1 for none
        Matrix4 above;  // the parent's world matrix (identity for a root)
    };
    PosedSkeleton out;
    std::unordered_set<const CRenderBone*> seen;
    std::vector<Pending> pending;
    for (int i = posed.rootBones.Count() - 1; i >= 0; --i) pending.push_back({posed.rootBones[i], -1, Matrix4()});
    // With joints in the tree, the plain scene nodes around them (an armature's
    // node, the mesh's) are no bones: drawn, they stand at the origin.
    bool hasJoints = false;
    for (const CRenderBone* b : posed.bones) hasJoints = hasJoints || (b && b->boneType == BoneType::Joint);
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        const CRenderBone* bone = p.bone;
        if (!bone || !seen.insert(bone).second) continue;  // a cycle in a damaged tree is cut
        // A skin's joint stands where its inverse bind matrix puts it, carried
        // by W; a bone outside the skin (a control bone, a node) has no such
        // matrix and stands where its local transform puts it under its parent.
        Vector4 determinant{};
        const Matrix4 bind = InverseMatrix(bone->invBind, &determinant);
        const bool skinned = std::fabs(determinant.x) > 1e-12f && std::isfinite(determinant.x) &&
                             std::memcmp(&bone->invBind, &kIdentity, sizeof kIdentity) != 0;
        const Matrix4 world = skinned ? MultiplyMatrix(bind, bone->pose) : MultiplyMatrix(bone->local, p.above);
        int index = p.parent;
        if (!hasJoints || bone->boneType != BoneType::Node) {
            const float h = std::fabs(world.m[3][3]) > 1e-12f ? world.m[3][3] : 1.0f;
            index = static_cast<int>(out.joints.size());
            out.joints.push_back({world.m[3][0] / h, world.m[3][1] / h, world.m[3][2] / h});
            out.parents.push_back(p.parent);
        }
        for (int c = bone->children.Count() - 1; c >= 0; --c) pending.push_back({bone->children[c], index, world});
    }
    return out;
}
