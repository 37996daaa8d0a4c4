#include "model/model_finite.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/animation.h"

namespace {

// NaN and infinity have every exponent bit set. This runs over every vertex:
// whole blocks of a fixed length, without a branch inside, which GCC at -O2
// vectorizes.
bool AllFinite(const float* values, std::size_t count) {
    constexpr std::uint32_t kExponent = 0x7f800000u;
    constexpr std::size_t kBlock = 256;
    const auto bad = [&](std::size_t i) {
        std::uint32_t bits;
        std::memcpy(&bits, values + i, sizeof bits);
        return static_cast<std::uint32_t>((bits & kExponent) == kExponent);
    };
    std::size_t first = 0;
    for (; first + kBlock <= count; first += kBlock) {
        std::uint32_t any = 0;
        for (std::size_t i = 0; i < kBlock; ++i) any |= bad(first + i);
        if (any) return false;
    }
    for (; first < count; ++first)
        if (bad(first)) return false;
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
        if (g->weights && g->weights->Rows() > 0) {
            // The rows lie one after the other, pairs of floats.
            static_assert(sizeof(CBoneWeight) == 2 * sizeof(float));
            const std::size_t floats = static_cast<std::size_t>(g->weights->Rows()) * MaxBoneInfluences * 2;
            if (!AllFinite(reinterpret_cast<const float*>(g->weights->Row(0)), floats))
                return NotFinite("the skin weights" + of);
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
