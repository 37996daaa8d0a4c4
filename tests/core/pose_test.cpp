// Pose evaluation: key interpolation, wrapping, the counter, the bone passes,
// and skinned vertex positions checked against geometry worked out here.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <vector>

#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

namespace {

// --- model-side (column-vector) matrices, built by hand -------------------
struct Col {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

Col Translate(float x, float y, float z) {
    Col c;
    c.m[3] = x;
    c.m[7] = y;
    c.m[11] = z;
    return c;
}

Col RotateZ(double radians) {
    Col c;
    const float co = static_cast<float>(std::cos(radians)), si = static_cast<float>(std::sin(radians));
    c.m[0] = co;
    c.m[1] = -si;
    c.m[4] = si;
    c.m[5] = co;
    return c;
}

Col Mul(const Col& a, const Col& b) {
    Col r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += static_cast<double>(a.m[i * 4 + k]) * b.m[k * 4 + j];
            r.m[i * 4 + j] = static_cast<float>(s);
        }
    return r;
}

CBone* AddBone(CModel& model, const char* id, const Col& joint, const Col& invBind, CBone* parent) {
    auto* b = model.NewBone();
    b->id.SetAscii(id);
    b->name.SetAscii(id);
    std::copy(joint.m, joint.m + 16, b->jointMatrix);
    std::copy(invBind.m, invBind.m + 16, b->invBindMatrix);
    b->parent = parent;
    if (parent) parent->children.Add(b);
    else model.rootBones.Add(b);
    model.bones.Add(b);
    return b;
}

CAnimationChannel* AddChannel(CAnimation& a, const char* target, std::initializer_list<float> times,
                              std::initializer_list<Col> poses) {
    auto* c = a.channels.AddNew();
    c->targetId.SetAscii(target);
    for (float t : times) c->keyTimes.Add(t);
    for (const Col& p : poses) {
        CMatrixValue v;
        std::copy(p.m, p.m + 16, v.m);
        c->poseMatrices.Add(v);
    }
    return c;
}

// --- render-side helpers ---------------------------------------------------
Matrix4 Filled(float base) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.Data()[i] = base + static_cast<float>(i);
    return m;
}

std::unique_ptr<CRenderChannel> MakeChannel(std::initializer_list<float> times,
                                            std::initializer_list<float> poseBases) {
    auto c = std::make_unique<CRenderChannel>();
    for (float t : times) c->keyTimes.Add(t);
    for (float b : poseBases) c->poseMatrices.Add(Filled(b));
    return c;
}

void ExpectMatrixEq(const Matrix4& a, const Matrix4& b, float tol = 0.0f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.Data()[i], b.Data()[i], tol) << "element " << i;
}

bool Finite(const Matrix4& m) {
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.Data()[i])) return false;
    return true;
}

struct P3 {
    double x, y, z;
};

}  // namespace

TEST(LerpMatrix, BlendsEveryElement) {
    const Matrix4 a = Filled(0), b = Filled(10);
    ExpectMatrixEq(LerpMatrix(a, b, 0.0f), a);
    ExpectMatrixEq(LerpMatrix(a, b, 1.0f), b);
    const Matrix4 q = LerpMatrix(a, b, 0.25f);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(q.Data()[i], static_cast<float>(i) + 2.5f);
}

TEST(EvaluateChannel, WithoutMatricesIsIdentity) {
    CRenderModel model;
    model.frameCounter = 7;
    const auto c = MakeChannel({0, 1, 2}, {});
    ExpectMatrixEq(EvaluateChannel(model, 1.5f, *c), Matrix4::Identity());
    EXPECT_EQ(model.frameCounter, 7u);
}

TEST(EvaluateChannel, OneKeyGivesItsMatrixAtEveryTime) {
    CRenderModel model;
    const auto at2 = MakeChannel({2}, {5});
    for (float t : {0.0f, 1.0f, 2.0f, 7.5f}) ExpectMatrixEq(EvaluateChannel(model, t, *at2), Filled(5));
    const auto at0 = MakeChannel({0}, {9});
    model.frameCounter = 300;
    for (float t : {0.0f, 0.5f, 100.0f}) ExpectMatrixEq(EvaluateChannel(model, t, *at0), Filled(9));
    // A key at 0 has no length to loop over and must not hold the counter at 0.
    EXPECT_EQ(model.frameCounter, 300u);
}

