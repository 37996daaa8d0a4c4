#include "model/model_finite.h"

#include <cmath>
#include <string>
#include <vector>

#include "model/animation.h"

namespace {

bool AllFinite(const float* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(values[i])) return false;
    return true;
}

Status NotFinite(const std::string& what) { return Status::Failure("NaN or infinity in " + what); }

std::string Quoted(const CName& name) { return "\"" + name.ToUtf8() + "\""; }

}  // namespace

Status CheckModelFinite(const CModel& model) {
    for (const CGeometry* g : model.geometries) {
        const std::string of = " of geometry " + Quoted(g->id);
        for (const CFloatArray* a : g->floatArrays) {
            if (!a->values) continue;
            const auto* values = static_cast<const float*>(a->values->Data());
            if (!AllFinite(values,
                           static_cast<std::size_t>(a->values->Count()) * static_cast<std::size_t>(a->FloatCount())))
                return NotFinite("the array " + Quoted(a->id) + of);
        }
        if (!AllFinite(g->bindShapeMatrix, 16)) return NotFinite("the bind shape matrix" + of);
        if (g->weights) {
            for (int r = 0; r < g->weights->Rows(); ++r) {
                const CBoneWeight* row = g->weights->Row(r);
                for (int k = 0; k < MaxBoneInfluences; ++k)
                    if (!std::isfinite(row[k].weight) || !std::isfinite(row[k].boneIndex))
                        return NotFinite("the skin weights" + of);
            }
        }
    }
    // The list, then the tree: a bone may be in one only. Iterative, for trees of any depth.
    const auto boneFinite = [](const CBone* b) {
        return AllFinite(b->jointMatrix, 16) && AllFinite(b->invBindMatrix, 16);
    };
    const auto boneFailure = [](const CBone* b) {
        return NotFinite("the matrices of bone " + Quoted(b->name.Empty() ? b->id : b->name));
    };
    for (const CBone* b : model.bones)
        if (!boneFinite(b)) return boneFailure(b);
    std::vector<const CBone*> pending(model.rootBones.begin(), model.rootBones.end());
    while (!pending.empty()) {
        const CBone* b = pending.back();
        pending.pop_back();
        if (!boneFinite(b)) return boneFailure(b);
        for (const CBone* c : b->children) pending.push_back(c);
    }
    for (const CAnimation* a : model.animations) {
        for (const CAnimationChannel* ch : a->channels) {
            const std::string what = " of animation " + Quoted(a->id) + " for " + Quoted(ch->targetId);
            if (!AllFinite(ch->keyTimes.begin(), static_cast<std::size_t>(ch->keyTimes.Count())))
                return NotFinite("the key times" + what);
            for (const CMatrixValue& m : ch->poseMatrices)
                if (!AllFinite(m.m, 16)) return NotFinite("the key matrices" + what);
        }
    }
    return Status::Ok();
}
