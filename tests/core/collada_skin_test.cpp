// Skin controllers and InsertWeight.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collada/skin_weights.h"
#include "tests/core/collada_test_util.h"

using colladatest::Import;
using colladatest::ImportFails;
using colladatest::Wrap;

namespace {

const std::string kGeometry =
    "<library_geometries><geometry id='body'><mesh>"
    "<source id='p'><float_array count='9'>0 0 0 1 0 0 0 1 0</float_array>"
    "<technique_common><accessor stride='3'/></technique_common></source>"
    "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices></mesh></geometry></library_geometries>";

std::string Inv(int joints) {
    std::string s;
    for (int i = 0; i < joints * 16; ++i) s += std::to_string(i) + " ";
    return s;
}

// A skin of `joints` names over geometry "body" with the given weights.
std::string Skin(const std::string& names, int joints, const std::string& weights, int vertexCount,
                 const std::string& vcount, const std::string& v, const std::string& extra = "") {
    return kGeometry + "<library_controllers><controller id='c'><skin source='#body'>" + extra +
           "<source id='j'><Name_array count='" + std::to_string(joints) + "'>" + names +
           "</Name_array></source>"
           "<source id='ib'><float_array count='" +
           std::to_string(joints * 16) + "'>" + Inv(joints) +
           "</float_array></source>"
           "<source id='w'><float_array count='" +
           std::to_string(std::ranges::count(weights, ' ') + 1) + "'>" + weights +
           "</float_array></source>"
           "<joints><input semantic='JOINT' source='#j'/><input semantic='INV_BIND_MATRIX' source='#ib'/></joints>"
           "<vertex_weights count='" +
           std::to_string(vertexCount) +
           "'>"
           "<input semantic='JOINT' source='#j' offset='0'/><input semantic='WEIGHT' source='#w' offset='1'/>"
           "<vcount>" +
           vcount + "</vcount><v>" + v + "</v></vertex_weights></skin></controller></library_controllers>";
}

struct Entry {
    float bone, weight;
    bool operator==(const Entry& o) const { return bone == o.bone && weight == o.weight; }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) { return os << "{" << e.bone << ", " << e.weight << "}"; }

std::vector<Entry> Row(const CGeometry* g, int row) {
    std::vector<Entry> out;
    const CBoneWeight* r = g->weights->Row(row);
    for (int i = 0; i < MaxBoneInfluences; ++i) out.push_back({r[i].boneIndex, r[i].weight});
    return out;
}

std::vector<Entry> Filled(std::vector<Entry> head) {
    head.resize(MaxBoneInfluences, Entry{0, 0});
    return head;
}

}  // namespace

TEST(InsertWeight, KeepsTheEightLargestSortedAndStable) {
    CGeometry g;
    g.weights = std::make_unique<CWeights>(6);
    g.weightCount = 6;
    InsertWeight(g, 0, 0, 0.5f);
    InsertWeight(g, 0, 1, 0.3f);
    InsertWeight(g, 0, 2, 0.2f);
    EXPECT_EQ(Row(&g, 0), Filled({{0, 0.5f}, {1, 0.3f}, {2, 0.2f}}));
    InsertWeight(g, 1, 2, 0.2f);
    InsertWeight(g, 1, 0, 0.5f);
    InsertWeight(g, 1, 1, 0.3f);
    EXPECT_EQ(Row(&g, 1), Row(&g, 0));
    for (int i = 0; i < 10; ++i) InsertWeight(g, 2, i, 0.10f - 0.01f * i);
    std::vector<Entry> expect;
    for (int i = 0; i < 8; ++i) expect.push_back({static_cast<float>(i), 0.10f - 0.01f * i});
    EXPECT_EQ(Row(&g, 2), expect);
    InsertWeight(g, 3, 3, 0.4f);
    InsertWeight(g, 3, 5, 0.4f);
    InsertWeight(g, 3, 7, 0.4000005f);  // within 0.000001: after the others
    EXPECT_EQ(Row(&g, 3), Filled({{3, 0.4f}, {5, 0.4f}, {7, 0.4000005f}}));
    InsertWeight(g, 4, 1, 0.0f);
    InsertWeight(g, 4, 1, 0.000001f);
    InsertWeight(g, 4, 1, -1.0f);
    EXPECT_EQ(Row(&g, 4), Filled({}));
    InsertWeight(g, 6, 1, 0.5f);   // no such row
    InsertWeight(g, -1, 1, 0.5f);  // no such row
    EXPECT_EQ(Row(&g, 5), Filled({}));
}