TEST(EvaluateChannel, BetweenKeysIsTheElementWiseBlend) {
    CRenderModel model;
    const auto c = MakeChannel({0, 1, 2}, {0, 100, 200});
    // t = 1.5: the average of the second and third matrices.
    ExpectMatrixEq(EvaluateChannel(model, 1.5f, *c), Filled(150), 1e-4f);
    ExpectMatrixEq(EvaluateChannel(model, 0.25f, *c), Filled(25), 1e-4f);
    ExpectMatrixEq(EvaluateChannel(model, 1.0f, *c), Filled(100), 1e-4f);
    ExpectMatrixEq(EvaluateChannel(model, 0.0f, *c), Filled(0));
}

TEST(EvaluateChannel, BeforeTheFirstKeyHoldsTheFirstPose) {
    CRenderModel model;
    const auto c = MakeChannel({1, 2}, {10, 20});
    ExpectMatrixEq(EvaluateChannel(model, 0.5f, *c), Filled(10));
    ExpectMatrixEq(EvaluateChannel(model, -3.0f, *c), Filled(10));
    ExpectMatrixEq(EvaluateChannel(model, std::nanf(""), *c), Filled(10));
}

TEST(EvaluateChannel, PastTheLastKeyResetsTheCounterAndGivesTheFirstPose) {
    CRenderModel model;
    model.frameCounter = 151;
    const auto c = MakeChannel({0.5f, 1, 3}, {10, 20, 30});
    ExpectMatrixEq(EvaluateChannel(model, 3.02f, *c), Filled(10));
    EXPECT_EQ(model.frameCounter, 0u);
}

TEST(EvaluateChannel, TheLastKeyTimeWrapsToZero) {
    CRenderModel model;
    model.frameCounter = 100;
    const auto c = MakeChannel({0, 2}, {0, 100});
    ExpectMatrixEq(EvaluateChannel(model, 2.0f, *c), Filled(0));
    EXPECT_EQ(model.frameCounter, 100u);  // t == last is not past it
}

TEST(EvaluateChannel, TimeIsQuantisedToTenThousandths) {
    CRenderModel model;
    const auto c = MakeChannel({0, 1}, {0, 10000});
    // 0.00019 steps down to 0.0001: a blend of 1/10000.
    const Matrix4 r = EvaluateChannel(model, 0.00019f, *c);
    EXPECT_NEAR(r.Data()[0], 1.0f, 1e-3);
}

// --- the open cases: no division by zero, no read past an array, no NaN ---

TEST(EvaluateChannel, LastKeyBelowOneStepHoldsTheFirstPose) {
    CRenderModel model;
    model.frameCounter = 40;
    const auto c = MakeChannel({0, 0.00005f}, {3, 4});
    for (float t : {0.0f, 0.00003f, 0.8f, 1000.0f}) {
        const Matrix4 r = EvaluateChannel(model, t, *c);
        EXPECT_TRUE(Finite(r));
        ExpectMatrixEq(r, Filled(3));
    }
    EXPECT_EQ(model.frameCounter, 40u);
    const auto negative = MakeChannel({-2, -1}, {3, 4});
    ExpectMatrixEq(EvaluateChannel(model, 0.5f, *negative), Filled(3));
}

TEST(EvaluateChannel, MatricesWithoutKeyTimesHoldTheFirstPose) {
    CRenderModel model;
    model.frameCounter = 9;
    const auto c = MakeChannel({}, {6, 7});
    ExpectMatrixEq(EvaluateChannel(model, 0.0f, *c), Filled(6));
    ExpectMatrixEq(EvaluateChannel(model, 42.0f, *c), Filled(6));
    EXPECT_EQ(model.frameCounter, 9u);
}

TEST(EvaluateChannel, FewerMatricesThanKeysUseOnlyThePairedKeys) {
    CRenderModel model;
    // Keys 2 and 3 have no matrix: the channel ends at key 1.
    const auto c = MakeChannel({0, 1, 2, 3}, {0, 100});
    ExpectMatrixEq(EvaluateChannel(model, 0.5f, *c), Filled(50), 1e-4f);
    model.frameCounter = 125;
    ExpectMatrixEq(EvaluateChannel(model, 2.5f, *c), Filled(0));
    EXPECT_EQ(model.frameCounter, 0u);
}

