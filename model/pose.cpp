// Pose evaluation: the playing animation of a render model turned into one
// skinning matrix W per bone.
#include <algorithm>
#include <cmath>

#include "model/render_model.h"

namespace {
constexpr float kTicksPerTimeUnit = 50.0f;
constexpr float kTimeSteps = 10000.0f;  // the wrap works on 0.0001-unit steps
}  // namespace

Matrix4 LerpMatrix(const Matrix4& a, const Matrix4& b, float s) {
    Matrix4 r;
    const float* pa = a.Data();
    const float* pb = b.Data();
    float* pr = r.Data();
    for (int i = 0; i < 16; ++i) pr[i] = (pb[i] - pa[i]) * s + pa[i];
    return r;
}

Matrix4 EvaluateChannel(CRenderModel& model, float t, const CRenderChannel& channel) {
    const int matrices = channel.poseMatrices.Count();
    if (matrices <= 0) return Matrix4::Identity();
    const Matrix4* poses = channel.poseMatrices.begin();

    // Key k and matrix k belong together; keys without a matrix and matrices
    // without a key take no part.
    const int keys = channel.keyTimes.Count();
    const int n = keys < matrices ? keys : matrices;
    if (n <= 0) return poses[0];  // a pose without a time holds
    const float* times = channel.keyTimes.begin();
    const float last = times[n - 1];

    // A channel shorter than one wrap step (or whose last key is no number)
    // has no length to loop over: it holds its first pose and must not
    // restart the whole animation on every update.
    const float lastSteps = last * kTimeSteps;
    if (!(lastSteps >= 1.0f)) return poses[0];

    if (!(t >= 0.0f)) t = 0.0f;
    if (t > last) {
        model.frameCounter = 0;
        t = 0.0f;
    }
    // Wrap: (whole steps of t) modulo (whole steps of last). As t <= last
    // here, the modulo only turns t == last into 0.
    const double tSteps = std::trunc(static_cast<double>(t * kTimeSteps));
    const double wrapped = tSteps >= std::trunc(static_cast<double>(lastSteps)) ? 0.0 : tSteps;
    const float tw = static_cast<float>(wrapped / 10000.0);

    int i = 0;
    while (i < n && !(tw <= times[i])) ++i;
    if (i == 0) return poses[0];
    if (i == n) return poses[n - 1];  // only with keys out of order
    // Keys between which tw lies are ordinarily increasing (tw > times[i-1]
    // and tw <= times[i]); infinite keys still make s a non-number.
    float s = (tw - times[i - 1]) / (times[i] - times[i - 1]);
    if (!(s >= 0.0f)) s = 0.0f;
    if (s > 1.0f) s = 1.0f;
    return LerpMatrix(poses[i - 1], poses[i], s);
}

float CRenderModel::LoopLength() const { return LoopLengthOf(activeAnimation); }

float CRenderModel::LoopLengthOf(int k) const {
    if (k < 0 || k >= animations.Count() || !animations[k]) return 0.0f;
    float shortest = 0.0f;
    for (const CRenderChannel* c : animations[k]->channels) {
        if (!c) continue;
        const int n = std::min(c->keyTimes.Count(), c->poseMatrices.Count());
        const float last = n > 0 ? c->keyTimes[n - 1] : 0.0f;
        if (last * kTimeSteps >= 1.0f && (shortest == 0.0f || last < shortest)) shortest = last;
    }
    return shortest;
}

bool CRenderModel::UpdatePose() {
    if (bindPose && rootBones.Count() > 0) {
        if (poseOrder_.empty()) RebuildPoseOrder();
        // W = B J (B J)^-1 W(parent) is the identity all the way down.
        for (CRenderBone* b : poseOrder_) {
            b->local = b->joint;
            b->pose = Matrix4::Identity();
        }
        return true;
    }
    const int k = activeAnimation;
    if (k < 0 || k >= animations.Count() || rootBones.Count() == 0) return false;
    const CRenderAnimation* animation = animations[k];
    if (!animation) return false;
    if (poseOrder_.empty()) RebuildPoseOrder();  // bones set up by hand

    // One time for every channel of this update, even if one resets the counter.
    const std::uint32_t counter = frameCounter;
    const float t = static_cast<float>(counter) / kTicksPerTimeUnit;

    for (CRenderBone* b : poseOrder_) {
        b->pose = Matrix4::Identity();
        if (b->parent) b->local = b->joint;  // a root keeps its last animated L
    }
    for (const CRenderChannel* c : animation->channels)
        if (c && c->bone) c->bone->local = EvaluateChannel(*this, t, *c);
    // Parents come before their children in poseOrder_.
    for (CRenderBone* b : poseOrder_) {
        const Matrix4 bindInverse = InverseMatrix(MultiplyMatrix(b->invBind, b->joint));
        Matrix4 w = MultiplyMatrix(MultiplyMatrix(b->invBind, b->local), bindInverse);
        if (b->parent) w = MultiplyMatrix(w, b->parent->pose);
        b->pose = w;
    }
    return true;
}
