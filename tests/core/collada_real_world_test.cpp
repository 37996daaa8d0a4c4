// Documents as other exporters write them: every polygon primitive, other
// up axes, other encodings, several skins, joints placed twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model_bounds.h"
#include "tests/core/collada_test_util.h"

using colladatest::Import;
using colladatest::Name;
using colladatest::Wrap;

namespace {

std::string Source(const std::string& id, const std::string& values, int stride) {
    const int count = static_cast<int>(std::count(values.begin(), values.end(), ' ')) + 1;
    return "<source id='" + id + "'><float_array count='" + std::to_string(count) + "'>" + values +
           "</float_array><technique_common><accessor stride='" + std::to_string(stride) + "'/></technique_common></source>";
}

// Each corner as "vertex normal", the normal index 10 above the vertex.
std::string P(const std::string& vertices) {
    std::string out;
    for (std::size_t at = 0; at < vertices.size();) {
        const std::size_t end = std::min(vertices.find(' ', at), vertices.size());
        const int v = std::stoi(vertices.substr(at, end - at));
        out += (out.empty() ? "" : " ") + std::to_string(v) + " " + std::to_string(v + 10);
        at = end + 1;
    }
    return "<p>" + out + "</p>";
}

// A triangle turned so its smallest corner comes first (winding kept).
std::array<int, 3> Canonical(int a, int b, int c) {
    if (b < a && b < c) return {b, c, a};
    if (c < a && c < b) return {c, a, b};
    return {a, b, c};
}

}  // namespace

TEST(ColladaPrimitives, EveryPolygonKindGivesTheSameTriangles) {
    const std::string inputs = "<input semantic='VERTEX' source='#v' offset='0'/><input semantic='NORMAL' source='#n' offset='1'/>";
    struct Row {
        const char* kind;
        std::string body;  // inside the primitive element
        int corners;
    } rows[] = {
        {"triangles", P("0 1 2 0 2 3 4 5 6 4 6 7"), 12},
        {"polylist", "<vcount>4 4</vcount>" + P("0 1 2 3 4 5 6 7"), 12},
        {"polygons", P("0 1 2 3") + "<ph>" + P("4 5 6 7") + "<h>9 19 9 19 9 19</h></ph>", 12},
        {"tristrips", P("1 2 0 3") + P("5 6 4 7"), 12},
        {"trifans", P("0 1 2 3") + P("4 5 6 7"), 12},
        {"lines", P("0 1 2 3"), 0},
        {"linestrips", P("0 1 2 3"), 0},
    };
    const std::vector<std::array<int, 3>> quads = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        const std::string kind = row.kind;
        CModel model;
        std::vector<std::string> notes;
        std::string error;
        ASSERT_TRUE(LoadColladaFromMemory(model, Wrap(
            "<library_geometries><geometry id='g'><mesh>" + Source("p", "0 0 0 1 0 0 1 1 0 0 1 0 0 0 1 1 0 1 1 1 1 0 1 1", 3) +
            "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices><" + kind + " count='2' material='m'>" +
            inputs + row.body + "</" + kind + "></mesh></geometry></library_geometries>"), Name("t"), &error, &notes)) << error;
        const CGeometry* g = model.geometries[0];
        if (row.corners == 0) {
            EXPECT_EQ(g->polygonData.Count(), 0);
            ASSERT_EQ(notes.size(), 1u);
            EXPECT_NE(notes[0].find(kind), std::string::npos);
            continue;
        }
        EXPECT_TRUE(notes.empty());
        ASSERT_EQ(g->polygonData.Count(), 1);
        const CPolygonData* data = g->polygonData[0];
        EXPECT_EQ(data->materialId.ToUtf8(), "m");
        ASSERT_EQ(data->vertexIndices.Count(), row.corners);
        ASSERT_EQ(data->normalIndices.Count(), row.corners);
        std::vector<std::array<int, 3>> triangles;
        for (int i = 0; i < row.corners; i += 3) {
            const auto& v = data->vertexIndices;
            triangles.push_back(Canonical(v[i], v[i + 1], v[i + 2]));
            for (int k = i; k < i + 3; ++k) EXPECT_EQ(data->normalIndices[k], v[k] + 10);
        }
        std::sort(triangles.begin(), triangles.end());
        EXPECT_EQ(triangles, quads);
    }
}