TEST(EvaluateChannel, MoreMatricesThanKeysIgnoreTheSurplus) {
    CRenderModel model;
    const auto c = MakeChannel({0, 1}, {0, 100, 200, 300});
    ExpectMatrixEq(EvaluateChannel(model, 0.5f, *c), Filled(50), 1e-4f);
}

TEST(EvaluateChannel, EqualNeighbouringKeysNeverDivideByZero) {
    CRenderModel model;
    const auto c = MakeChannel({0, 1, 1, 2}, {0, 100, 200, 300});
    for (float t = 0.0f; t < 2.0f; t += 0.05f) EXPECT_TRUE(Finite(EvaluateChannel(model, t, *c))) << t;
    ExpectMatrixEq(EvaluateChannel(model, 1.0f, *c), Filled(100), 1e-4f);
    ExpectMatrixEq(EvaluateChannel(model, 1.5f, *c), Filled(250), 1e-3f);
    const auto flat = MakeChannel({1, 1, 1}, {0, 100, 200});
    for (float t : {0.0f, 0.5f, 1.0f}) EXPECT_TRUE(Finite(EvaluateChannel(model, t, *flat)));
}

TEST(EvaluateChannel, DamagedKeyTimesGiveFiniteMatrices) {
    CRenderModel model;
    const float inf = INFINITY, nan = NAN;
    std::vector<std::unique_ptr<CRenderChannel>> cases;
    cases.push_back(MakeChannel({0, nan, 2}, {0, 100, 200}));
    cases.push_back(MakeChannel({0, 1, nan}, {0, 100, 200}));
    cases.push_back(MakeChannel({-inf, 1, 2}, {0, 100, 200}));
    cases.push_back(MakeChannel({0, 1, inf}, {0, 100, 200}));
    cases.push_back(MakeChannel({3, 1, 2, 0.5f}, {0, 1, 2, 3}));
    cases.push_back(MakeChannel({0, 1e30f}, {0, 100}));
    for (const auto& c : cases)
        for (float t : {0.0f, 0.7f, 1.5f, 2.5f, 1e6f}) EXPECT_TRUE(Finite(EvaluateChannel(model, t, *c))) << t;
}

// --- UpdatePose ------------------------------------------------------------

namespace {

// Root at (0, 0, 1); its child "Arm" 1 along X. Inverse bind matrices undo
// the bind-pose globals. The flat list holds the child first.
struct Skeleton {
    CModel model;
    CBone* root;
    CBone* arm;
    Col rootJoint = Translate(0, 0, 1);
    Col armJoint = Translate(1, 0, 0);

    Skeleton() {
        root = model.NewBone();
        root->id.SetAscii("Root");
        std::copy(rootJoint.m, rootJoint.m + 16, root->jointMatrix);
        Col rootInv = Translate(0, 0, -1);
        std::copy(rootInv.m, rootInv.m + 16, root->invBindMatrix);
        model.rootBones.Add(root);
        arm = model.NewBone();
        arm->id.SetAscii("Arm");
        std::copy(armJoint.m, armJoint.m + 16, arm->jointMatrix);
        Col armInv = Translate(-1, 0, -1);
        std::copy(armInv.m, armInv.m + 16, arm->invBindMatrix);
        arm->parent = root;
        root->children.Add(arm);
        model.bones.Add(arm);   // flat index 0
        model.bones.Add(root);  // flat index 1
    }
};

// Bind-shape vertex times the weighted W matrices, as the vertex shader does.
P3 Skin(const CRenderModel& rm, const Matrix4& bindShape, P3 v, std::initializer_list<std::pair<int, float>> weights) {
    const Vector4 b =
        TransformRow({static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z), 1}, bindShape);
    P3 out{0, 0, 0};
    for (auto [bone, w] : weights) {
        const Vector4 p = TransformRow(b, rm.bones[bone]->pose);
        out.x += w * p.x;
        out.y += w * p.y;
        out.z += w * p.z;
    }
    return out;
}

void ExpectNear(P3 a, P3 b, double tol = 1e-5) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
}

