// COLLADA <unit meter="...">: a model arrives in metres, posed alike at every
// time (positions, bind shapes, inverse binds, joints and keys scale together).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>

#include "collada/collada.h"
#include "model/posed_bounds.h"
#include "tests/core/collada_test_util.h"
#include "model/render_model.h"

namespace {

const std::string kLeg = VORLAND_CORPUS_DIR "/blender/leg-with-control-bones.dae";
const std::string kCentimetre =
    VORLAND_CORPUS_DIR "/cts/StandardDataSets__1_5__collada__asset__unit__centimeter__centimeter.dae";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The document with its <unit .../> replaced by one of `meter`.
std::string WithUnit(std::string doc, const std::string& meter) {
    const std::size_t at = doc.find("<unit");
    const std::size_t end = doc.find("/>", at);
    if (at == std::string::npos || end == std::string::npos) return {};
    return doc.replace(at, end + 2 - at, "<unit name=\"u\" meter=\"" + meter + "\"/>");
}

// The box of the model posed at animation counter `counter`.
Bounds3 PosedAt(const std::string& doc, std::uint32_t counter) {
    CModel model;
    CName name;
    name.SetAscii("m");
    const Outcome loaded = LoadColladaFromMemory(model, doc, name);
    EXPECT_TRUE(loaded) << loaded.status.Why();
    CRenderModel posed;
    posed.CopyBones(model);
    posed.CopyAnimations(model);
    posed.frameCounter = counter;
    posed.UpdatePose();
    return PosedBounds(model, posed);
}

void ExpectScaled(const Bounds3& got, const Bounds3& base, double s) {
    const float tolerance = static_cast<float>(1e-4 * s) + 1e-6f;
    for (const auto& [a, b] : {std::pair{got.min, base.min}, std::pair{got.max, base.max}}) {
        EXPECT_NEAR(a.x, b.x * s, tolerance);
        EXPECT_NEAR(a.y, b.y * s, tolerance);
        EXPECT_NEAR(a.z, b.z * s, tolerance);
    }
}

}  // namespace

TEST(ColladaUnit, ModelsArriveInMetresInEveryPose) {
    const std::string leg = ReadText(kLeg);
    ASSERT_FALSE(WithUnit(leg, "1").empty()) << "missing test data: " << kLeg;
    // A value that is no length is left out: the document's own units stand.
    const struct {
        const char* meter;
        double scale;
    } cases[] = {
        {"0.01", 0.01}, {"0.0254", 0.0254}, {"2.5", 2.5}, {"0", 1}, {"-3", 1}, {"inch", 1}, {"1e400", 1},
    };
    for (std::uint32_t counter : {0u, 37u}) {
        const Bounds3 base = PosedAt(WithUnit(leg, "1"), counter);
        ASSERT_FALSE(base.Empty());
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.meter) + " at " + std::to_string(counter));
            ExpectScaled(PosedAt(WithUnit(leg, c.meter), counter), base, c.scale);
        }
    }
}

// The file itself, read from disk, arrives in metres.
TEST(ColladaUnit, ACentimetreFileIsReadInMetres) {
    const std::string doc = ReadText(kCentimetre);
    ASSERT_NE(doc.find("meter=\"0.01\""), std::string::npos) << "missing test data: " << kCentimetre;
    CModel model;
    CName ext;
    ext.SetAscii(".dae");
    ASSERT_TRUE(LoadCollada(model, kCentimetre, ext));
    CRenderModel posed;
    ExpectScaled(PosedBounds(model, posed), PosedAt(WithUnit(doc, "1"), 0), 0.01);
}

// An <asset> inside a part with its own up axis or unit applies to that part (a node's to the nodes below it).
TEST(ColladaUnit, AnAssetInsideAPartAppliesToThatPart) {
    const struct {
        const char *geometryAsset, *nodeAsset;
        float vertex[3], translation[3];
    } cases[] = {
        // both written (0, 1, 2)
        {"", "", {0, 1, 2}, {0, 1, 2}},
        {"<asset><up_axis>Y_UP</up_axis></asset>", "", {0, -2, 1}, {0, 1, 2}},
        {"<asset><unit meter=\"0.01\"/></asset>", "<asset><unit meter=\"1\"/></asset>", {0, 0.01f, 0.02f}, {0, 1, 2}},
        {"", "<asset><up_axis>Y_UP</up_axis><unit meter=\"0.5\"/></asset>", {0, 1, 2}, {0, -1, 0.5f}}};
    for (const auto& c : cases) {
        CModel model;
        ASSERT_TRUE(colladatest::Import(
            model,
            colladatest::Wrap(
                std::string("<asset><unit meter=\"1\"/><up_axis>Z_UP</up_axis></asset><library_geometries><geometry "
                            "id=\"g\">") +
                c.geometryAsset +
                "<mesh><source id=\"p\"><float_array id=\"pa\" count=\"9\">0 1 2 0 1 2 0 1 "
                "2</float_array><technique_common><accessor source=\"#pa\" count=\"3\" stride=\"3\">"
                "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/><param name=\"Z\" "
                "type=\"float\"/></accessor></technique_common></source><vertices id=\"v\">"
                "<input semantic=\"POSITION\" source=\"#p\"/></vertices><triangles count=\"1\"><input "
                "semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/><p>0 1 2</p></triangles></mesh>"
                "</geometry></library_geometries><library_visual_scenes><visual_scene id=\"s\"><node id=\"a\">" +
                c.nodeAsset +
                "<node id=\"b\"><matrix sid=\"transform\">"
                "1 0 0 0 0 1 0 1 0 0 1 2 0 0 0 1</matrix></node></node></visual_scene></library_visual_scenes>")));
        const float* v = static_cast<const float*>(
            model.geometries[0]->FindFloatArray(model.geometries[0]->polygonData[0]->vertexId)->values->Data());
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(v[k], c.vertex[k], 1e-6) << c.geometryAsset;
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(model.rootBones[0]->children[0]->jointMatrix[4 * k + 3], c.translation[k], 1e-6) << c.nodeAsset;
    }
}
