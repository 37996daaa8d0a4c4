// Copying a model's bones and animations to its render-side copy.
#include <gtest/gtest.h>

#include <cmath>

#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"

namespace {

CBone* NewBone(CModel& model, const char* id) {
    CBone* b = model.NewBone();
    b->id.SetAscii(id);
    std::string name = std::string("name-") + id;
    b->name.SetAscii(name);
    return b;
}

void Link(CBone* parent, CBone* child) {
    parent->children.Add(child);
    child->parent = parent;
}

CName Id(const char* s) {
    CName n;
    n.SetAscii(s);
    return n;
}

}  // namespace

TEST(CopyBones, MirrorsTheListsWithTransposedMatrices) {
    CModel model;
    CBone* root = NewBone(model, "Root");
    CBone* child = NewBone(model, "Child");
    for (int i = 0; i < 16; ++i) {
        root->jointMatrix[i] = static_cast<float>(i);
        root->invBindMatrix[i] = static_cast<float>(100 + i);
    }
    root->boneType = static_cast<BoneType>(3);
    Link(root, child);
    model.rootBones.Add(root);
    model.bones.Add(child);
    model.bones.Add(root);

    CRenderModel rm;
    ASSERT_TRUE(rm.CopyBones(model));
    ASSERT_EQ(rm.bones.Count(), 2);
    ASSERT_EQ(rm.rootBones.Count(), 1);
    CRenderBone* rRoot = rm.bones[1];
    CRenderBone* rChild = rm.bones[0];
    EXPECT_EQ(rm.rootBones[0], rRoot);
    EXPECT_TRUE(rRoot->id == Id("Root"));
    EXPECT_TRUE(rRoot->name == Id("name-Root"));
    EXPECT_EQ(rRoot->boneType, static_cast<BoneType>(3));
    // Element (row r, column c) of the render matrix is element c*4+r of the model's.
    EXPECT_EQ(rRoot->joint.m[0][1], 4.0f);
    EXPECT_EQ(rRoot->joint.m[3][0], 3.0f);
    EXPECT_EQ(rRoot->invBind.m[1][2], 109.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(rRoot->local.m[r][c], r == c ? 1.0f : 0.0f);
            EXPECT_EQ(rRoot->pose.m[r][c], r == c ? 1.0f : 0.0f);
        }
    ASSERT_EQ(rRoot->children.Count(), 1);
    EXPECT_EQ(rRoot->children[0], rChild);
    EXPECT_EQ(rChild->parent, rRoot);
    EXPECT_EQ(rRoot->parent, nullptr);
    // A second copy would leave the animations pointing at released bones.
    EXPECT_FALSE(rm.CopyBones(model));
    EXPECT_EQ(rm.bones.Count(), 2);
}

TEST(CopyBones, TreeOnlyBonesGetRenderBonesAndArePosed) {
    // A .mdl tree can hold bones its flat list lacks.
    CModel model;
    CBone* root = NewBone(model, "Root");
    CBone* hidden = NewBone(model, "Hidden");
    CBone* leaf = NewBone(model, "Leaf");
    Link(root, hidden);
    Link(hidden, leaf);
    hidden->jointMatrix[3] = 2.0f;  // 2 along X
    model.rootBones.Add(root);
    model.bones.Add(root);
    model.bones.Add(leaf);
    auto* a = model.animations.AddNew();
    auto* c = a->channels.AddNew();
    c->targetId = Id("Root");
    c->keyTimes.Add(0);
    c->poseMatrices.Add(CMatrixValue{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}});

    CRenderModel rm;
    ASSERT_TRUE(rm.CopyBones(model));
    rm.CopyAnimations(model);
    ASSERT_EQ(rm.bones.Count(), 2);
    CRenderBone* rHidden = rm.bones[0]->children[0];
    ASSERT_NE(rHidden, nullptr);
    EXPECT_TRUE(rHidden->id == Id("Hidden"));
    EXPECT_EQ(rHidden->parent, rm.bones[0]);
    EXPECT_EQ(rHidden->children[0], rm.bones[1]);
    EXPECT_EQ(rm.bones[1]->parent, rHidden);
    // Not in the flat list, so not found by ID.
    EXPECT_EQ(rm.FindBone(&rHidden->id), nullptr);
    ASSERT_TRUE(rm.UpdatePose());
    EXPECT_EQ(rHidden->local.m[3][0], 2.0f);  // reset to its J like any child
    // Released once with the render model (checked by the sanitizer build).
}

