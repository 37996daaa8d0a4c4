// libFuzzer harness for the .ani reader: any bytes must parse without a
// crash or leak, and what was read must survive a write and a second read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/ani_file.h"
#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}

bool Moderate(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (!(v[i] > -1e30f && v[i] < 1e30f)) return false;
    return true;
}

// Whatever the key times say, poses between moderate matrices stay finite.
void EvaluateAll(const CModel& model) {
    CRenderModel rm;
    rm.CopyAnimations(model);
    for (const CRenderChannel* c : rm.animations[0]->channels) {
        bool moderate = true;
        for (const Matrix4& m : c->poseMatrices) moderate = moderate && Moderate(m.Data(), 16);
        for (float t : {0.0f, 0.03f, 0.5f, 1.0f, 2.5f, 17.0f, 1e6f}) {
            rm.frameCounter = 1;
            const Matrix4 r = EvaluateChannel(rm, t, *c);
            if (moderate) Check(Moderate(r.Data(), 16));
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CModel model;
    model.name.SetAscii("Room");
    if (!ParseAnimation(model, bytes, /*checkTarget=*/true)) {
        Check(model.animations.Count() == 0);
        return 0;
    }
    Check(model.animations.Count() == 1);
    CAnimation* first = model.animations[0];
    EvaluateAll(model);

    std::string written;
    Check(SerializeAnimation(model, first->id, written));
    CModel again;
    again.name = model.name;
    Check(ParseAnimation(again, written, true).IsOk());
    const CAnimation* second = again.animations[0];
    Check(second->channels.Count() == first->channels.Count());
    for (int i = 0; i < first->channels.Count(); ++i) {
        const CAnimationChannel* a = first->channels[i];
        const CAnimationChannel* b = second->channels[i];
        Check(a->poseMatrices.Count() == b->poseMatrices.Count());
        // The key-time line is cut at 39,999 bytes; shorter ones come back whole.
        if (a->keyTimes.Count() < 700) Check(a->keyTimes.Count() == b->keyTimes.Count());
    }
    return 0;
}