namespace {

using Vec = std::array<float, 3>;

// A skinned, animated model given in Z-up coordinates, written in the frame
// whose up axis is `up`: `toDoc` gives a Z-up vector's coordinates there.
std::string UpAxisDocument(const char* up, const std::function<Vec(Vec)>& toDoc) {
    const auto text = [](Vec v) {
        std::string s;
        for (float f : v) s += (s.empty() ? "" : " ") + std::to_string(f);
        return s;
    };
    // Scale s then translation t, written row by row (translation in 3, 7, 11).
    const auto matrix = [&](Vec s, Vec t) {
        Vec ds = toDoc(s);
        for (float& f : ds) f = std::fabs(f);
        const Vec dt = toDoc(t);
        return std::to_string(ds[0]) + " 0 0 " + std::to_string(dt[0]) + " 0 " + std::to_string(ds[1]) + " 0 " +
               std::to_string(dt[1]) + " 0 0 " + std::to_string(ds[2]) + " " + std::to_string(dt[2]) + " 0 0 0 1";
    };
    const std::string positions = text(toDoc({0, 0, 0})) + " " + text(toDoc({1, 0, 0})) + " " + text(toDoc({0, 2, 0})) +
                                  " " + text(toDoc({0, 0, 3}));
    const std::string normals = text(toDoc({0, 0, 1})) + " " + text(toDoc({0, 1, 0}));
    const std::string asset = up ? std::string("<asset><up_axis>") + up + "</up_axis></asset>" : "";
    return Wrap(asset +
        "<library_geometries><geometry id='g'><mesh>" + Source("p", positions, 3) + Source("n", normals, 3) +
        "<source id='uv'><float_array count='2'>0.5 0.25</float_array><technique_common><accessor stride='2'/></technique_common></source>"
        "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices><triangles count='2'>"
        "<input semantic='VERTEX' source='#v' offset='0'/><input semantic='NORMAL' source='#n' offset='1'/>"
        "<p>0 0 1 0 2 0 0 1 2 1 3 1</p></triangles></mesh></geometry></library_geometries>"
        "<library_controllers><controller id='c'><skin source='#g'><bind_shape_matrix>" + matrix({1, 1, 1}, {1, 2, 3}) +
        "</bind_shape_matrix><source id='j'><Name_array count='2'>root tip</Name_array></source>"
        "<source id='ib'><float_array count='32'>" + matrix({1, 1, 1}, {0, 0, -5}) + " " + matrix({2, 3, 4}, {1, -1, -7}) +
        "</float_array></source><source id='w'><float_array count='1'>1</float_array></source>"
        "<joints><input semantic='JOINT' source='#j'/><input semantic='INV_BIND_MATRIX' source='#ib'/></joints>"
        "<vertex_weights count='4'><input semantic='JOINT' source='#j' offset='0'/><input semantic='WEIGHT' source='#w' offset='1'/>"
        "<vcount>1 1 1 1</vcount><v>0 0 1 0 1 0 0 0</v></vertex_weights></skin></controller></library_controllers>"
        "<library_visual_scenes><visual_scene id='s'><node id='root' sid='root' type='JOINT'><matrix sid='transform'>" +
        matrix({1, 1, 1}, {0, 0, 5}) + "</matrix><node id='tip' sid='tip' type='JOINT'><matrix sid='transform'>" +
        matrix({2, 3, 4}, {1, -1, 2}) + "</matrix></node></node></visual_scene></library_visual_scenes>"
        "<library_animations><animation><source id='t'><float_array count='2'>0 1</float_array></source>"
        "<source id='m'><float_array count='32'>" + matrix({1, 1, 1}, {0, 0, 5}) + " " + matrix({1, 2, 1}, {0, 4, 5}) +
        "</float_array></source><sampler id='sa'><input semantic='INPUT' source='#t'/><input semantic='OUTPUT' source='#m'/>"
        "</sampler><channel source='#sa' target='root/transform'/></animation></library_animations>");
}

}  // namespace