TEST(ColladaSkin, BonesWeightsAndBindShape) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Skin("hip knee\n\tfoot", 3, "0.5 0.3 0.2 0.4", 3, "3 2 0", "0 0 1 1 2 2  2 2 0 0",
                                        "<bind_shape_matrix>1 0 0 5\n0 1 0 6 0 0 1 7 0 0 0 1</bind_shape_matrix>"))));
    const CGeometry* g = model.geometries[0];
    EXPECT_EQ(g->bindShapeMatrix[3], 5.0f);
    EXPECT_EQ(g->bindShapeMatrix[11], 7.0f);
    EXPECT_EQ(g->bindShapeMatrix[15], 1.0f);
    ASSERT_EQ(model.bones.Count(), 3);
    EXPECT_EQ(model.bones[2]->name.ToUtf8(), "foot");
    for (int e = 0; e < 16; ++e) EXPECT_EQ(model.bones[1]->invBindMatrix[e], 16.0f + e);  // numbers 16..31
    EXPECT_EQ(model.bones[0]->jointMatrix[0], 1.0f);
    EXPECT_EQ(model.bones[0]->parent, nullptr);
    EXPECT_TRUE(model.bones[0]->id.Empty());
    ASSERT_NE(g->weights, nullptr);
    EXPECT_EQ(g->weightCount, 3);
    EXPECT_EQ(Row(g, 0), Filled({{0, 0.5f}, {1, 0.3f}, {2, 0.2f}}));
    EXPECT_EQ(Row(g, 1), Filled({{0, 0.5f}, {2, 0.2f}}));
    EXPECT_EQ(Row(g, 2), Filled({}));
    EXPECT_EQ(model.rootBones.Count(), 0);  // the node import places bones
}

// A name list alone takes no bones: a joint needs its matrix, a weight or a node.
TEST(ColladaSkin, JointsBecomeBonesWhenAMatrixAWeightOrANodeUsesThem) {
    struct Case {
        int matrices;
        const char* v;
        const char* sids;
        const char* bones;
        float weightBone;
    };
    const Case cases[] = {{4, "0 0", "", "a b c d ", 0},
                          {1, "0 0", "", "a ", 0},
                          {1, "2 0", "", "a c ", 1},
                          {1, "3 0", "b", "a b d ", 2},
                          {1, "0 0", "c x", "a c ", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bones);
        std::string scene = "<library_visual_scenes><visual_scene>";
        for (const char* s = c.sids; *s; ++s)
            if (*s != ' ') scene += std::string("<node sid='") + *s + "'/>";
        CModel model;
        ASSERT_TRUE(Import(model, Wrap(Skin("a b c d", c.matrices, "1", 1, "1", c.v) + scene +
                                       "</visual_scene></library_visual_scenes>")));
        std::string bones;
        for (const CBone* b : model.bones) bones += b->name.ToUtf8() + " ";
        EXPECT_EQ(bones, c.bones);
        EXPECT_EQ(Row(model.geometries[0], 0)[0], (Entry{c.weightBone, 1}));
    }
}

TEST(ColladaSkin, EmptyVcountMakesNoBonesAndEmptyRows) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Skin("a b", 2, "1", 4, "  ", "0 0"))));
    EXPECT_EQ(model.bones.Count(), 0);
    const CGeometry* g = model.geometries[0];
    ASSERT_NE(g->weights, nullptr);
    EXPECT_EQ(g->weightCount, 4);
    EXPECT_EQ(Row(g, 3), Filled({}));
}

