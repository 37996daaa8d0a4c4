// Hostile inputs for every reader: counts and sizes that lie, nesting without
// end. The readers must neither crash nor let a claimed count decide how much
// memory they take.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <limits>
#include <string>

#include "settings/settings.h"
#include "collada/collada.h"
#include "gltf/gltf.h"
#include "heap_probe.h"
#include "model/ani_file.h"
#include "model/animation.h"
#include "model/mdl_file.h"
#include "tests/core/status_util.h"
#include "tests/core/test_files.h"

namespace {

std::string GeometryWith(const std::string& body) {
    return "[MODEL_ID]\nm\n\n<GEOMETRY_BEGIN>\n<GEOMETRY_ID>g\n" + body + "<GEOMETRY_END>\n";
}

std::string PolygonWith(const std::string& body) {
    return GeometryWith("<POLYGON_DATA_BEGIN>\n<MATERIAL_ID>mat\n" + body + "<POLYGON_DATA_END>\n");
}

void ExpectModelReadBounded(const std::string& file) {
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(file.size()), [&] {
        CModel model;
        (void)ParseModel(model, file);
    });
    EXPECT_TRUE(r.withinBound) << r.detail << "\n" << file.substr(0, 400);
}

void ExpectColladaBounded(const std::string& doc) {
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(doc.size()), [&] {
        CModel model;
        CName name;
        name.SetAscii("hostile");
        std::string error;
        (void)Kept(LoadColladaFromMemory(model, doc, name), error);
    });
    EXPECT_TRUE(r.withinBound) << r.detail << "\n" << doc.substr(0, 600);
}

const char* const kHugeCounts[] = {"50000000", "2147483647", "-2147483648", "4294967297", "99999999999999"};

}  // namespace

TEST(HostileModelFile, IndexCountsDoNotSizeTheBuffers) {
    for (const char* count : kHugeCounts) {
        for (const char* tag : {"VERTEX_INDEX_COUNT", "NORMAL_INDEX_COUNT", "COLOR_INDEX_COUNT", "TEX_INDEX_COUNT"}) {
            SCOPED_TRACE(std::string(tag) + " " + count);
            ExpectModelReadBounded(PolygonWith(std::string("<") + tag + ">" + count + "\n0 1 2 \n"));
        }
    }
}

TEST(HostileModelFile, TextureIdCountDoesNotSizeTheLine) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectModelReadBounded(PolygonWith(std::string("<TEX_ID_COUNT>") + count + "\nuv0 uv1 \n"));
    }
}

TEST(HostileModelFile, FloatArrayCountsDoNotSizeTheValues) {
    const char* const pairs[][2] = {{"4", "50000000"},   {"3", "2147483647"}, {"65536", "65536"},
                                    {"2147483647", "2"}, {"2", "-5"},         {"-4", "-1000000"}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(std::string(p[0]) + " x " + p[1]);
        ExpectModelReadBounded(GeometryWith(std::string("<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_ID>pos\n") +
                                            "<FLOAT_ARRAY_FLOAT_COUNT>" + p[0] + "\n<FLOAT_ARRAY_COUNT>" + p[1] +
                                            "\n<FLOAT_ARRAY>\n1 2 3 4 5 6 \n<FLOAT_ARRAY_END>\n"));
    }
}

TEST(HostileModelFile, WeightCountsDoNotSizeTheTable) {
    const char* const pairs[][2] = {{"50000000", "8"},    {"2147483647", "8"}, {"8", "2147483647"},
                                    {"100000", "100000"}, {"-8", "8"},         {"3", "-1"}};
    for (const auto& p : pairs) {
        SCOPED_TRACE(std::string(p[0]) + " x " + p[1]);
        ExpectModelReadBounded(GeometryWith(std::string("<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>") + p[0] +
                                            "\n<APPLY_BONE_NUM>" + p[1] + "\n0 1 1 0.5 \n<WEIGHTS_END>\n"));
    }
}

TEST(HostileModelFile, ChildCountWithoutChildrenEndsAtTheFileEnd) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectModelReadBounded(
            std::string("<BONE_ARRAY>\nroot \n<BONE>\n<BONE_BEGIN>\n<BONE_NAME>root\n<CHILD_COUNT>") + count +
            "\n\t\t<BONE_BEGIN>\n\t\t<BONE_NAME>kid\n\t\t<CHILD_COUNT>0\n");
    }
}