TEST(ColladaUpAxis, AModelWrittenWithAnyUpAxisImportsToTheSameRecords) {
    struct Row {
        const char* up;  // null: no <up_axis>
        std::function<Vec(Vec)> toDoc;
    } rows[] = {
        {nullptr, [](Vec v) { return v; }},
        {"Z_UP", [](Vec v) { return v; }},
        {"Y_UP", [](Vec v) { return Vec{v[0], v[2], -v[1]}; }},
        {"X_UP", [](Vec v) { return Vec{v[2], -v[0], -v[1]}; }},
    };
    std::string zUpModel, zUpAnimation;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.up ? row.up : "none");
        CModel model;
        ASSERT_TRUE(Import(model, UpAxisDocument(row.up, row.toDoc)));
        ModelBox box;
        ASSERT_TRUE(ModelBounds(model, box));
        // Bind-pose positions after the bind shape's translation (1, 2, 3).
        EXPECT_EQ(std::vector<float>(box.min, box.min + 3), (std::vector<float>{1, 2, 3}));
        EXPECT_EQ(std::vector<float>(box.max, box.max + 3), (std::vector<float>{2, 4, 6}));
        std::string animation;
        ASSERT_TRUE(SerializeAnimation(model, Name("a"), animation));
        if (zUpModel.empty()) {
            zUpModel = SerializeModel(model);
            zUpAnimation = animation;
            EXPECT_EQ(zUpModel.find("-0.000000"), std::string::npos);
            continue;
        }
        EXPECT_EQ(SerializeModel(model), zUpModel);
        EXPECT_EQ(animation, zUpAnimation);
    }
}

TEST(ColladaEncoding, DeclaredEncodingsAreConvertedBeforeParsing) {
    struct Row {
        const char* encoding;
        std::string path;        // bytes in that encoding
        std::string cp932;       // the path as the .mdl stores it; empty: the import fails
    } rows[] = {
        // 表 ends in the byte of "\": it stays one character, the "\" after it a backslash.
        {"Shift_JIS", "\x95\x5c\x5c\x83\x65.png", "\x95\x5c\x5c\x83\x65.png"},
        {"CP932", "\x87\x40.png", "\x87\x40.png"},  // ① exists in code page 932 only
        {"EUC-JP", "\xc9\xbd\xa5\xc6.png", "\x95\x5c\x83\x65.png"},
        {"ISO-8859-1", "caf\xe9 au lait.png", "caf? au lait.png"},
        {"utf-8", "\xe8\xa1\xa8.png", "\x95\x5c.png"},
        {"x-no-such-encoding", "a.png", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.encoding);
        const std::string doc = std::string("<?xml version='1.0' encoding='") + row.encoding +
                                "'?><COLLADA><library_images><image id='i'><init_from>" + row.path +
                                "</init_from></image></library_images></COLLADA>";
        CModel model;
        std::string error;
        const bool ok = LoadColladaFromMemory(model, doc, Name("t"), &error);
        if (row.cp932.empty()) {
            EXPECT_FALSE(ok);
            EXPECT_NE(error.find(row.encoding), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(ok) << error;
        ASSERT_EQ(model.textures.Count(), 1);
        EXPECT_EQ(model.textures[0]->fileName.ToCp932(), row.cp932);
    }
}

TEST(ColladaSkins, EachSkinsWeightsPointAtItsOwnBones) {
    const auto skin = [](const std::string& geometry, const std::string& joints, const std::string& invBind) {
        const int n = static_cast<int>(std::count(joints.begin(), joints.end(), ' ')) + 1;
        std::string inv, v;
        for (int i = 0; i < n; ++i) inv += invBind + " ";
        for (int i = 0; i < n; ++i) v += std::to_string(i) + " " + std::to_string(i) + " ";
        return "<controller id='c" + geometry + "'><skin source='#" + geometry + "'><source id='j'><Name_array count='" +
               std::to_string(n) + "'>" + joints + "</Name_array></source><source id='ib'><float_array count='" +
               std::to_string(16 * n) + "'>" + inv + "</float_array></source><source id='w'><float_array count='2'>0.75 0.25"
               "</float_array></source><joints><input semantic='JOINT' source='#j'/><input semantic='INV_BIND_MATRIX' "
               "source='#ib'/></joints><vertex_weights count='1'><input semantic='JOINT' source='#j' offset='0'/>"
               "<input semantic='WEIGHT' source='#w' offset='1'/><vcount>" + std::to_string(n) + "</vcount><v>" + v +
               "</v></vertex_weights></skin></controller>";
    };
    const std::string identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1";
    const std::string moved = "1 0 0 5 0 1 0 0 0 0 1 0 0 0 0 1";
    std::string geometries;
    for (const char* id : {"g1", "g2", "g3", "g4"})
        geometries += std::string("<geometry id='") + id + "'><mesh>" + Source(std::string(id) + "p", "0 0 0", 3) +
                      "<vertices id='" + id + "v'><input semantic='POSITION' source='#" + id + "p'/></vertices></mesh></geometry>";
    CModel model;
    ASSERT_TRUE(Import(model, Wrap("<library_geometries>" + geometries + "</library_geometries><library_controllers>" +
                                   skin("g1", "a b", identity) + skin("g2", "c d", identity) +
                                   skin("g3", "a b", identity) + skin("g4", "a", moved) + "</library_controllers>")));
    struct Row {
        int geometry;
        std::vector<std::string> bones;  // by weight, largest first
    } rows[] = {
        {0, {"a", "b"}},
        {1, {"c", "d"}},  // its own bones, not the first skin's
        {2, {"a", "b"}},  // the same joints with the same inverse bind: shared
        {3, {"a"}},       // another inverse bind: a bone of its own
    };
    ASSERT_EQ(model.bones.Count(), 5);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.geometry);
        const CBoneWeight* weights = model.geometries[row.geometry]->weights->Row(0);
        for (std::size_t i = 0; i < row.bones.size(); ++i) {
            const int bone = static_cast<int>(weights[i].boneIndex);
            ASSERT_LT(bone, model.bones.Count());
            EXPECT_EQ(model.bones[bone]->name.ToUtf8(), row.bones[i]);
        }
    }
    EXPECT_EQ(model.bones[4]->invBindMatrix[3], 5.0f);
}

