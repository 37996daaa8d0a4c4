// Documents as other exporters write them: every polygon primitive, other
// up axes, other encodings, several skins, joints placed twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model_bounds.h"
#include "tests/core/collada_test_util.h"
#include "tests/core/status_util.h"

using colladatest::Import;
using colladatest::Name;
using colladatest::Wrap;

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string Source(const std::string& id, const std::string& values, int stride = 3) {
    // The numbers themselves, whatever spaces stand around them.
    std::size_t numbers = 0;
    std::istringstream words(values);
    for (std::string word; words >> word;) ++numbers;
    return "<source id='" + id + "'><float_array count='" + std::to_string(numbers) + "'>" + values +
           "</float_array><technique_common><accessor stride='" + std::to_string(stride) +
           "'/></technique_common></source>";
}

// A geometry of `positions` whose mesh ends in `rest` (primitives, more sources).
std::string Geometry(const std::string& id, const std::string& positions, const std::string& rest = "") {
    return "<library_geometries><geometry id='" + id + "'><mesh>" + Source(id + "p", positions) + "<vertices id='" +
           id + "v'><input semantic='POSITION' source='#" + id + "p'/></vertices>" + rest +
           "</mesh></geometry></library_geometries>";
}

// A skin of `geometry` with joints `names`; `v`: (joint, weight index) pairs of one vertex, weights 1, 0.75, 0.25.
std::string Skin(const std::string& geometry, const std::string& names, const std::string& invBinds,
                 const std::string& v, const std::string& bindShape = "") {
    return "<library_controllers><controller><skin source='#" + geometry + "'>" + bindShape +
           "<source id='j'><Name_array count='9'>" + names + "</Name_array></source>" + Source("ib", invBinds, 16) +
           Source("w", "1 0.75 0.25", 1) +
           "<joints><input semantic="
           "'JOINT' source='#j'/><input semantic='INV_BIND_MATRIX' source='#ib'/></joints><vertex_weights "
           "count='1'><input semantic="
           "'JOINT' source='#j' offset='0'/><input semantic='WEIGHT' source='#w' offset='1'/><vcount>" +
           std::to_string(Count(v, " ") / 2 + 1) + "</vcount><v>" + v +
           "</v></vertex_weights></skin></controller></library_controllers>";
}

const std::string kIdentity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";

}  // namespace

TEST(ColladaPrimitives, EveryPolygonKindGivesTheSameTriangles) {
    const auto p = [](std::vector<int> corners) {  // corners as "vertex normal", the normal index 10 above the vertex
        std::string s;
        for (int v : corners) s += std::to_string(v) + " " + std::to_string(v + 10) + " ";
        return "<p>" + s + "</p>";
    };
    const struct {
        std::string kind, body;
        int corners;
    } rows[] = {
        {"triangles", p({0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}), 12},
        {"polylist", "<vcount>4 4</vcount>" + p({0, 1, 2, 3, 4, 5, 6, 7}), 12},
        {"polygons", p({0, 1, 2, 3}) + "<ph>" + p({4, 5, 6, 7}) + "<h>9 19 9 19 9 19</h></ph>", 12},  // holes left out
        {"tristrips", p({1, 2, 0, 3}) + p({5, 6, 4, 7}), 12},
        {"trifans", p({0, 1, 2, 3}) + p({4, 5, 6, 7}), 12},
        {"linestrips", p({0, 1, 2, 3}), 0},  // left out with a note
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        CModel model;
        std::vector<std::string> notes;
        std::string why;
        ASSERT_TRUE(Kept(
            LoadColladaFromMemory(model,
                                  Wrap(Geometry("g", "0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 1 0 1 1",
                                                "<" + row.kind +
                                                    " count='2' material='m'><input semantic='VERTEX' source='#gv' "
                                                    "offset='0'/><input semantic='NORMAL' source='#n' offset='1'/>" +
                                                    row.body + "</" + row.kind + ">")),
                                  Name("t")),
            why, notes))
            << why;
        EXPECT_EQ(notes.size(), row.corners ? 0u : 1u);
        ASSERT_EQ(model.geometries[0]->polygonData.Count(), row.corners ? 1 : 0);
        if (!row.corners) continue;
        const CPolygonData* data = model.geometries[0]->polygonData[0];
        EXPECT_EQ(data->materialId.ToUtf8(), "m");
        ASSERT_EQ(data->vertexIndices.Count(), row.corners);
        std::vector<std::array<int, 3>> triangles;
        for (int i = 0; i < row.corners; i += 3) {
            std::array<int, 3> t = {data->vertexIndices[i], data->vertexIndices[i + 1], data->vertexIndices[i + 2]};
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());  // winding kept
            triangles.push_back(t);
            for (int k = i; k < i + 3; ++k) EXPECT_EQ(data->normalIndices[k], data->vertexIndices[k] + 10);
        }
        std::sort(triangles.begin(), triangles.end());
        EXPECT_EQ(triangles, (std::vector<std::array<int, 3>>{{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}}));
    }
}