// Indices past their lists are refused (see the hostile-input table); a
// vcount entry past the declared rows has no row to fill.
TEST(ColladaSkin, VerticesBeyondTheRowsAreSkipped) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Skin("a b", 2, "0.5 0.7", 2, "1 1 1", "0 0 1 1 1 1"))));
    const CGeometry* g = model.geometries[0];
    EXPECT_EQ(Row(g, 0), Filled({{0, 0.5f}}));
    EXPECT_EQ(Row(g, 1), Filled({{1, 0.7f}}));
}

TEST(ColladaSkin, MissingInverseBindSourceGivesIdentity) {
    CModel model;
    std::string doc = Skin("a", 1, "1", 1, "1", "0 0");
    doc.replace(doc.find("source='#ib'"), 12, "source='#zz'");
    ASSERT_TRUE(Import(model, Wrap(doc)));
    ASSERT_EQ(model.bones.Count(), 1);
    EXPECT_EQ(model.bones[0]->invBindMatrix[0], 1.0f);
    EXPECT_EQ(model.bones[0]->invBindMatrix[1], 0.0f);
}

TEST(ColladaSkin, SkinOfUnknownGeometryAndMorphAreSkipped) {
    CModel model;
    std::string doc = Skin("a", 1, "1", 1, "1", "0 0");
    doc.replace(doc.find("source='#body'"), 14, "source='#else'");
    doc.insert(doc.find("</library_controllers>"), "<controller id='m'><morph source='#body'/></controller>");
    ASSERT_TRUE(Import(model, Wrap(doc)));
    EXPECT_EQ(model.bones.Count(), 0);
    EXPECT_EQ(model.geometries[0]->weights, nullptr);
}

TEST(ColladaSkin, RequiredElementsEndTheImport) {
    const std::string full = Skin("a", 1, "1", 1, "1", "0 0");
    struct Case {
        std::string cut, message;
    } cases[] = {
        {"<input semantic='JOINT' source='#j'/><input semantic='INV_BIND_MATRIX'", "joints/input[@semantic='JOINT']"},
        {"<input semantic='WEIGHT' source='#w' offset='1'/>", "vertex_weights/input[@semantic='WEIGHT']"},
        {"<vcount>1</vcount>", "vertex_weights/vcount"},
        {"<v>0 0</v>", "<vertex_weights> has no <v>"},
        {"count='1'><input semantic='JOINT' source='#j' offset='0'/>", "<vertex_weights> has no count attribute"},
    };
    for (const Case& c : cases) {
        std::string doc = full;
        const auto at = doc.find(c.cut);
        ASSERT_NE(at, std::string::npos) << c.cut;
        std::string replacement;
        if (c.cut.rfind("count=", 0) == 0) replacement = "><input semantic='JOINT' source='#j' offset='0'/>";
        if (c.cut.rfind("<input semantic='JOINT'", 0) == 0) replacement = "<input semantic='INV_BIND_MATRIX'";
        doc.replace(at, c.cut.size(), replacement);
        CModel model;
        const std::string error = ImportFails(model, Wrap(doc));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(model.geometries.Count(), 1);  // entered before, kept
        EXPECT_EQ(model.animations.Count(), 0);
        // Bones are made before <v> is needed.
        EXPECT_EQ(model.bones.Count(), c.message.find("<v>") != std::string::npos ? 1 : 0) << error;
    }
}

TEST(ColladaSkin, LyingVertexCountIsBounded) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Skin("a", 1, "1", 2000000000, "1", "0 0"))));
    const CGeometry* g = model.geometries[0];
    EXPECT_LT(g->weightCount, 10000);
    EXPECT_EQ(g->weights->Rows(), g->weightCount);
    EXPECT_EQ(Row(g, 0), Filled({{0, 1.0f}}));
}
