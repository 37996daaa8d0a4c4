// Scene nodes into bones (sid matching with the skin's joints) and baked
// matrix animations.
#include <gtest/gtest.h>

#include <string>

#include "model/animation.h"
#include "tests/core/collada_test_util.h"

using colladatest::Import;
using colladatest::Wrap;

namespace {

const std::string kSkin =
    "<library_geometries><geometry id='body'><mesh>"
    "<source id='p'><float_array count='3'>0 0 0</float_array><technique_common><accessor "
    "stride='3'/></technique_common></source>"
    "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices></mesh></geometry></library_geometries>"
    "<library_controllers><controller id='c'><skin source='#body'>"
    "<source id='j'><Name_array count='2'>hip knee</Name_array></source>"
    "<source id='w'><float_array count='1'>1</float_array></source>"
    "<joints><input semantic='JOINT' source='#j'/><input semantic='INV_BIND_MATRIX' source='#none'/></joints>"
    "<vertex_weights count='1'><input semantic='JOINT' source='#j' offset='0'/>"
    "<input semantic='WEIGHT' source='#w' offset='1'/><vcount>1</vcount><v>1 0</v></vertex_weights>"
    "</skin></controller></library_controllers>";

std::string Scene(const std::string& nodes) {
    return "<library_visual_scenes><visual_scene id='s'>" + nodes + "</visual_scene></library_visual_scenes>";
}

// An animation element with `keys` key times and `values` output numbers.
std::string Anim(const std::string& id, const std::string& target, int keys, int values, bool secondChannel = false) {
    std::string times, out;
    for (int i = 0; i < keys; ++i) times += std::to_string(i * 0.5) + " ";
    for (int i = 0; i < values; ++i) out += std::to_string(i) + "\n";
    return "<animation id='" + id +
           "'>"
           "<source id='" +
           id + "-in'><float_array count='" + std::to_string(keys) + "'>" + times +
           "</float_array></source>"
           "<source id='" +
           id + "-out'><float_array count='" + std::to_string(values) + "'>" + out +
           "</float_array></source>"
           "<source id='" +
           id +
           "-interp'><Name_array count='1'>LINEAR</Name_array></source>"
           "<sampler id='" +
           id + "-s'><input semantic='INPUT' source='#" + id +
           "-in'/>"
           "<input semantic='OUTPUT' source='#" +
           id +
           "-out'/></sampler>"
           "<channel source='#" +
           id + "-s' target='" + target + "'/>" +
           (secondChannel ? "<channel source='#" + id + "-s' target='other/transform'/>" : "") + "</animation>";
}

}  // namespace

TEST(ColladaNodes, SidJoinsNodesToSkinBones) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(
            kSkin +
            Scene(
                "<node id='Armature' type='NODE'><matrix sid='transform'>1 0 0 1 0 1 0 2 0 0 1 3 0 0 0 1</matrix>"
                "  <node id='Bone_hip' sid='hip' type='JOINT'><translate sid='location'>1 2 3</translate>"
                "    <node id='Bone_knee' sid='knee' type='JOINT'>"
                "      <matrix sid='transform'>\n 2 0 0 0\n 0 2 0 0\n 0 0 2 9\n 0 0 0 1\n</matrix></node></node></node>"
                "<node id='Mesh' type='joint'><matrix sid='other'>5 5 5 5 5 5 5 5 5 5 5 5 5 5 5 5</matrix>"
                "  <instance_controller url='#c'/></node>"))));
    ASSERT_EQ(model.bones.Count(), 2);
    ASSERT_EQ(model.rootBones.Count(), 2);
    const CBone* root = model.rootBones[0];
    EXPECT_TRUE(root->name.Empty());
    EXPECT_EQ(root->id.ToUtf8(), "Armature");
    EXPECT_EQ(root->boneType, BoneType::Node);
    EXPECT_EQ(root->jointMatrix[3], 1.0f);
    EXPECT_EQ(root->jointMatrix[11], 3.0f);
    ASSERT_EQ(root->children.Count(), 1);
    const CBone* hip = root->children[0];
    EXPECT_EQ(hip, model.bones[0]);
    EXPECT_EQ(hip->id.ToUtf8(), "Bone_hip");
    EXPECT_EQ(hip->boneType, BoneType::Joint);
    EXPECT_EQ(hip->parent, root);
    EXPECT_EQ(hip->jointMatrix[3], 0.0f);  // translate is not read
    EXPECT_EQ(hip->jointMatrix[0], 1.0f);
    ASSERT_EQ(hip->children.Count(), 1);
    const CBone* knee = hip->children[0];
    EXPECT_EQ(knee, model.bones[1]);
    EXPECT_EQ(knee->parent, hip);
    EXPECT_EQ(knee->jointMatrix[0], 2.0f);
    EXPECT_EQ(knee->jointMatrix[11], 9.0f);
    const CBone* mesh = model.rootBones[1];
    EXPECT_EQ(mesh->boneType, BoneType::Other);  // "joint" is not "JOINT"
    EXPECT_EQ(mesh->jointMatrix[0], 1.0f);
    EXPECT_EQ(mesh->jointMatrix[1], 0.0f);
}