TEST(ColladaUpAxis, AModelWrittenWithAnyUpAxisImportsToTheSameRecords) {
    using Vec = std::array<float, 3>;
    const struct {
        std::string asset;
        std::function<Vec(Vec)> toDoc;
    } rows[] = {
        // toDoc: a Z-up vector in the document
        {"", [](Vec v) { return v; }},
        {"<asset><up_axis>Z_UP</up_axis></asset>", [](Vec v) { return v; }},
        {"<asset><up_axis>Y_UP</up_axis></asset>",
         [](Vec v) {
             return Vec{v[0], v[2], -v[1]};
         }},
        {"<asset><up_axis>X_UP</up_axis></asset>",
         [](Vec v) {
             return Vec{v[2], -v[0], -v[1]};
         }},
    };
    std::string zUp;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.asset);
        const auto pt = [&](Vec p) {
            const Vec d = row.toDoc(p);
            return std::to_string(d[0]) + " " + std::to_string(d[1]) + " " + std::to_string(d[2]) + " ";
        };
        const auto m = [&](Vec s, Vec t) {  // scale s, then move by t
            const Vec ds = row.toDoc(s), dt = row.toDoc(t);
            return std::to_string(std::abs(ds[0])) + " 0 0 " + std::to_string(dt[0]) + " 0 " +
                   std::to_string(std::abs(ds[1])) + " 0 " + std::to_string(dt[1]) + " 0 0 " +
                   std::to_string(std::abs(ds[2])) + " " + std::to_string(dt[2]) + " 0 0 0 1 ";
        };
        const Vec one = {1, 1, 1}, big = {2, 3, 4};
        CModel model;
        ASSERT_TRUE(Import(
            model, Wrap(row.asset +
                        Geometry("g", pt({0, 0, 0}) + pt({1, 0, 0}) + pt({0, 2, 0}) + pt({0, 0, 3}),
                                 Source("n", pt({0, 0, 1}) + pt({0, 1, 0})) +
                                     "<triangles count='2'><input semantic="
                                     "'VERTEX' source='#gv' offset='0'/><input semantic='NORMAL' source='#n' "
                                     "offset='1'/><p>0 0 1 0 2 0 0 1 2 1 3 1</p></triangles>") +
                        Skin("g", "root tip", m(one, {0, 0, -5}) + m(big, {1, -1, -7}), "0 1 1 2",
                             "<bind_shape_matrix>" + m(one, {1, 2, 3}) + "</bind_shape_matrix>") +
                        "<library_visual_scenes><visual_scene><node id='root' sid='root'><matrix sid='transform'>" +
                        m(one, {0, 0, 5}) + "</matrix><node sid='tip'><matrix sid='transform'>" + m(big, {1, -1, 2}) +
                        "</matrix></node></node>"
                        "</visual_scene></library_visual_scenes><library_animations><animation>" +
                        Source("t", "0 1", 1) + Source("o", m(one, {0, 0, 5}) + m({1, 2, 1}, {0, 4, 5}), 16) +
                        "<sampler id='s'><input semantic='INPUT' source='#t'/><input semantic='OUTPUT' source='#o'/>"
                        "</sampler><channel source='#s' target='root/transform'/></animation></library_animations>")));
        ModelBox box;
        ASSERT_TRUE(ModelBounds(model, box));  // positions moved by the bind shape's (1, 2, 3)
        EXPECT_EQ(std::vector<float>(box.min, box.max + 3), (std::vector<float>{1, 2, 3, 2, 4, 6}));
        std::string written;
        ASSERT_TRUE(SerializeAnimation(model, Name("a"), written));
        written += SerializeModel(model);
        if (zUp.empty()) zUp = written;
        EXPECT_EQ(written, zUp);
        EXPECT_EQ(Count(written, "-0.000000"), 0u);
    }
}