TEST(HostileModelFile, ListLinesNameAtMostOneLinesWorthOfBones) {
    std::string file = "[MODEL_ID]\nm\n";
    for (int line = 0; line < 3; ++line) {
        file += "<BONE_ARRAY>\n";
        for (int i = 0; i < 100000; ++i) file += "a ";
        file += "\n";
    }
    CModel model;
    (void)ParseModel(model, file);
    EXPECT_EQ(model.bones.Count(), 130560);
}

TEST(HostileModelFile, DeeplyNestedBonesDoNotExhaustTheStack) {
    // Each bone claims one child, 200000 levels deep.
    std::string file = "<BONE_ARRAY>\nb \n<BONE>\n";
    for (int i = 0; i < 200000; ++i) file += "<BONE_NAME>b\n<CHILD_COUNT>1\n";
    file += "<BONE_NAME>leaf\n<CHILD_COUNT>0\n";
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(file.size()) + (1u << 30), [&] {
        CModel model;
        (void)ParseModel(model, file);
        // A model that was read can also be written.
        (void)SerializeModel(model);
    });
    EXPECT_TRUE(r.withinBound) << r.detail;
}

TEST(HostileAnimationFile, ManyEmptyChannelsStayBounded) {
    std::string file = "[TARGET_MODEL_ID]\nm\n\n";
    for (int i = 0; i < 20000; ++i) file += "<ANIMATION_BEGIN>\n<TARGET>b\n<KEY_TIME>\n0 \n<ANIMATION_END>\n";
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(file.size()), [&] {
        CModel model;
        model.name.SetAscii("m");
        (void)ParseAnimation(model, file);
    });
    EXPECT_TRUE(r.withinBound) << r.detail;
}

TEST(HostileSettingsFile, LongLinesAndBinaryStayBounded) {
    std::string file(200000, 'x');
    file += "\nModelPath = " + std::string(5000, '\x82') + "\n";
    for (int i = 0; i < 256; ++i) file += static_cast<char>(i);
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(file.size()), [&] {
        CSettings settings;
        (void)settings.Read(file);  // binary bytes: refused whole, within the bound
    });
    EXPECT_TRUE(r.withinBound) << r.detail;
}

namespace {

std::string MeshDoc(const std::string& floatCount, const std::string& stride, const std::string& primitive) {
    return R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_geometries><geometry id="g"><mesh>
<source id="pos"><float_array id="pos-array" count=")" +
           floatCount + R"(">0 0 0 1 0 0 0 1 0</float_array>
<technique_common><accessor source="#pos-array" count="3" stride=")" +
           stride + R"("/></technique_common></source>
<vertices id="v"><input semantic="POSITION" source="#pos"/></vertices>
)" + primitive +
           R"(
</mesh></geometry></library_geometries>
</COLLADA>)";
}

std::string ControllerDoc(const std::string& weightCount, const std::string& nameCount, const std::string& floatCount) {
    return R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_geometries><geometry id="g"><mesh>
<source id="pos"><float_array id="pos-array" count="9">0 0 0 1 0 0 0 1 0</float_array>
<technique_common><accessor source="#pos-array" count="3" stride="3"/></technique_common></source>
<vertices id="v"><input semantic="POSITION" source="#pos"/></vertices>
<triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>
</mesh></geometry></library_geometries>
<library_controllers><controller id="c"><skin source="#g">
<bind_shape_matrix>1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</bind_shape_matrix>
<source id="j"><Name_array id="j-array" count=")" +
           nameCount + R"(">A B</Name_array></source>
<source id="ib"><float_array id="ib-array" count=")" +
           floatCount + R"(">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source>
<source id="w"><float_array id="w-array" count=")" +
           floatCount + R"(">1 0.5</float_array></source>
<joints><input semantic="JOINT" source="#j"/><input semantic="INV_BIND_MATRIX" source="#ib"/></joints>
<vertex_weights count=")" +
           weightCount +
           R"("><input semantic="JOINT" source="#j" offset="0"/><input semantic="WEIGHT" source="#w" offset="1"/>
<vcount>1 1 1</vcount><v>0 0 1 1 0 1</v></vertex_weights>
</skin></controller></library_controllers>
</COLLADA>)";
}

std::string AnimationDoc(const std::string& count) {
    return R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_animations><animation id="a">
<source id="in"><float_array id="in-array" count=")" +
           count + R"(">0 1</float_array></source>
<source id="out"><float_array id="out-array" count=")" +
           count + R"(">1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1</float_array></source>
<sampler id="s"><input semantic="INPUT" source="#in"/><input semantic="OUTPUT" source="#out"/></sampler>
<channel source="#s" target="bone/transform"/>
</animation></library_animations>
</COLLADA>)";
}

}  // namespace