TEST(ColladaNodes, ShortMatrixAndRepeatedSids) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(
            kSkin +
            Scene(
                "<node id='a' sid='hip' type='JOINT'><matrix sid='transform'>1 2 3 4 5 6 7 8 9 10 11 12</matrix></node>"
                "<node id='b' sid='hip' type='NODE'/>"
                "<node id='c' sid='free'/><node id='d' sid='free'/>"
                "<node id='e'><matrix sid='transform'> </matrix></node>"))));
    ASSERT_EQ(model.rootBones.Count(), 5);
    EXPECT_NE(model.rootBones[0], model.rootBones[1]);  // a joint has one place: the second node gets its own bone
    const CBone* hip = model.bones[0];
    EXPECT_EQ(hip->id.ToUtf8(), "a");
    EXPECT_EQ(hip->boneType, BoneType::Joint);
    EXPECT_EQ(model.rootBones[1]->id.ToUtf8(), "b");
    EXPECT_EQ(hip->jointMatrix[11], 12.0f);
    EXPECT_EQ(hip->jointMatrix[12], 0.0f);
    EXPECT_EQ(hip->jointMatrix[15], 0.0f);
    EXPECT_NE(model.rootBones[2], model.rootBones[3]);  // unmatched sids: separate bones
    EXPECT_EQ(model.bones.Count(), 2);
    EXPECT_EQ(model.rootBones[4]->jointMatrix[0], 1.0f);  // empty text: unchanged
}

TEST(ColladaNodes, ASkinBoneBelowItselfDoesNotCloseALoop) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(kSkin + Scene("<node id='h1' sid='hip'><node id='h2' sid='hip'><node id='k1' sid='knee'/></node></node>"
                           "<node id='k2' sid='knee'><node id='h3' sid='hip'/></node>"))));
    // Every bone reached from the roots must end: walk with a step budget.
    int steps = 0;
    std::vector<const CBone*> stack(model.rootBones.begin(), model.rootBones.end());
    while (!stack.empty() && steps < 1000) {
        const CBone* b = stack.back();
        stack.pop_back();
        ++steps;
        for (const CBone* c : b->children) stack.push_back(c);
    }
    EXPECT_LT(steps, 1000);
    const CBone* hip = model.bones[0];
    ASSERT_EQ(hip->children.Count(), 1);
    EXPECT_NE(hip->children[0], hip);  // h2 became a bone of its own
    EXPECT_EQ(hip->children[0]->id.ToUtf8(), "h2");
}

