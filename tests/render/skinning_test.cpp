// The bone palette and the skinned vertex program: a bar of two halves, each
// bound to one bone, posed by writing the bones' pose matrices.
#include <string>

#include "tests/render/gpu_fixture.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 320;

// A bar from x = -2 to 2, 0.4 high, in the plane y = 0; the left half is
// bound to bone 0, the right half to bone 1 (weights as `weight`).
void MakeBar(CModel& model, float weight = 1.0f) {
    CGeometry* g = AddQuads(model,
                            {{{-2, 0, -0.2f}, {0, 0, -0.2f}, {0, 0, 0.2f}, {-2, 0, 0.2f}},
                             {{0, 0, -0.2f}, {2, 0, -0.2f}, {2, 0, 0.2f}, {0, 0, 0.2f}}},
                            {0, -1, 0}, "");
    g->weights = std::make_unique<CWeights>(8);
    g->weightCount = 8;
    for (int v = 0; v < 8; ++v) {
        g->weights->Row(v)[0] = {v < 4 ? 0.0f : 1.0f, weight};
    }
    auto* parent = model.NewBone();
    parent->id.SetAscii("root");
    parent->name.SetAscii("root");
    auto* child = model.NewBone();
    child->id.SetAscii("child");
    child->name.SetAscii("child");
    child->parent = parent;
    parent->children.Add(child);
    model.bones.Add(parent);
    model.bones.Add(child);
    model.rootBones.Add(parent);
}

// Root bones until the model has `count`.
void AddRootBones(CModel& model, int count) {
    for (int i = model.bones.Count(); i < count; ++i) {
        auto* extra = model.NewBone();
        extra->id.SetAscii("extra" + std::to_string(i));
        extra->name = extra->id;
        model.bones.Add(extra);
        model.rootBones.Add(extra);
    }
}

// Quarter turn about the view axis (y) through the origin: +x goes to +z.
Matrix4 QuarterTurn() {
    Matrix4 m;
    m.m[0][0] = 0;
    m.m[0][2] = 1;
    m.m[2][0] = -1;
    m.m[2][2] = 0;
    return m;
}

bool Covered(const std::vector<unsigned char>& frame, const CRenderer& r, Vector3 p) {
    const Pixel px = ProjectToPixel(r, p, kW, kH);
    return !IsBackground(PixelAt(frame, kW, px.x, px.y));
}

}  // namespace

class SkinningTest : public GpuTest {
protected:
    void TearDown() override {
        if (renderer) render.ReleaseGpu();
    }
    void Light() {
        renderer->LightColor[0] = {1, 1, 1, 1};
        renderer->LightPos[0] = {0, -4, 1, 0};
    }
    // The frame with `bone` given a quarter turn.
    std::vector<unsigned char> Turned(int bone) {
        Light();
        render.pose.bones[bone]->pose = QuarterTurn();
        return RenderFrame(&render, kW, kH);
    }
    CModel model;
    CRenderModelGpu render;
};

TEST_F(SkinningTest, ChildHalfFollowsItsBoneThroughTheUploadedPalette) {
    MakeBar(model);
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    ASSERT_EQ(render.pose.bones.Count(), 2);
    Light();
    const auto rest = RenderFrame(&render, kW, kH);
    SavePng("two_bones_rest", rest, kW, kH);
    EXPECT_TRUE(Covered(rest, *renderer, {-1, 0, 0}));
    EXPECT_TRUE(Covered(rest, *renderer, {1, 0, 0}));
    EXPECT_FALSE(Covered(rest, *renderer, {0, 0, 1}));

    // No animation: the pose stays what we write into the bones.
    const auto posed = Turned(1);
    SavePng("two_bones_posed", posed, kW, kH);
    EXPECT_TRUE(Covered(posed, *renderer, {-1, 0, 0}));  // parent half unchanged
    EXPECT_FALSE(Covered(posed, *renderer, {1, 0, 0}));  // child half has left...
    EXPECT_TRUE(Covered(posed, *renderer, {0, 0, 1}));   // ...and stands upright
    EXPECT_TRUE(Covered(posed, *renderer, {0, 0, 1.8f}));
    EXPECT_FALSE(Covered(posed, *renderer, {0.5f, 0, 1}));
}

TEST_F(SkinningTest, PlainProgramIgnoresThePalette) {
    MakeBar(model);
    ASSERT_TRUE(render.Build(*renderer, &model, false));
    const auto frame = Turned(1);
    EXPECT_TRUE(Covered(frame, *renderer, {1, 0, 0}));
    EXPECT_FALSE(Covered(frame, *renderer, {0, 0, 1}));
}

TEST_F(SkinningTest, VerticesWithoutWeightsKeepTheBindShapeTransform) {
    MakeBar(model, 0.0f);
    // The bind shape lifts the bar by one unit.
    model.geometries[0]->bindShapeMatrix[11] = 1.0f;
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const auto skinned = Turned(1);
    EXPECT_TRUE(Covered(skinned, *renderer, {1, 0, 1}));
    EXPECT_FALSE(Covered(skinned, *renderer, {1, 0, 0}));
}

TEST_F(SkinningTest, BoneIndexJustBelowAWholeNumberSelectsThatBone) {
    MakeBar(model);
    for (int v = 4; v < 8; ++v) model.geometries[0]->weights->Row(v)[0].boneIndex = 0.99999f;
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const auto frame = Turned(1);
    EXPECT_TRUE(Covered(frame, *renderer, {0, 0, 1}));
}

TEST_F(SkinningTest, ModelWithMoreBonesThanThePaletteDrawsTheFirst255) {
    MakeBar(model);
    // 300 bones; the right half is bound to bone 1, as before.
    AddRootBones(model, 300);
    testing::internal::CaptureStderr();
    const Outcome built = render.Build(*renderer, &model, true);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // the caller shows the note
    ASSERT_TRUE(built);
    const std::string said = built.notes.empty() ? std::string() : built.notes[0];
    EXPECT_NE(said.find("300 bones"), std::string::npos) << said;
    ASSERT_EQ(render.pose.bones.Count(), 300);
    testing::internal::CaptureStderr();
    const auto frame = Turned(1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // said once, at build
    EXPECT_TRUE(Covered(frame, *renderer, {0, 0, 1}));
}

TEST_F(SkinningTest, InfluenceOfABonePastThePaletteIsLeftOut) {
    MakeBar(model);
    AddRootBones(model, 300);
    // The right half hangs on bone 299, which has no palette entry.
    for (int v = 4; v < 8; ++v) model.geometries[0]->weights->Row(v)[0].boneIndex = 299.0f;
    testing::internal::CaptureStderr();
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    testing::internal::GetCapturedStderr();
    const auto frame = Turned(299);
    // Drawn with the bind-shape transform: still horizontal, not collapsed.
    EXPECT_TRUE(Covered(frame, *renderer, {1, 0, 0}));
    EXPECT_FALSE(Covered(frame, *renderer, {0, 0, 1}));
}
