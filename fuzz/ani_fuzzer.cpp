// The .ani reader on arbitrary bytes, into a model with a few bones so that
// channel targets resolve: no crash, no leak, heap bounded by the input; a
// refused read appends nothing; poses between moderate matrices stay finite
// whatever the key times say; and what was read survives a write and a
// second read with its channels and keys.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/alloc_bound.h"
#include "model/ani_file.h"
#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

namespace {
void Check(bool ok, const char* what) {
    if (ok) return;
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

void AddBone(CModel& model, const char* id) {
    CBone* bone = model.NewBone();
    bone->id.SetAscii(id);
    bone->name.SetAscii(id);
    model.bones.Add(bone);
    model.rootBones.Add(bone);
}

bool Moderate(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!(v[i] > -1e30f && v[i] < 1e30f)) return false;
    return true;
}

void EvaluateAll(const CModel& model) {
    CRenderModel rm;
    rm.CopyAnimations(model);
    for (const CRenderChannel* c : rm.animations[0]->channels) {
        bool moderate = true;
        for (const Matrix4& m : c->poseMatrices) moderate = moderate && Moderate(m.Data(), 16);
        for (float t : {0.0f, 0.03f, 0.5f, 1.0f, 2.5f, 17.0f, 1e6f}) {
            rm.frameCounter = 1;
            const Matrix4 r = EvaluateChannel(rm, t, *c);
            if (moderate) Check(Moderate(r.Data(), 16), "a pose between moderate matrices is not finite");
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CModel model;
    model.name.SetAscii("model");
    AddBone(model, "Bone");
    AddBone(model, "Bone_001");
    {
        fuzzbound::Scope bound(size, 1536, 16);
        // Once as the viewer reads it (target checked), once unchecked.
        const bool checked = ParseAnimation(model, bytes, true).IsOk();
        Check(checked || model.animations.Count() == 0, "a refused animation was appended");
        const int before = model.animations.Count();
        const bool unchecked = ParseAnimation(model, bytes, false).IsOk();
        Check(!unchecked || model.animations.Count() == before + 1,
              "a successful read did not append exactly one animation");
    }
    if (model.animations.Count() == 0) return 0;
    EvaluateAll(model);

    CName id;
    id.SetAscii("fuzz");
    std::string written;
    Check(SerializeAnimation(model, id, written), "a model with an animation did not serialise");
    const CAnimation* first = model.animations[0];
    CModel again;
    again.name.SetAscii("model");
    Check(ParseAnimation(again, written, true).IsOk() && again.animations.Count() == 1,
          "a written animation does not read back");
    const CAnimation* second = again.animations[0];
    Check(second->channels.Count() == first->channels.Count(), "a written animation lost channels");
    for (int i = 0; i < first->channels.Count(); ++i) {
        const CAnimationChannel* a = first->channels[i];
        const CAnimationChannel* b = second->channels[i];
        Check(a->poseMatrices.Count() == b->poseMatrices.Count(), "a written channel lost matrices");
        // The key-time line is cut at 39,999 bytes; shorter ones come back whole.
        if (a->keyTimes.Count() < 700) Check(a->keyTimes.Count() == b->keyTimes.Count(), "a written channel lost keys");
    }
    return 0;
}