TEST(ColladaNodes, NestingIsLimitedToAThousandLevels) {
    const auto nested = [](int depth) {
        std::string nodes;
        for (int i = 0; i < depth; ++i) nodes += "<node id='n" + std::to_string(i) + "'>";
        for (int i = 0; i < depth; ++i) nodes += "</node>";
        return Wrap(Scene(nodes));
    };
    CModel ok;
    ASSERT_TRUE(Import(ok, nested(1000)));
    int depth = 0;
    for (const CBone* b = ok.rootBones[0]; b; b = b->children.Get(0)) ++depth;
    EXPECT_EQ(depth, 1000);

    CModel deep;
    const std::string error = colladatest::ImportFails(deep, nested(1001));
    EXPECT_NE(error.find("<node id=\"n1000\"> is nested deeper than 1000 levels"), std::string::npos) << error;
    EXPECT_EQ(deep.rootBones.Count(), 1);  // what was entered stays
    EXPECT_EQ(deep.animations.Count(), 0);
}

TEST(ColladaAnimations, GroupedAnimationsGiveOneChannelEach) {
    CModel model;
    ASSERT_TRUE(Import(
        model, Wrap(kSkin + Scene("<node id='Bone_hip' sid='hip'/>") + "<library_animations><animation id='all'>" +
                    Anim("a1", "Bone_hip/transform", 10, 160) + Anim("a2", "Nothing/transform", 10, 160) +
                    Anim("a3", "whole", 10, 160, true) + "</animation></library_animations>")));
    ASSERT_EQ(model.animations.Count(), 1);
    const CAnimation* a = model.animations[0];
    EXPECT_EQ(a->id.ToUtf8(), "ColladaAnim_001");
    ASSERT_EQ(a->channels.Count(), 3);
    const CAnimationChannel* c = a->channels[0];
    EXPECT_EQ(c->targetId.ToUtf8(), "Bone_hip");
    EXPECT_EQ(c->bone, model.bones[0]);
    EXPECT_EQ(c->keyTimes.Count(), 10);
    EXPECT_EQ(c->keyTimes[3], 1.5f);
    ASSERT_EQ(c->poseMatrices.Count(), 10);
    EXPECT_EQ(c->poseMatrices[2].m[0], 32.0f);
    EXPECT_EQ(c->poseMatrices[2].m[15], 47.0f);
    EXPECT_EQ(a->channels[1]->bone, nullptr);  // kept without a bone
    EXPECT_EQ(a->channels[2]->targetId.ToUtf8(), "whole");
}

TEST(ColladaAnimations, UngroupedShortOutputAndBrokenSamplers) {
    std::string broken = Anim("b", "x/transform", 2, 32);
    broken.replace(broken.find("source='#b-in'"), 14, "source='#b-zz'");
    CModel model;
    ASSERT_TRUE(Import(model, Wrap("<library_animations>" + Anim("a", "hip/transform", 1, 20) + broken +
                                   "<animation id='nochannel'/></library_animations>")));
    const CAnimation* a = model.animations[0];
    ASSERT_EQ(a->channels.Count(), 1);
    EXPECT_EQ(a->channels[0]->poseMatrices.Count(), 1);  // the last 4 values are ignored
    EXPECT_EQ(a->channels[0]->keyTimes.Count(), 1);
}

TEST(ColladaAnimations, SamplerIdWithQuoteIsFound) {
    CModel model;
    std::string anim = Anim("it's", "x/transform", 2, 32);
    // XML-escape the quote inside attributes written with single quotes.
    std::string escaped;
    for (std::size_t i = 0; i < anim.size(); ++i) {
        if (anim.compare(i, 4, "it's") == 0) {
            escaped += "it&apos;s";
            i += 3;
        } else {
            escaped += anim[i];
        }
    }
    ASSERT_TRUE(Import(model, Wrap("<library_animations>" + escaped + "</library_animations>")));
    ASSERT_EQ(model.animations[0]->channels.Count(), 1);
    EXPECT_EQ(model.animations[0]->channels[0]->poseMatrices.Count(), 2);
}