TEST(HostileCollada, FloatArrayCountDoesNotSizeTheBuffer) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectColladaBounded(MeshDoc(
            count, "3",
            R"(<triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>)"));
    }
}

TEST(HostileCollada, PrimitiveCountDoesNotSizeTheBuffer) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectColladaBounded(MeshDoc(
            "9", "3",
            std::string(R"(<polylist count=")") + count +
                R"("><input semantic="VERTEX" source="#v" offset="0"/><vcount>3</vcount><p>0 1 2</p></polylist>)"));
        ExpectColladaBounded(
            MeshDoc("9", "3",
                    std::string(R"(<triangles count=")") + count +
                        R"("><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>)"));
    }
}

TEST(HostileCollada, ZeroAndNegativeStridesDoNotCrash) {
    for (const char* stride : {"0", "-3", "2147483647", "x"}) {
        SCOPED_TRACE(stride);
        ExpectColladaBounded(MeshDoc(
            "9", stride,
            R"(<triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>)"));
    }
}

TEST(HostileCollada, SkinCountsDoNotSizeTheBuffers) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectColladaBounded(ControllerDoc(count, "2", "16"));
        ExpectColladaBounded(ControllerDoc("3", count, "16"));
        ExpectColladaBounded(ControllerDoc("3", "2", count));
    }
}

TEST(HostileCollada, AnimationCountsDoNotSizeTheBuffers) {
    for (const char* count : kHugeCounts) {
        SCOPED_TRACE(count);
        ExpectColladaBounded(AnimationDoc(count));
    }
}

TEST(HostileCollada, DeeplyNestedNodesDoNotExhaustTheStack) {
    std::string doc = R"(<?xml version="1.0"?><COLLADA><library_visual_scenes><visual_scene id="s">)";
    const int depth = 100000;
    for (int i = 0; i < depth; ++i) doc += R"(<node sid="n" type="JOINT">)";
    for (int i = 0; i < depth; ++i) doc += "</node>";
    doc += "</visual_scene></library_visual_scenes></COLLADA>";
    const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(doc.size()) + (1u << 30), [&] {
        CModel model;
        CName name;
        name.SetAscii("deep");
        std::string error;
        (void)Kept(LoadColladaFromMemory(model, doc, name), error);
        (void)SerializeModel(model);
    });
    EXPECT_TRUE(r.withinBound) << r.detail;
}

TEST(HostileCollada, TooDeepOrTooManyNodesEndTheImportWithAMessage) {
    const auto scene = [](const std::string& nodes) {
        return R"(<?xml version="1.0"?><COLLADA><library_visual_scenes><visual_scene id="s">)" + nodes +
               "</visual_scene></library_visual_scenes></COLLADA>";
    };
    std::string deep;
    for (int i = 0; i < 1100; ++i) deep += R"(<node id="n)" + std::to_string(i) + R"(" type="JOINT">)";
    for (int i = 0; i < 1100; ++i) deep += "</node>";
    std::string wide = "<node>";
    for (int i = 0; i <= (1 << 18); ++i) wide += "<node/>";
    wide += "</node>";
    const struct {
        std::string doc;
        const char* error;
    } cases[] = {{scene(deep), "nested deeper"}, {scene(wide), "more than 262144 nodes"}};
    for (const auto& c : cases) {
        CModel model;
        CName name;
        name.SetAscii("hostile");
        std::string error;
        EXPECT_FALSE(Kept(LoadColladaFromMemory(model, c.doc, name), error));
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
        // What was entered can still be written and released.
        EXPECT_FALSE(SerializeModel(model).empty());
    }
}

