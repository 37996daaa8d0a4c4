#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "model/ani_file.h"
#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

namespace {

constexpr int kBones = 255;
constexpr int kKeys = 100;

void SetRigid(float* m, double angle, float x, float y, float z) {
    // Column-vector convention: rotation about Z, translation in 3, 7, 11.
    const float c = static_cast<float>(std::cos(angle)), s = static_cast<float>(std::sin(angle));
    const float v[16] = {c, -s, 0, x, s, c, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
    std::copy(v, v + 16, m);
}

// A 255-bone binary tree (8 levels) with one 100-key channel per bone.
void BuildModel(CModel& model) {
    model.name.SetAscii("Bench");
    for (int i = 0; i < kBones; ++i) {
        auto* b = model.NewBone();
        b->id.SetAscii("bone" + std::to_string(i));
        b->name = b->id;
        SetRigid(b->jointMatrix, 0.1 * i, 0.5f, 0.1f * (i % 3), 0.2f);
        SetRigid(b->invBindMatrix, -0.05 * i, -0.3f * i, 0.0f, -1.0f);
        if (i == 0) {
            model.rootBones.Add(b);
        } else {
            CBone* parent = model.bones[(i - 1) / 2];
            b->parent = parent;
            parent->children.Add(b);
        }
        model.bones.Add(b);
    }
    auto* a = model.animations.AddNew();
    for (int i = 0; i < kBones; ++i) {
        auto* c = a->channels.AddNew();
        c->targetId = model.bones[i]->id;
        c->bone = model.bones[i];
        for (int k = 0; k < kKeys; ++k) {
            c->keyTimes.Add(static_cast<float>(k) / 30.0f);
            CMatrixValue m;
            SetRigid(m.m, 0.01 * k + 0.1 * i, 0.5f, 0.01f * k, 0.2f);
            c->poseMatrices.Add(m);
        }
    }
}

}  // namespace

// One pose update of a 255-bone skeleton driven by 255 channels of 100 keys;
// the counter advances by one display tick (3) per update, so the key search
// sweeps the whole channel. Reports the time per bone.
static void BM_UpdatePose255Bones(benchmark::State& state) {
    CModel model;
    BuildModel(model);
    CRenderModel rm;
    rm.CopyBones(model);
    rm.CopyAnimations(model);
    for (auto _ : state) {
        rm.frameCounter += 3;
        benchmark::DoNotOptimize(rm.UpdatePose());
        benchmark::ClobberMemory();
    }
    // CPU seconds per bone (shown with an SI prefix: "104n" is 104 ns).
    state.counters["per_bone"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBones,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_UpdatePose255Bones);

// Reading the same animation from .ani text: 255 channels of 100 keys.
static void BM_ParseAnimation255x100(benchmark::State& state) {
    CModel source;
    BuildModel(source);
    std::string bytes;
    (void)SerializeAnimation(source, source.name, bytes);
    for (auto _ : state) {
        CModel model;
        model.name.SetAscii("Bench");
        benchmark::DoNotOptimize(ParseAnimation(model, bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ParseAnimation255x100)->Unit(benchmark::kMillisecond);

// The pieces of one bone's update.
static void BM_InverseMatrix(benchmark::State& state) {
    Matrix4 m;
    float f[16];
    SetRigid(f, 0.7, 1, 2, 3);
    m = Matrix4::FromFloats(f);
    for (auto _ : state) {
        benchmark::DoNotOptimize(m);
        Matrix4 r = InverseMatrix(m);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_InverseMatrix);

static void BM_MultiplyMatrix(benchmark::State& state) {
    float f[16];
    SetRigid(f, 0.7, 1, 2, 3);
    Matrix4 a = Matrix4::FromFloats(f), b = TransposeMatrix(a);
    for (auto _ : state) {
        benchmark::DoNotOptimize(a);
        benchmark::DoNotOptimize(b);
        Matrix4 r = MultiplyMatrix(a, b);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_MultiplyMatrix);

static void BM_EvaluateChannel100Keys(benchmark::State& state) {
    CModel model;
    BuildModel(model);
    CRenderModel rm;
    rm.CopyBones(model);
    rm.CopyAnimations(model);
    const CRenderChannel& channel = *rm.animations[0]->channels[0];
    float t = 0;
    for (auto _ : state) {
        t += 0.06f;
        if (t > 3.3f) t = 0;
        benchmark::DoNotOptimize(EvaluateChannel(rm, t, channel));
    }
}
BENCHMARK(BM_EvaluateChannel100Keys);