TEST(CopyBones, ABoneListedTwiceIsOneRenderBone) {
    CModel model;
    CBone* root = NewBone(model, "Root");
    model.rootBones.Add(root);
    model.bones.Add(root);
    model.bones.Add(root);
    CRenderModel rm;
    ASSERT_TRUE(rm.CopyBones(model));
    ASSERT_EQ(rm.bones.Count(), 2);
    EXPECT_EQ(rm.bones[0], rm.bones[1]);
    EXPECT_EQ(rm.rootBones[0], rm.bones[0]);
}

TEST(CopyBones, ACycleInADamagedTreeEndsAndPoses) {
    CModel model;
    CBone* a = NewBone(model, "A");
    CBone* b = NewBone(model, "B");
    Link(a, b);
    Link(b, a);  // A is its own grandparent
    model.rootBones.Add(a);
    model.bones.Add(a);
    model.bones.Add(b);
    model.animations.AddNew();
    CRenderModel rm;
    ASSERT_TRUE(rm.CopyBones(model));
    rm.CopyAnimations(model);
    EXPECT_TRUE(rm.UpdatePose());
    for (const CRenderBone* bone : rm.bones)
        for (int i = 0; i < 16; ++i) EXPECT_TRUE(std::isfinite(bone->pose.Data()[i]));
}

TEST(CopyBones, AModelWithoutBonesCopiesNothing) {
    CModel model;
    CRenderModel rm;
    EXPECT_TRUE(rm.CopyBones(model));
    EXPECT_EQ(rm.bones.Count(), 0);
    EXPECT_EQ(rm.rootBones.Count(), 0);
}

TEST(FindBone, ExactFirstMatchOrNull) {
    CModel model;
    CBone* first = NewBone(model, "Hip");
    CBone* second = NewBone(model, "Hip");
    CBone* other = NewBone(model, "hip");
    model.rootBones.Add(first);
    model.rootBones.Add(second);
    model.rootBones.Add(other);
    model.bones.Add(first);
    model.bones.Add(second);
    model.bones.Add(other);
    CRenderModel rm;
    rm.CopyBones(model);
    const CName hip = Id("Hip"), lower = Id("hip"), none = Id("Nope");
    EXPECT_EQ(rm.FindBone(&hip), rm.bones[0]);
    EXPECT_EQ(rm.FindBone(&lower), rm.bones[2]);
    EXPECT_EQ(rm.FindBone(&none), nullptr);
    EXPECT_EQ(rm.FindBone(nullptr), nullptr);
}

TEST(CopyAnimation, CopiesKeysTransposesPosesAndFindsBones) {
    CModel model;
    CBone* hip = NewBone(model, "Hip");
    model.rootBones.Add(hip);
    model.bones.Add(hip);
    for (int n = 0; n < 2; ++n) {
        auto* a = model.animations.AddNew();
        a->id.SetAscii(n == 0 ? "walk" : "run");
        for (const char* target : {"Hip", "Tail"}) {
            auto* c = a->channels.AddNew();
            c->targetId = Id(target);
            c->keyTimes.Add(0.5f);
            c->keyTimes.Add(1.5f);
            CMatrixValue m{};
            for (int i = 0; i < 16; ++i) m.m[i] = static_cast<float>(i + n * 100);
            c->poseMatrices.Add(m);
        }
    }
    CRenderModel rm;
    rm.CopyBones(model);
    EXPECT_FALSE(rm.CopyAnimation(model, 2));
    EXPECT_FALSE(rm.CopyAnimation(model, -1));
    EXPECT_EQ(rm.animations.Count(), 0);
    ASSERT_TRUE(rm.CopyAnimation(model, 1));
    ASSERT_EQ(rm.animations.Count(), 1);
    const CRenderAnimation* a = rm.animations[0];
    EXPECT_TRUE(a->id == Id("run"));
    ASSERT_EQ(a->channels.Count(), 2);
    EXPECT_EQ(a->channels[0]->bone, rm.bones[0]);
    EXPECT_EQ(a->channels[1]->bone, nullptr);
    EXPECT_TRUE(a->channels[1]->targetId == Id("Tail"));
    ASSERT_EQ(a->channels[0]->keyTimes.Count(), 2);
    EXPECT_EQ(a->channels[0]->keyTimes[1], 1.5f);
    ASSERT_EQ(a->channels[0]->poseMatrices.Count(), 1);
    EXPECT_EQ(a->channels[0]->poseMatrices[0].m[0][1], 104.0f);
    EXPECT_EQ(a->channels[0]->poseMatrices[0].m[3][0], 103.0f);

    ASSERT_TRUE(rm.CopyAnimations(model));
    ASSERT_EQ(rm.animations.Count(), 3);
    EXPECT_TRUE(rm.animations[1]->id == Id("walk"));
    EXPECT_TRUE(rm.animations[2]->id == Id("run"));
}