// Names cost memory by their length: many short names stay within the
// readers' bound (a name used to take 2 KB whatever it held).
TEST(HostileNames, ManyShortNamesStayBounded) {
    std::string list, tree, joints, nodes;
    for (int i = 0; i < 20000; ++i) {
        const std::string n = "b" + std::to_string(i % 1000);
        list += n + " ";
        tree += "<BONE_NAME>" + n + "\n<CHILD_COUNT>1\n";
        joints += n + " ";
        nodes += "<node id=\"" + n + "\" sid=\"" + n + "\"/>";
    }
    ExpectModelReadBounded("[MODEL_ID]\nm\n<BONE_ARRAY>\n" + list + "\n<BONE>\n" + tree);
    const std::string skin =
        "<COLLADA><library_geometries><geometry id=\"g\"><mesh/></geometry></library_geometries>"
        "<library_controllers><controller><skin source=\"#g\"><source id=\"j\"><Name_array count=\"20000\">" +
        joints +
        "</Name_array></source><joints><input semantic=\"JOINT\" source=\"#j\"/><input semantic=\"INV_BIND_MATRIX\" "
        "source=\"#m\"/></joints><vertex_weights count=\"1\"><input semantic=\"JOINT\"/><input semantic=\"WEIGHT\" "
        "source=\"#w\"/><vcount>0</vcount><v/></vertex_weights></skin></controller></library_controllers>"
        "<library_visual_scenes><visual_scene><node id=\"r\">" +
        nodes + "</node></visual_scene></library_visual_scenes></COLLADA>";
    ExpectColladaBounded(skin);
}

namespace {

// A .gltf whose `nodes` each draw the `vertices` positions of buffer `uri`; `more`: further members.
std::string Gltf(const std::string& uri, int vertices = 3, int nodes = 1, const std::string& more = "") {
    std::string doc =
        R"({"asset":{"version":"2.0"},"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],"nodes":[)";
    for (int i = 0; i < nodes; ++i) doc += i ? R"(,{"mesh":0})" : R"({"mesh":0})";
    const std::string bytes = std::to_string(12 * vertices);
    return doc + R"(],"bufferViews":[{"buffer":0,"byteLength":)" + bytes +
           R"(}],"accessors":[{"bufferView":0,"componentType":5126,"count":)" + std::to_string(vertices) +
           R"(,"type":"VEC3"}],"buffers":[{"byteLength":)" + bytes + R"(,"uri":")" + uri + "\"}]" + more + "}";
}

}  // namespace

// External files come from the model's folder only, however a URI spells
// its way out; an image that would leave it is left out with a note.
TEST(HostileGltf, UrisLeavingTheModelsFolderAreRefused) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.Path() / "m/sub");
    WriteFileBytes(dir / "secret.bin", std::string(36, '\0'));
    WriteFileBytes(dir / "m/in.bin", std::string(36, '\0'));
    ASSERT_EQ(::symlink((dir / "secret.bin").c_str(), (dir / "m/link.bin").c_str()), 0);
    const std::string image = R"(,"images":[{"uri":"%2E%2E/secret.png"}],"textures":[{"source":0}],)"
                              R"("materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0}}}])";
    const std::pair<const char*, bool> cases[] = {
        {"in.bin", true},           {"sub/../in.bin", true},        {"./%69n.bin", true},
        {"../secret.bin", false},   {"%2E%2E/secret.bin", false},   {"link.bin", false},
        {"..%2Fsecret.bin", false}, {"sub/../../secret.bin", false}};
    for (const auto& [uri, inside] : cases) {
        WriteFileBytes(dir / "m/m.gltf", Gltf(uri, 3, 1, image));
        CModel model;
        std::string why;
        std::vector<std::string> notes;
        EXPECT_EQ(Kept(LoadGltf(model, dir / "m/m.gltf"), why, notes), inside) << uri << ": " << why;
        EXPECT_EQ(why.find("outside the model's folder") != std::string::npos, !inside) << uri << ": " << why;
        EXPECT_EQ(inside && model.textures.Count() == 1 && model.textures[0]->fileName.Empty() && notes.size() == 1,
                  inside)
            << uri;
    }
}

