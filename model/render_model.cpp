#include "model/render_model.h"

#include <unordered_map>
#include <unordered_set>

#include "model/animation.h"
#include "model/model.h"
#include "model/name_index.h"

namespace {

Matrix4 Transposed(const float* columnMajor16) { return TransposeMatrix(Matrix4::FromFloats(columnMajor16)); }

}  // namespace

bool CRenderModel::CopyBones(const CModel& model) {
    if (bones.Count() > 0 || rootBones.Count() > 0) return false;

    // Model bone -> render bone, in creation order: the flat list first, then
    // the bones only the tree knows (a .mdl tree may hold bones that its bone
    // list lacks).
    std::unordered_map<const CBone*, CRenderBone*> map;
    std::vector<const CBone*> order;
    auto make = [&](const CBone* src) {
        auto [it, inserted] = map.emplace(src, nullptr);
        if (!inserted) return;
        CRenderBone* dst = NewBone();
        dst->id = src->id;
        dst->name = src->name;
        dst->joint = Transposed(src->jointMatrix);
        dst->invBind = Transposed(src->invBindMatrix);
        dst->boneType = src->boneType;
        it->second = dst;
        order.push_back(src);
    };
    for (const CBone* b : model.bones)
        if (b) make(b);
    std::vector<const CBone*> stack(model.rootBones.begin(), model.rootBones.end());
    stack.insert(stack.end(), model.bones.begin(), model.bones.end());
    std::unordered_set<const CBone*> walked;
    while (!stack.empty()) {
        const CBone* b = stack.back();
        stack.pop_back();
        if (!b || !walked.insert(b).second) continue;
        make(b);
        for (const CBone* child : b->children) stack.push_back(child);
    }

    auto find = [&](const CBone* src) -> CRenderBone* {
        const auto it = src ? map.find(src) : map.end();
        return it == map.end() ? nullptr : it->second;
    };
    for (const CBone* src : order) {
        CRenderBone* dst = map[src];
        for (const CBone* child : src->children)
            if (CRenderBone* c = find(child)) dst->children.Add(c);
        dst->parent = find(src->parent);
    }
    for (const CBone* b : model.rootBones)
        if (CRenderBone* r = find(b)) rootBones.Add(r);
    // The palette indexes this list by the weights' bone indices: keep one
    // entry per model entry, even for a hole in the model's list.
    for (const CBone* b : model.bones) bones.Add(b ? find(b) : NewBone());

    RebuildPoseOrder();
    return true;
}

bool CRenderModel::CopyAnimations(const CModel& model) {
    bool ok = true;
    for (int i = 0; i < model.animations.Count(); ++i) ok = CopyAnimation(model, i) && ok;
    return ok;
}

bool CRenderModel::CopyAnimation(const CModel& model, int index) {
    const CAnimation* src = model.animations.Get(index);
    if (!src) return false;
    CRenderAnimation* dst = animations.AddNew();
    dst->id = src->id;
    const CNameIndex<CRenderBone> bonesById(bones, &CRenderBone::id);
    for (const CAnimationChannel* sc : src->channels) {
        if (!sc) continue;
        CRenderChannel* dc = dst->channels.AddNew();
        dc->targetId = sc->targetId;
        dc->bone = bonesById.Find(dc->targetId);
        dc->keyTimes.Reserve(static_cast<std::size_t>(sc->keyTimes.Count()));
        for (float t : sc->keyTimes) dc->keyTimes.Add(t);
        dc->poseMatrices.Reserve(static_cast<std::size_t>(sc->poseMatrices.Count()));
        for (const CMatrixValue& m : sc->poseMatrices) dc->poseMatrices.Add(Transposed(m.m));
    }
    return true;
}

CRenderBone* CRenderModel::FindBone(const CName* id) const {
    if (!id) return nullptr;
    for (CRenderBone* b : bones)
        if (b && b->id == *id) return b;
    return nullptr;
}

void CRenderModel::RebuildPoseOrder() {
    poseOrder_.clear();
    std::unordered_set<CRenderBone*> seen;
    std::vector<CRenderBone*> stack;
    for (CRenderBone* root : rootBones) {
        stack.push_back(root);
        while (!stack.empty()) {
            CRenderBone* b = stack.back();
            stack.pop_back();
            if (!b || !seen.insert(b).second) continue;
            poseOrder_.push_back(b);
            // Reversed, so that the first child is visited first.
            for (int i = b->children.Count() - 1; i >= 0; --i) stack.push_back(b->children[i]);
        }
    }
}
