// Geometry import: sources, the vertices renaming, offsets and group sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/collada_test_util.h"

using colladatest::Import;
using colladatest::ImportFails;
using colladatest::Wrap;

namespace {

std::string Mesh(const std::string& inner, const std::string& id = "g") {
    return "<library_geometries><geometry id='" + id + "'><mesh>" + inner + "</mesh></geometry></library_geometries>";
}

std::string Source(const std::string& id, int count, int stride, const std::string& values) {
    return "<source id='" + id + "'><float_array id='" + id + "-array' count='" + std::to_string(count) + "'>" +
           values + "</float_array><technique_common><accessor source='#" + id + "-array' count='1' stride='" +
           std::to_string(stride) + "'/></technique_common></source>";
}

const std::string kVertices = "<vertices id='g-verts'><input semantic='POSITION' source='#g-pos'/></vertices>";

std::vector<int> List(const CValueArray<int>& a) { return std::vector<int>(a.begin(), a.end()); }

const float* Vec(const CFloatArray* a, int i) { return static_cast<const float*>(a->values->GetAt(i)); }

}  // namespace

TEST(ColladaGeometry, SourcesVerticesRenamingAndVertexCount) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Mesh(Source("g-pos", 24, 3, "0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 1 0 1 1") +
                                        Source("g-uv", 4, 2, "0.5 0.25\n 1 0") +
                                        Source("g-col", 8, 4, "1 0 0 1 0 1 0 1") + kVertices))));
    ASSERT_EQ(model.geometries.Count(), 1);
    const CGeometry* g = model.geometries[0];
    EXPECT_EQ(g->id.ToUtf8(), "g");
    EXPECT_EQ(g->vertexCount, 8);
    ASSERT_EQ(g->floatArrays.Count(), 3);
    const CFloatArray* pos = g->floatArrays[0];
    EXPECT_EQ(pos->id.ToUtf8(), "g-verts");
    ASSERT_NE(pos->values, nullptr);
    EXPECT_EQ(pos->values->Count(), 8);
    EXPECT_EQ(pos->FloatCount(), 3);
    EXPECT_EQ(Vec(pos, 6)[2], 1.0f);
    const CFloatArray* uv = g->floatArrays[1];
    EXPECT_EQ(uv->id.ToUtf8(), "g-uv");
    EXPECT_EQ(uv->FloatCount(), 2);
    EXPECT_EQ(Vec(uv, 0)[1], 0.25f);
    EXPECT_EQ(g->floatArrays[2]->id.ToUtf8(), "g-col");
    EXPECT_EQ(g->floatArrays[2]->values, nullptr);  // stride 4: no values
    EXPECT_EQ(g->weights, nullptr);
    EXPECT_EQ(g->bindShapeMatrix[0], 1.0f);
    EXPECT_EQ(g->bindShapeMatrix[3], 0.0f);
}

// Numbers a count promises but the text lacks are not made up, and a lying
// count takes no memory: the import ends naming the source.
TEST(ColladaGeometry, ShortTextOrLyingCountIsRefused) {
    for (const int count : {7, 100000000}) {
        CModel model;
        EXPECT_NE(ImportFails(model, Wrap(Mesh(Source("g-pos", count, 3, "1 2 3 4") + kVertices)))
                      .find("source \"g-pos\" holds 4 numbers"),
                  std::string::npos);
    }
}

TEST(ColladaGeometry, ZeroOrMissingStrideAndCount) {
    CModel model;
    std::string unstrided = Source("s", 3, 3, "1 2 3");
    unstrided.erase(unstrided.find(" stride="), std::string(" stride='3'").size());
    ASSERT_TRUE(Import(model, Wrap(Mesh(Source("g-pos", 0, 3, "1 2 3") + unstrided + kVertices))));
    EXPECT_EQ(model.geometries[0]->vertexCount, 0);
    EXPECT_EQ(model.geometries[0]->floatArrays[0]->values->Count(), 0);
    EXPECT_EQ(model.geometries[0]->floatArrays[1]->values, nullptr);  // stride 1: no vectors
}