// Counts, indices and numbers that lie end the import with one line naming
// what lied; nothing is made up to fill the gap.
TEST(HostileCollada, LyingCountsIndicesAndNumbersAreRefused) {
    const auto tris = [](const std::string& p) {
        return R"(<triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>)" + p + "</p></triangles>";
    };
    const auto poly = [](const std::string& n) {
        return R"(<polylist count="2"><input semantic="VERTEX" source="#v" offset="0"/><vcount>)" + n +
               "</vcount><p>0 1 2 0 1 2</p></polylist>";
    };
    const auto edit = [](std::string doc, const std::string& from, const std::string& to) {
        return doc.replace(doc.find(from), from.size(), to);
    };
    const std::string mesh = MeshDoc("9", "3", tris("0 1 2"));
    const std::string skin = edit(ControllerDoc("3", "2", "16"), "\"16\">1 0.5", "\"2\">1 0.5");
    const auto pairs = [&](const std::string& vcount, const std::string& v) {
        return edit(edit(skin, "1 1 1</vcount>", vcount + "</vcount>"), "0 0 1 1 0 1</v>", v + "</v>");
    };
    const std::pair<std::string, const char*> cases[] = {
        {MeshDoc("4294967295", "3", tris("0 1 2")), "holds 9 numbers, its count says"},
        {MeshDoc("48", "3", tris("0 1 2")), "its count says 48"},
        {MeshDoc("-9", "3", tris("0 1 2")), "negative count"},
        {MeshDoc("9", "0", tris("0 1 2")), "stride below 1"},
        {MeshDoc("9", "-3", tris("0 1 2")), "stride below 1"},
        {MeshDoc("9", "3", tris("0 1 -1")), "vertex index -1"},
        {MeshDoc("9", "3", tris("0 1 -2147483648")), "index -2147483648"},
        {MeshDoc("9", "3", tris("0 1 99999")), "index 99999, its source has 3"},
        {MeshDoc("9", "3", tris("2147483647 1 2")), "index 2147483647"},
        {MeshDoc("9", "3", poly("3 -3")), "asks for -3 corners"},
        {MeshDoc("9", "3", poly("3 2147483647")), "asks for 2147483647"},
        {edit(mesh, "0 1 0<", "0 1 NaN<"), "NaN or infinity in the array \"v\""},
        {edit(mesh, ">0 0 0", ">INF 0 0"), "NaN or infinity in the array"},
        {edit(skin, "1 0.5<", "NaN 0.5<"), "NaN or infinity in the float_array of source \"w\""},
        {edit(skin, "0 0 0 1</bind", "0 0 0 -INF</bind"), "NaN or infinity in the bind shape matrix"},
        {ControllerDoc("3", "2", "16"), "source \"w\" holds 2 numbers, its count says 16"},
        {edit(skin, "0 0 0 1</bind", "0</bind"), "<bind_shape_matrix> holds 13 numbers"},
        {pairs("1 1 2", "0 0 1 1 0 1"), "asks for 2 pairs where <v> holds 1 more"},
        {pairs("1 -1 1", "0 0 1 1 0 1"), "asks for -1 pairs"},
        {pairs("1 1 1", "0 0 1 1 2 1"), "joint index 2, the skin names 2 joints"},
        {pairs("1 1 1", "-2 0 1 1 0 1"), "joint index -2"},
        {pairs("1 1 1", "0 0 1 1 0 5"), "weight index 5, its source has 2"},
        {pairs("1 1 1", "0 0 1 -1 0 1"), "weight index -1"},
    };
    CModel skinned;
    ASSERT_TRUE(LoadColladaFromMemory(skinned, pairs("1 1 1", "-1 0 1 1 0 1"), CName(u"skin")).IsOk());
    for (const auto& [doc, reason] : cases) {
        CModel model;
        std::string why;
        EXPECT_FALSE(Kept(LoadColladaFromMemory(model, doc, CName(u"hostile")), why)) << reason;
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
    ScratchDir dir;
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, std::numeric_limits<float>::quiet_NaN(), 0};
    WriteFileBytes(dir / "nan.bin", std::string(reinterpret_cast<const char*>(positions), sizeof positions));
    WriteFileBytes(dir / "nan.gltf", Gltf("nan.bin"));
    CModel model;
    std::string why;
    EXPECT_FALSE(Kept(LoadGltf(model, dir / "nan.gltf"), why));
    EXPECT_NE(why.find("NaN or infinity in the array \"mesh0-positions\""), std::string::npos) << why;
}

// Each node using a mesh gets a copy of it: many uses of one mesh are
// refused before the copies are made, few are read.
TEST(HostileGltf, AMeshUsedByManyNodesStaysWithinTheGeometryLimit) {
    ScratchDir dir;
    WriteFileBytes(dir / "mesh.bin", std::string(12000, '\0'));
    for (const int uses : {2, 3000}) {
        WriteFileBytes(dir / "many.gltf", Gltf("mesh.bin", 1000, uses));
        const HeapProbeResult r = RunWithHeapBound(ReaderHeapBound(12000 + 11 * uses + 400), [&] {
            CModel model;
            (void)LoadGltf(model, dir / "many.gltf");
        });
        EXPECT_TRUE(r.withinBound) << uses << ": " << r.detail;
        CModel model;
        std::string why;
        EXPECT_EQ(Kept(LoadGltf(model, dir / "many.gltf"), why), uses == 2) << why;
        EXPECT_EQ(why.find("use meshes 3000 times") != std::string::npos, uses == 3000) << why;
    }
}
