// The .ani reader on arbitrary bytes, into a model with a few bones so that
// channel targets resolve; then the writer on the animation that was read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/alloc_bound.h"
#include "model/animation.h"
#include "model/ani_file.h"

namespace {
void AddBone(CModel& model, const char* id) {
    CBone* bone = model.NewBone();
    bone->id.SetAscii(id);
    bone->name.SetAscii(id);
    model.bones.Add(bone);
    model.rootBones.Add(bone);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzbound::Install();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzzbound::Scope bound(size, 1536, 16);
    CModel model;
    model.name.SetAscii("model");
    AddBone(model, "Bone");
    AddBone(model, "Bone_001");

    // Once as the viewer reads it (target checked), once unchecked.
    const bool checked = ParseAnimation(model, bytes, true).IsOk();
    if (!checked && model.animations.Count() != 0) {
        std::fputs("a refused animation was appended\n", stderr);
        std::abort();
    }
    const int before = model.animations.Count();
    const bool unchecked = ParseAnimation(model, bytes, false).IsOk();
    if (unchecked && model.animations.Count() != before + 1) {
        std::fputs("a successful read did not append exactly one animation\n", stderr);
        std::abort();
    }
    if (model.animations.Count() == 0) return 0;

    CName id;
    id.SetAscii("fuzz");
    std::string written;
    if (!SerializeAnimation(model, id, written)) {
        std::fputs("a model with an animation did not serialise\n", stderr);
        std::abort();
    }
    const int channels = model.animations.Get(0)->channels.Count();
    CModel again;
    again.name.SetAscii("model");
    if (!ParseAnimation(again, written, true) || again.animations.Count() != 1 ||
        again.animations.Get(0)->channels.Count() != channels) {
        std::fputs("a written animation does not read back with its channels\n", stderr);
        std::abort();
    }
    return 0;
}