TEST(ColladaGeometry, TrianglesWithThreeOffsets) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Mesh(Source("g-pos", 18, 3, "0 0 0 1 0 0 0 1 0 0 0 1 1 0 1 0 1 1") + kVertices +
                                        "<triangles material='mat' count='2'>"
                                        "<input semantic='VERTEX' source='#g-verts' offset='0'/>"
                                        "<input semantic='NORMAL' source='#g-nrm' offset='1'/>"
                                        "<input semantic='TEXCOORD' source='#g-uv' offset='2' set='0'/>"
                                        "<p>0 10 20 1 11 21 2 12 22\n3 13 23 4 14 24 5 15 25</p></triangles>"))));
    ASSERT_EQ(model.geometries[0]->polygonData.Count(), 1);
    const CPolygonData* p = model.geometries[0]->polygonData[0];
    EXPECT_EQ(p->materialId.ToUtf8(), "mat");
    EXPECT_EQ(p->vertexId.ToUtf8(), "g-verts");
    EXPECT_EQ(p->normalId.ToUtf8(), "g-nrm");
    EXPECT_TRUE(p->colorId.Empty());
    ASSERT_EQ(p->texIds.Count(), 1);
    EXPECT_EQ(p->texIds[0].ToUtf8(), "g-uv");
    EXPECT_EQ(List(p->vertexIndices), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(List(p->normalIndices), (std::vector<int>{10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(List(p->texIndices), (std::vector<int>{20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(p->colorIndices.Count(), 0);
}

TEST(ColladaGeometry, UnknownSemanticStillWidensTheGroup) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(Mesh(
            kVertices +
            "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/>"
            "<input semantic='NORMAL' source='#n' offset='1'/><input semantic='TEXTANGENT' source='#t' offset='2'/>"
            "<p>1 2 3 4 5 6 7 8 9</p></triangles>"))));
    const CPolygonData* p = model.geometries[0]->polygonData[0];
    EXPECT_TRUE(p->materialId.Empty());
    EXPECT_EQ(List(p->vertexIndices), (std::vector<int>{1, 4, 7}));
    EXPECT_EQ(List(p->normalIndices), (std::vector<int>{2, 5, 8}));
}

TEST(ColladaGeometry, VertexOnlyAndShortLastGroup) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(Mesh(
            kVertices +
            "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/><p>5 6 7 8</p></triangles>"
            "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/>"
            "<input semantic='COLOR' source='#c' offset='1'/><p>1 2 3</p></triangles>"
            "<triangles count='0'><input semantic='VERTEX' source='#g-verts' offset='0'/><p>1 2 3</p></triangles>"))));
    const CGeometry* g = model.geometries[0];
    ASSERT_EQ(g->polygonData.Count(), 3);
    EXPECT_EQ(List(g->polygonData[0]->vertexIndices), (std::vector<int>{5, 6, 7, 8}));  // not limited by count
    EXPECT_EQ(List(g->polygonData[1]->vertexIndices), (std::vector<int>{1, 3}));
    EXPECT_EQ(List(g->polygonData[1]->colorIndices), (std::vector<int>{2}));
    EXPECT_EQ(g->polygonData[2]->vertexIndices.Count(), 0);  // count 0: empty buffer
}

TEST(ColladaGeometry, EveryPrimitiveIsReadInDocumentOrder) {
    CModel model;
    ASSERT_TRUE(Import(
        model,
        Wrap(Mesh(kVertices +
                  "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/><p>9 9 9</p></triangles>"
                  "<polylist count='2'><input semantic='VERTEX' source='#g-verts' offset='0'/><vcount>4 4</vcount>"
                  "<p>0 1 2 3 4 5 6 7</p></polylist>"))));
    const CGeometry* g = model.geometries[0];
    ASSERT_EQ(g->polygonData.Count(), 2);
    EXPECT_EQ(List(g->polygonData[0]->vertexIndices), (std::vector<int>{9, 9, 9}));
    EXPECT_EQ(List(g->polygonData[1]->vertexIndices), (std::vector<int>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
}

TEST(ColladaGeometry, TwoTexcoordSetsShareTheLaterOffset) {
    CModel model;
    ASSERT_TRUE(Import(
        model, Wrap(Mesh(kVertices + "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/>"
                                     "<input semantic='TEXCOORD' source='#uv0' offset='1' set='0'/>"
                                     "<input semantic='TEXCOORD' source='#uv1' offset='2' set='1'/>"
                                     "<p>0 10 20 1 11 21 2 12 22</p></triangles>"))));
    const CPolygonData* p = model.geometries[0]->polygonData[0];
    ASSERT_EQ(p->texIds.Count(), 2);
    EXPECT_EQ(p->texIds[1].ToUtf8(), "uv1");
    EXPECT_EQ(List(p->texIndices), (std::vector<int>{20, 21, 22}));
}

TEST(ColladaGeometry, OddOffsetsNeverReadOutsideTheIndices) {
    CModel model;
    ASSERT_TRUE(Import(
        model, Wrap(Mesh(kVertices +
                         "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='-3'/>"
                         "<input semantic='NORMAL' source='#n' offset='2147483647'/><p>1 2 3 4</p></triangles>"))));
    const CPolygonData* p = model.geometries[0]->polygonData[0];
    EXPECT_EQ(p->vertexIndices.Count(), 0);
    EXPECT_EQ(p->normalIndices.Count(), 0);
}

TEST(ColladaGeometry, RequiredElementsEndTheImport) {
    struct Case {
        std::string body, message;
    } cases[] = {
        {"<library_geometries><geometry id='ok'><mesh>" + kVertices +
             "</mesh></geometry>"
             "<geometry id='spline'><spline/></geometry></library_geometries>",
         "<geometry id=\"spline\"> has no <mesh>"},
        {Mesh(""), "<mesh> has no <vertices>"},
        {Mesh("<vertices id='v'/>"), "<vertices id=\"v\"> has no <input>"},
        {Mesh("<source id='s'><Name_array count='1'>a</Name_array></source>" + kVertices),
         "<source id=\"s\"> has no <float_array>"},
        {Mesh("<source id='s'><float_array count='1'>1</float_array></source>" + kVertices),
         "<source id=\"s\"> has no <technique_common/accessor>"},
        {Mesh(kVertices + "<triangles count='1'><input semantic='VERTEX' source='#g-verts' offset='0'/></triangles>"),
         "<triangles> has no <p>"},
        {Mesh(kVertices + "<triangles><p>1 2 3</p></triangles>"), "<triangles> has no count attribute"},
        {Mesh(kVertices + "<polylist count='many'><p>1 2 3</p></polylist>"),
         "<polylist> has a non-numeric count attribute"},
    };
    for (const Case& c : cases) {
        CModel model;
        const std::string error = ImportFails(model, Wrap(c.body));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        // Geometries finished before stay; the one under work is dropped.
        EXPECT_EQ(model.geometries.Count(), c.message.find("spline") != std::string::npos ? 1 : 0) << error;
    }
}