TEST(ColladaEncoding, DeclaredEncodingsAreConvertedBeforeParsing) {
    const struct {
        std::string encoding, path, cp932;
    } rows[] = {
        // the path in the encoding, in the .mdl ("": import fails)
        {"Shift_JIS", "\x95\x5c\x5c\x83\x65.png", "\x95\x5c\x5c\x83\x65.png"},  // the "\" after 表 stays a backslash
        {"CP932", "\x87\x40.png", "\x87\x40.png"},                              // ① exists in code page 932 only
        {"EUC-JP", "\xc9\xbd\xa5\xc6.png", "\x95\x5c\x83\x65.png"},
        {"ISO-8859-1", "caf\xe9 au lait.png", "caf? au lait.png"},
        {"utf-8", "\xe8\xa1\xa8.png", "\x95\x5c.png"},
        {"x-no-such-encoding", "a.png", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.encoding);
        CModel model;
        std::string error;
        const bool ok = Kept(LoadColladaFromMemory(model,
                                                   "<?xml version='1.0' encoding='" + row.encoding +
                                                       "'?><COLLADA><library_images>"
                                                       "<image id='i'><init_from>" +
                                                       row.path + "</init_from></image></library_images></COLLADA>",
                                                   Name("t")),
                             error);
        ASSERT_EQ(ok, !row.cp932.empty()) << error;
        EXPECT_EQ(ok ? model.textures[0]->fileName.ToCp932() : std::to_string(Count(error, row.encoding)),
                  ok ? row.cp932 : "1");
    }
}

TEST(ColladaSkins, EachSkinsWeightsPointAtItsOwnBones) {
    CModel model;
    ASSERT_TRUE(Import(model, Wrap(Geometry("g1", "0 0 0") + Geometry("g2", "0 0 0") + Geometry("g3", "0 0 0") +
                                   Geometry("g4", "0 0 0") + Skin("g1", "a b", kIdentity + kIdentity, "0 1 1 2") +
                                   Skin("g2", "c d", kIdentity + kIdentity, "0 1 1 2") +
                                   Skin("g3", "a b", kIdentity + kIdentity, "0 1 1 2") +
                                   Skin("g4", "a", "1 0 0 5 0 1 0 0 0 0 1 0 0 0 0 1", "0 0"))));
    const struct {
        int geometry;
        std::vector<std::string> bones;
    } rows[] = {
        // bones by weight, largest first
        {0, {"a", "b"}},
        {1, {"c", "d"}},  // the second skin's own bones, not the first skin's
        {2, {"a", "b"}},  // the same joints with the same inverse binds: shared
        {3, {"a"}},       // another inverse bind: a bone of its own
    };
    ASSERT_EQ(model.bones.Count(), 5);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.bones.size(); ++i)
            EXPECT_EQ(model.bones[static_cast<int>(model.geometries[row.geometry]->weights->Row(0)[i].boneIndex)]
                          ->name.ToUtf8(),
                      row.bones[i]);
    EXPECT_EQ(model.bones[4]->invBindMatrix[3], 5.0f);
}

TEST(ColladaSharedJoints, AJointPlacedTwiceHasOnePlaceAndTheFileStaysSmall) {
    for (const int levels : {1, 18}) {  // joint k holds two nodes of joint k + 1: one going on, one empty
        std::string names = "j0", nodes = "<node sid='j" + std::to_string(levels) + "'/>";
        for (int k = levels - 1; k >= 0; --k)
            nodes = "<node sid='j" + std::to_string(k) + "'>" + nodes + "<node sid='j" + std::to_string(k + 1) +
                    "'/></node>";
        for (int k = 1; k <= levels; ++k) names += " j" + std::to_string(k);
        CModel model, back;
        ASSERT_TRUE(Import(
            model, Wrap(Geometry("g", "0 0 0") + Skin("g", names, kIdentity, "0 0") +
                        "<library_visual_scenes><visual_scene>" + nodes + "</visual_scene></library_visual_scenes>")));
        const std::string mdl = SerializeModel(model);
        EXPECT_EQ(Count(mdl, "<BONE_BEGIN>"), static_cast<std::size_t>(1 + 2 * levels))
            << levels;                // each bone written once
        (void)ParseModel(back, mdl);  // the .mdl reader builds the same tree
        EXPECT_EQ(Count(SerializeModel(back), "<BONE_BEGIN>"), Count(mdl, "<BONE_BEGIN>")) << levels;
    }
}