TEST(ColladaSharedJoints, AJointPlacedTwiceHasOnePlaceAndTheFileStaysSmall) {
    for (const int levels : {1, 18}) {
        SCOPED_TRACE(levels);
        // Joint k holds two nodes of joint k + 1: one going on, one empty.
        std::string names, nodes = "<node id='n" + std::to_string(levels) + "' sid='j" + std::to_string(levels) + "'/>";
        for (int k = levels - 1; k >= 0; --k) {
            const std::string next = "j" + std::to_string(k + 1);
            nodes = "<node id='n" + std::to_string(k) + "' sid='j" + std::to_string(k) + "'>" + nodes + "<node sid='" +
                    next + "'/></node>";
        }
        for (int k = 0; k <= levels; ++k) names += (k ? " j" : "j") + std::to_string(k);
        CModel model;
        ASSERT_TRUE(Import(model, Wrap(
            "<library_geometries><geometry id='g'><mesh>" + Source("p", "0 0 0", 3) +
            "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices></mesh></geometry></library_geometries>"
            "<library_controllers><controller id='c'><skin source='#g'><source id='j'><Name_array count='" +
            std::to_string(levels + 1) + "'>" + names + "</Name_array></source><joints><input semantic='JOINT' "
            "source='#j'/><input semantic='INV_BIND_MATRIX' source='#none'/></joints><vertex_weights count='0'>"
            "<input semantic='JOINT' source='#j' offset='0'/><input semantic='WEIGHT' source='#w' offset='1'/>"
            "<vcount>0</vcount><v/></vertex_weights></skin></controller></library_controllers>"
            "<library_visual_scenes><visual_scene id='s'>" + nodes + "</visual_scene></library_visual_scenes>")));
        // Every bone is reached once from the roots: 1 + 2 per level.
        std::vector<const CBone*> pending(model.rootBones.begin(), model.rootBones.end()), seen;
        while (!pending.empty() && seen.size() < 1000) {
            seen.push_back(pending.back());
            pending.pop_back();
            for (const CBone* c : seen.back()->children) pending.push_back(c);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(1 + 2 * levels));
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
        const std::string mdl = SerializeModel(model);
        EXPECT_LT(mdl.size(), 100000u);
        // The .mdl reader gives the same tree back.
        CModel back;
        ParseModel(back, mdl);
        EXPECT_EQ(SerializeModel(back), mdl);
    }
}