// p turned by `radians` about the Z axis through `pivot`.
P3 TurnAboutZ(P3 p, P3 pivot, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    const double dx = p.x - pivot.x, dy = p.y - pivot.y;
    return {pivot.x + c * dx - s * dy, pivot.y + s * dx + c * dy, p.z};
}

}  // namespace

TEST(UpdatePose, TwoBoneArmTurnsAboutItsJoint) {
    const double quarter = std::acos(-1.0) / 2;
    Skeleton sk;
    auto* a = sk.model.animations.AddNew();
    AddChannel(*a, "Root", {0, 2}, {sk.rootJoint, sk.rootJoint});
    const Col turned = Mul(sk.armJoint, RotateZ(quarter));
    AddChannel(*a, "Arm", {0, 1, 2}, {sk.armJoint, turned, turned});

    CRenderModel rm;
    ASSERT_TRUE(rm.CopyBones(sk.model));
    ASSERT_TRUE(rm.CopyAnimations(sk.model));
    // The mesh sits half a unit low; its bind shape matrix lifts it.
    const Matrix4 bindShape = TransposeMatrix(Matrix4::FromFloats(Translate(0, 0, 0.5f).m));
    const P3 joint{1, 0, 1};
    const P3 tip{2, 0, 1}, nearRoot{0.5, 0, 1}, elbow{1.5, 0.2, 1};

    // t = 1 (counter 50): the arm is turned by a quarter.
    rm.frameCounter = 50;
    ASSERT_TRUE(rm.UpdatePose());
    ExpectNear(Skin(rm, bindShape, {2, 0, 0.5}, {{0, 1.0f}}), TurnAboutZ(tip, joint, quarter));
    ExpectNear(Skin(rm, bindShape, {0.5, 0, 0.5}, {{1, 1.0f}}), nearRoot);
    const P3 turnedElbow = TurnAboutZ(elbow, joint, quarter);
    ExpectNear(Skin(rm, bindShape, {1.5, 0.2, 0.5}, {{1, 0.25f}, {0, 0.75f}}),
               {0.25 * elbow.x + 0.75 * turnedElbow.x, 0.25 * elbow.y + 0.75 * turnedElbow.y, 1});

    // Mid time between the unturned and the turned key (counter 25, t = 0.5):
    // the key matrices blend element by element, so a vertex of the arm lies
    // midway between its two key positions.
    rm.frameCounter = 25;
    ASSERT_TRUE(rm.UpdatePose());
    const P3 turnedTip = TurnAboutZ(tip, joint, quarter);
    ExpectNear(Skin(rm, bindShape, {2, 0, 0.5}, {{0, 1.0f}}),
               {(tip.x + turnedTip.x) / 2, (tip.y + turnedTip.y) / 2, 1});
    ExpectNear(Skin(rm, bindShape, {0.5, 0, 0.5}, {{1, 1.0f}}), nearRoot);
    EXPECT_EQ(rm.frameCounter, 25u);
}

TEST(UpdatePose, MovingTheRootCarriesTheChild) {
    Skeleton sk;
    auto* a = sk.model.animations.AddNew();
    // The root turns by 90 degrees about its own origin; the arm stays bent as bound.
    const double quarter = std::acos(-1.0) / 2;
    AddChannel(*a, "Root", {0, 1}, {Mul(sk.rootJoint, RotateZ(quarter)), sk.rootJoint});
    CRenderModel rm;
    rm.CopyBones(sk.model);
    rm.CopyAnimations(sk.model);
    rm.frameCounter = 0;
    ASSERT_TRUE(rm.UpdatePose());
    const Matrix4 identity;
    ExpectNear(Skin(rm, identity, {2, 0, 1}, {{0, 1.0f}}), TurnAboutZ({2, 0, 1}, {0, 0, 1}, quarter));
    ExpectNear(Skin(rm, identity, {0.5, 0, 1}, {{1, 1.0f}}), {0, 0.5, 1});
}

TEST(UpdatePose, BindPoseMatricesGiveIdentityEverywhere) {
    CModel model;
    const Col j0 = Mul(Translate(1, 2, 3), RotateZ(0.3));
    const Col j1 = Mul(Translate(0, 1, 0), RotateZ(-1.1));
    const Col j2 = Translate(0.5, 0, 2);
    CBone* b0 = AddBone(model, "B0", j0, RotateZ(0.7), nullptr);
    CBone* b1 = AddBone(model, "B1", j1, Translate(3, 1, 0), b0);
    AddBone(model, "B2", j2, Mul(RotateZ(2.0), Translate(0, 0, -4)), b1);
    auto* a = model.animations.AddNew();
    AddChannel(*a, "B0", {0, 1}, {j0, j0});
    AddChannel(*a, "B1", {0, 1}, {j1, j1});
    AddChannel(*a, "Ghost", {0, 1}, {RotateZ(1.0), RotateZ(2.0)});  // names no bone
    // B2 has no channel: it keeps its bind pose

    CRenderModel rm;
    rm.CopyBones(model);
    rm.CopyAnimations(model);
    EXPECT_EQ(rm.animations[0]->channels[2]->bone, nullptr);
    rm.frameCounter = 20;
    ASSERT_TRUE(rm.UpdatePose());
    for (const CRenderBone* b : rm.bones) ExpectMatrixEq(b->pose, Matrix4::Identity(), 1e-5f);
    ExpectMatrixEq(rm.bones[2]->local, rm.bones[2]->joint);
}

TEST(UpdatePose, NothingToPlayLeavesTheModelUntouched) {
    Skeleton sk;
    CRenderModel rm;
    rm.CopyBones(sk.model);
    const Matrix4 marker = Filled(3);
    rm.bones[0]->pose = marker;
    rm.frameCounter = 99999;
    EXPECT_FALSE(rm.UpdatePose());  // no animations
    auto* a = sk.model.animations.AddNew();
    AddChannel(*a, "Arm", {0, 1}, {Col{}, Col{}});
    rm.CopyAnimations(sk.model);
    rm.activeAnimation = 1;
    EXPECT_FALSE(rm.UpdatePose());
    rm.activeAnimation = -1;
    EXPECT_FALSE(rm.UpdatePose());
    ExpectMatrixEq(rm.bones[0]->pose, marker);
    EXPECT_EQ(rm.frameCounter, 99999u);
    rm.activeAnimation = 0;
    EXPECT_TRUE(rm.UpdatePose());
    EXPECT_EQ(rm.frameCounter, 0u);  // 2000 is past the last key

    CRenderModel noBones;
    noBones.CopyAnimations(sk.model);
    EXPECT_FALSE(noBones.UpdatePose());
}

TEST(UpdatePose, EveryChannelSeesTheSameTimeWhenOneResetsTheCounter) {
    Skeleton sk;
    auto* a = sk.model.animations.AddNew();
    AddChannel(*a, "Arm", {0, 1}, {sk.armJoint, sk.armJoint});
    AddChannel(*a, "Root", {0, 4}, {Translate(0, 0, 0), Translate(0, 0, 4)});
    CRenderModel rm;
    rm.CopyBones(sk.model);
    rm.CopyAnimations(sk.model);
    rm.frameCounter = 100;  // t = 2: past the arm's end, in the middle of the root's
    ASSERT_TRUE(rm.UpdatePose());
    EXPECT_EQ(rm.frameCounter, 0u);
    EXPECT_NEAR(rm.bones[1]->local.m[3][2], 2.0f, 1e-5);  // root at t = 2, not 0
}

TEST(UpdatePose, ARootWithoutChannelKeepsItsLastAnimatedLocal) {
    Skeleton sk;
    auto* first = sk.model.animations.AddNew();
    AddChannel(*first, "Root", {0, 1}, {Translate(0, 0, 5), Translate(0, 0, 5)});
    auto* second = sk.model.animations.AddNew();
    AddChannel(*second, "Arm", {0, 1}, {sk.armJoint, sk.armJoint});
    CRenderModel rm;
    rm.CopyBones(sk.model);
    rm.CopyAnimations(sk.model);
    EXPECT_TRUE(rm.UpdatePose());
    rm.activeAnimation = 1;
    rm.bones[0]->local = Filled(1);  // a child's L goes back to J
    EXPECT_TRUE(rm.UpdatePose());
    EXPECT_FLOAT_EQ(rm.bones[1]->local.m[3][2], 5.0f);
    ExpectMatrixEq(rm.bones[0]->local, rm.bones[0]->joint);
}
