// glTF import: exports of an independent writer against their COLLADA
// sources, the sample models, transforms, key sampling and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "collada/collada.h"
#include "gltf/data_uri.h"
#include "gltf/gltf.h"
#include "model/animation.h"
#include "model/mdl_file.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "tests/core/test_files.h"
#include "tests/core/status_util.h"

namespace {

const std::string kData = VORLAND_SOURCE_DIR "/tests/data/gltf/";
const std::string kBlender = VORLAND_SOURCE_DIR "/tests/data/corpus/blender/";

struct Counts {
    int geometries = 0, corners = 0, textures = 0, bones = 0, animations = 0, channels = 0, keys = 0;
    bool operator==(const Counts&) const = default;
};

Counts CountsOf(const CModel& m) {
    Counts c{m.geometries.Count(), 0, m.textures.Count(), m.bones.Count(), m.animations.Count(), 0, 0};
    for (const CGeometry* g : m.geometries)
        for (const CPolygonData* p : g->polygonData) c.corners += p->vertexIndices.Count();
    for (const CAnimation* a : m.animations) {
        c.channels += a->channels.Count();
        for (const CAnimationChannel* ch : a->channels) c.keys += ch->keyTimes.Count();
    }
    return c;
}

std::string Base64(const std::string& bytes) {
    static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned v = 0;
        for (std::size_t j = 0; j < 3; ++j) v = v << 8 | (j < n ? static_cast<unsigned char>(bytes[i + j]) : 0u);
        for (std::size_t j = 0; j < 4; ++j) out += j <= n ? k[(v >> (18 - 6 * j)) & 63] : '=';
    }
    return out;
}

std::string Floats(std::initializer_list<float> values) {
    std::string s(values.size() * 4, '\0');
    std::memcpy(s.data(), values.begin(), s.size());
    return s;
}

// A .gltf with `body` (JSON members) and one buffer holding `buffer`.
std::string Doc(const std::string& body, const std::string& buffer = "") {
    std::string doc = R"({"asset":{"version":"2.0"},)" + body;
    if (!buffer.empty())
        doc += R"(,"buffers":[{"byteLength":)" + std::to_string(buffer.size()) +
               R"(,"uri":"data:application/octet-stream;base64,)" + Base64(buffer) + R"("}])";
    return doc + "}";
}

using Accessors = std::vector<std::pair<std::string, std::string>>;  // fields and bytes of each

// One triangle (accessor 0) and `extra` accessors with views of their own; the rest goes where its name says.
std::string TriangleDoc(const std::string& attributes, const Accessors& extra = {}, const std::string& primitive = "",
                        const std::string& members = "", const std::string& nodes = R"({"mesh":0})") {
    std::string buffer = Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    std::string views = R"({"buffer":0,"byteLength":36})",
                accessors = R"({"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"})";
    for (std::size_t i = 0; i < extra.size(); ++i) {
        views += R"(,{"buffer":0,"byteOffset":)" + std::to_string(buffer.size()) + R"(,"byteLength":)" +
                 std::to_string(extra[i].second.size()) + "}";
        accessors += R"(,{"bufferView":)" + std::to_string(i + 1) + "," + extra[i].first + "}";
        buffer += extra[i].second + std::string(3 - (extra[i].second.size() + 3) % 4, '\0');
    }
    return Doc(R"("nodes":[)" + nodes + R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0)" + attributes + "}" +
                   primitive + R"(}]}],"bufferViews":[)" + views + R"(],"accessors":[)" + accessors + "]" + members,
               buffer);
}

const float* Values(const CGeometry& g, const CName& id) {
    return static_cast<const float*>(g.FindFloatArray(id)->values->Data());
}

bool Load(CModel& model, const std::string& bytes, std::string* error = nullptr,
          std::vector<std::string>* notes = nullptr) {
    CName name;
    name.SetAscii("doc");
    const Outcome imported = LoadGltfFromMemory(model, bytes, name, "");
    if (error) *error = imported.Why();
    if (notes) *notes = imported.notes;
    return imported.IsOk();
}

const CGeometry* FirstGeometry(CModel& model, const std::string& bytes, std::vector<std::string>* notes = nullptr) {
    std::string error;
    if (Load(model, bytes, &error, notes) && model.geometries.Count() > 0) return model.geometries[0];
    ADD_FAILURE() << error;
    return nullptr;
}

}  // namespace

TEST(GltfImport, ExportsOfAnIndependentWriterMatchTheirColladaSources) {
    for (const char* name : {"two-skinned-cubes", "letter-f-animated"}) {
        CModel dae, glb;
        CName ext;
        ext.SetAscii(".dae");
        std::string error;
        ASSERT_TRUE(Kept(LoadCollada(dae, kBlender + name + ".dae", ext), error)) << error;
        ASSERT_TRUE(Kept(LoadGltf(glb, kData + "blender/" + name + ".glb"), error)) << error;
        Counts a = CountsOf(dae), b = CountsOf(glb);
        EXPECT_EQ(a, b) << name;
        EXPECT_EQ(glb.name.ToUtf8(), name);
    }
}

TEST(GltfImport, SampleModels) {
    struct Case {
        const char* file;
        Counts counts;
        const char* note;  // expected among the notes, or empty
    } cases[] = {
        {"khronos/BoxTextured.glb", {1, 36, 1, 0, 0, 0, 0}, ""},
        {"khronos/textured-cube.gltf", {1, 36, 1, 0, 0, 0, 0}, ""},
        {"khronos/simple_skin.gltf", {1, 24, 0, 2, 1, 1, 12}, ""},
        {"khronos/AnimatedMorphCube.gltf", {1, 36, 0, 0, 1, 0, 0}, "morph targets were left out"},
        {"asset-generator/Mesh_PrimitiveMode_00.gltf", {0, 0, 0, 0, 0, 0, 0}, "points and lines were left out"},
        {"asset-generator/Mesh_PrimitiveMode_04.gltf", {1, 6, 0, 0, 0, 0, 0}, ""},  // strip
        {"asset-generator/Mesh_PrimitiveMode_05.gltf", {1, 6, 0, 0, 0, 0, 0}, ""},  // fan
    };
    for (const Case& c : cases) {
        CModel model;
        std::string error;
        std::vector<std::string> notes;
        ASSERT_TRUE(Kept(LoadGltf(model, kData + c.file), error, notes)) << error;
        EXPECT_EQ(CountsOf(model), c.counts) << c.file;
        if (*c.note) {
            EXPECT_NE(std::find(notes.begin(), notes.end(), c.note), notes.end()) << c.file;
        }
    }
}

TEST(GltfImport, EmbeddedImagesStayInMemoryAndAreWrittenBesideTheMdl) {
    CModel model;
    ASSERT_TRUE(LoadGltf(model, kData + "khronos/BoxTextured.glb"));
    ASSERT_EQ(model.textures.Count(), 1);
    const std::string image = model.textures[0]->embeddedImage;
    EXPECT_EQ(image.substr(0, 4), "\x89PNG");
    EXPECT_TRUE(model.textures[0]->fileName.Empty());
    EXPECT_EQ(model.materials[0]->textureName, model.textures[0]->id);

    ScratchDir dir;
    ASSERT_TRUE(WriteModel(model, dir / "box"));
    EXPECT_EQ(ReadFileBytes(dir / "box_0.png"), image);
    CModel back;
    ASSERT_TRUE(ReadModel(back, dir / "box.mdl"));
    EXPECT_EQ(back.textures[0]->fileName.ToUtf8(), "box_0.png");
}

TEST(GltfImport, YUpNodesStandInTheZUpFrame) {
    CModel model;
    ASSERT_TRUE(Load(
        model,
        Doc(R"("nodes":[{"name":"root","children":[1]},{"name":"n","translation":[1,2,3]}],"scenes":[{"nodes":[0]}])")));
    // The root node is the root bone and holds the node; translation is in elements 3, 7, 11.
    ASSERT_EQ(model.rootBones.Count(), 1);
    EXPECT_EQ(model.rootBones[0]->name.ToUtf8(), "root");
    const CBone* bone = model.rootBones[0]->children[0];
    EXPECT_EQ(bone->name.ToUtf8(), "n");
    EXPECT_FLOAT_EQ(bone->jointMatrix[3], 1.0f);
    EXPECT_FLOAT_EQ(bone->jointMatrix[7], -3.0f);
    EXPECT_FLOAT_EQ(bone->jointMatrix[11], 2.0f);
}

TEST(GltfImport, AMeshBelowAnAnimatedNodeFollowsItAndRootNodesAreTheRootBones) {
    // root (at x = 5, never moved) > arm (moved 2 up over a second) > hand, showing a triangle.
    const std::string buffer = Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + Floats({0, 1}) + Floats({0, 0, 0, 0, 2, 0});
    const std::string doc = Doc(
        R"("nodes":[{"name":"root","translation":[5,0,0],"children":[1]},{"name":"arm","children":[2]},{"name":"hand","mesh":0}],)"
        R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
        R"("bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":8},{"buffer":0,"byteOffset":44,"byteLength":24}],)"
        R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"},)"
        R"({"bufferView":1,"componentType":5126,"count":2,"type":"SCALAR"},{"bufferView":2,"componentType":5126,"count":2,"type":"VEC3"}],)"
        R"("animations":[{"samplers":[{"input":1,"output":2}],"channels":[{"sampler":0,"target":{"node":1,"path":"translation"}}]}])",
        buffer);
    CModel model;
    std::string error;
    ASSERT_TRUE(Load(model, doc, &error)) << error;
    ASSERT_EQ(model.rootBones.Count(), 1);
    EXPECT_EQ(model.rootBones[0]->name.ToUtf8(), "root");
    struct Case {
        std::uint32_t frame;  // 50 a second
        float lowZ;           // glTF's y is the viewer's z
    } cases[] = {{0, 0.0f}, {25, 1.0f}, {40, 1.6f}};
    for (const Case& c : cases) {
        CRenderModel posed;
        ASSERT_TRUE(posed.CopyBones(model) && posed.CopyAnimations(model));
        posed.frameCounter = c.frame;
        ASSERT_TRUE(posed.UpdatePose());
        const Bounds3 box = PosedBounds(model, posed);
        EXPECT_NEAR(box.min.x, 5.0f, 1e-5) << c.frame;
        EXPECT_NEAR(box.min.z, c.lowZ, 1e-5) << c.frame;
        EXPECT_NEAR(box.max.z, c.lowZ + 1.0f, 1e-5) << c.frame;
    }
}

TEST(GltfImport, KeysAreSampledAtTheUnionOfTheNodesKeyTimes) {
    // Translation keys at 0 and 1 from x = 0 to x = 1 (cubic: out-tangent 1
    // at the first key); an idle rotation adds a key at 0.5.
    struct Case {
        const char* interpolation;
        std::string translation;
        float xAtHalf;
    } cases[] = {
        {"LINEAR", Floats({0, 0, 0, 1, 0, 0}), 0.5f},
        {"STEP", Floats({0, 0, 0, 1, 0, 0}), 0.0f},
        {"CUBICSPLINE", Floats({0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0}), 0.625f},
    };
    for (const Case& c : cases) {
        const std::string buffer =
            Floats({0, 1, 0, 0.5f, 1}) + Floats({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}) + c.translation;
        const std::string views =
            R"("bufferViews":[{"buffer":0,"byteLength":8},{"buffer":0,"byteOffset":8,"byteLength":12},)"
            R"({"buffer":0,"byteOffset":20,"byteLength":48},{"buffer":0,"byteOffset":68,"byteLength":)" +
            std::to_string(c.translation.size()) + "}]";
        const std::string accessors = R"("accessors":[{"bufferView":0,"componentType":5126,"count":2,"type":"SCALAR"},)"
                                      R"({"bufferView":1,"componentType":5126,"count":3,"type":"SCALAR"},)"
                                      R"({"bufferView":2,"componentType":5126,"count":3,"type":"VEC4"},)"
                                      R"({"bufferView":3,"componentType":5126,"count":)" +
                                      std::to_string(c.translation.size() / 12) + R"(,"type":"VEC3"}])";
        const std::string animation =
            std::string(R"("animations":[{"samplers":[{"input":0,"output":3,"interpolation":")") + c.interpolation +
            R"("},{"input":1,"output":2}],)"
            R"("channels":[{"sampler":0,"target":{"node":0,"path":"translation"}},)"
            R"({"sampler":1,"target":{"node":0,"path":"rotation"}}]}])";
        CModel model;
        std::string error;
        ASSERT_TRUE(Load(model, Doc(R"("nodes":[{}],)" + views + "," + accessors + "," + animation, buffer), &error))
            << error;
        ASSERT_EQ(model.animations.Count(), 1) << c.interpolation;
        const CAnimationChannel* ch = model.animations[0]->channels[0];
        ASSERT_EQ(ch->keyTimes.Count(), 3) << c.interpolation;
        EXPECT_FLOAT_EQ(ch->keyTimes[1], 0.5f);
        EXPECT_NEAR(ch->poseMatrices[1].m[3], c.xAtHalf, 1e-6) << c.interpolation;
        EXPECT_EQ(ch->bone, model.bones[0]);
    }
}

TEST(GltfImport, BadInputEndsWithOneLine) {
    const std::string glb = ReadFileBytes(kData + "khronos/BoxTextured.glb");
    const std::string triangle = Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    const std::string mesh = R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
                             R"("bufferViews":[{"buffer":0,"byteLength":36}],)";
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"truncated .glb", glb.substr(0, glb.size() / 2), "cut short"},
        {"accessor past its view",
         Doc(mesh + R"("accessors":[{"bufferView":0,"componentType":5126,"count":4,"type":"VEC3"}])", triangle),
         "runs past"},
        {"absurd count",
         Doc(mesh + R"("accessors":[{"componentType":5126,"count":4000000000,"type":"VEC3"}])", triangle),
         "more than the file"},
        {"index past the vertices",
         Doc(R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)"
             R"("bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":12}],)"
             R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"},)"
             R"({"bufferView":1,"componentType":5125,"count":3,"type":"SCALAR"}])",
             triangle + std::string("\0\0\0\0\1\0\0\0\7\0\0\0", 12)),
         "beyond its 3 vertices"},
        {"two parents", Doc(R"("nodes":[{"children":[2]},{"children":[2]},{}])"), "more than one parent"},
        {"cycle", ReadFileBytes(kData + "khronos/RecursiveNodes.gltf"), "cycle"},
        {"nesting", std::string(100000, '['), "nested deeper"},
        {"not glTF", "hello", ""},
        {"bad .glb magic", "glTf" + glb.substr(4), "neither glTF JSON"},
        {"number out of range", Doc(R"("scene":1e309)"), "cannot be read at byte 35: number too big"},
        {"malformed data URI", Doc(R"("buffers":[{"byteLength":4,"uri":"data:text/plain,abcd"}])"),
         "data URI is malformed"},
        {"empty URI", Doc(R"("buffers":[{"byteLength":4,"uri":""}])"), "has no URI"},
    };
    for (const Case& c : cases) {
        CModel model;
        std::string error;
        EXPECT_FALSE(Load(model, c.bytes, &error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
    }
    CModel model;
    std::string error;
    EXPECT_FALSE(Kept(LoadGltf(model, kData + "khronos/MissingBin.gltf"), error));
    EXPECT_NE(error.find("BoxTextured0.bin"), std::string::npos) << error;
}

// Strict base64 only: anything else is left to the parser's own reading.
TEST(GltfImport, Base64IsDecodedOnlyWhenStrict) {
    const struct {
        const char* text;
        const char* bytes;  // null: refused
    } cases[] = {{"QUJD", "ABC"}, {"QUI=", "AB"},    {"QUI", "AB"},       {"QQ==", "A"},     {"QQ", "A"},
                 {"Q", nullptr},  {"QU=I", nullptr}, {"QUJD\n", nullptr}, {"Q-I_", nullptr}, {"QUJ\\", nullptr}};
    for (const auto& c : cases) {
        std::vector<unsigned char> out;
        EXPECT_EQ(DecodeBase64(c.text, out), c.bytes != nullptr) << c.text;
        if (c.bytes) {
            EXPECT_EQ(std::string(out.begin(), out.end()), c.bytes) << c.text;
        }
    }
}

// Data URIs are decoded before the parser where that is exact, and left to it
// otherwise: every spelling of one buffer imports alike, a wrong one fails.
TEST(GltfImport, DataUrisSpelledAnyWayImportAlike) {
    const std::string digits = Base64(Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    const std::string body =
        R"({"asset":{"version":"2.0"},"nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
        R"("bufferViews":[{"buffer":0,"byteLength":36}],"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}],)";
    const std::string octet = "data:application/octet-stream;base64,";
    const struct {
        std::string uri, length;
        bool loads;
    } cases[] = {{octet + digits, "36", true},
                 {"data:application/gltf-buffer;base64," + digits, "36", true},
                 {octet + "\\u0041" + digits.substr(1), "36", true},  // a JSON escape: the parser's
                 {octet + digits, "35", false},
                 {octet + digits.substr(0, 40) + "*" + digits.substr(41), "36", false}};
    std::vector<float> first;
    for (const auto& c : cases) {
        CModel model;
        std::string error;
        const std::string doc = body + R"("buffers":[{"byteLength":)" + c.length + R"(,"uri":")" + c.uri + R"("}]})";
        ASSERT_EQ(Load(model, doc, &error), c.loads) << c.uri << ": " << error;
        if (!c.loads) continue;
        const float* p = static_cast<const float*>(model.geometries[0]->floatArrays[0]->values->Data());
        const std::vector<float> positions(p, p + 9);
        if (first.empty()) first = positions;
        EXPECT_EQ(positions, first) << c.uri;
    }
    EXPECT_EQ(std::count(first.begin(), first.end(), 0.0f), 7);  // two unit coordinates, wherever the turn puts them
}

// Vertex sources as the format defines them, at one corner: flat normals where the file gives none (turned by a
// mirroring node, which turns the winding; glTF's +z is the viewer's -y), coordinates of the set and transform the base
// colour texture names (v flipped), RGBA colours.
TEST(GltfImport, VertexSourcesAreReadAsTheFormatDefines) {
    const std::string vec2 = R"("componentType":5126,"count":3,"type":"VEC2")",
                      uvs = R"(,"TEXCOORD_0":1,"TEXCOORD_1":2)", material = R"(,"material":0)";
    const Accessors sets = {{vec2, Floats({0, 0, 0, 0, 0, 0})},
                            {vec2, Floats({0, 0, 1, 0, 0, 1})}};  // vertex 1 at (0, 0) and (1, 0)
    const std::string textured =
        R"(,"textures":[{"source":0}],"images":[{"uri":"x.png"}],"materials":[{"pbrMetallicRoughness":{"baseColorTexture":{"index":0)";
    enum Source { kNormal, kTexture, kColor };
    const struct {
        std::string attributes;
        Accessors extra;
        std::string primitive, members, node;
        Source source;
        std::vector<float> expected;
    } cases[] = {
        {"", {}, "", "", "{\"mesh\":0}", kNormal, {0, -1, 0}},
        {"", {}, "", "", R"({"mesh":0,"scale":[1,1,-1]})", kNormal, {0, 1, 0}},
        {R"(,"NORMAL":1)",
         {{R"("componentType":5126,"count":3,"type":"VEC3")", Floats({0, 0, 1, 0, 0, 1, 1, 0, 0})}},
         "",
         "",
         "{\"mesh\":0}",
         kNormal,
         {0, -1, 0}},
        {uvs, sets, material, textured + "}}}]", "{\"mesh\":0}", kTexture, {0, 1}},
        {uvs, sets, material, textured + R"(,"texCoord":1}}}])", "{\"mesh\":0}", kTexture, {1, 1}},
        {uvs,
         sets,
         material,
         textured + R"(,"extensions":{"KHR_texture_transform":{"texCoord":1,"offset":[0.5,0.25],"scale":[2,3]}}}}}])",
         "{\"mesh\":0}",
         kTexture,
         {2.5f, 0.75f}},
        {uvs,
         sets,
         material,
         textured + R"(,"texCoord":1,"extensions":{"KHR_texture_transform":{"rotation":1.5707963}}}}}])",
         "{\"mesh\":0}",
         kTexture,
         {0, 2}},
        {R"(,"COLOR_0":1)",
         {{R"("componentType":5126,"count":3,"type":"VEC3")", Floats({0, 0, 0, 0.25f, 0.5f, 1, 0, 0, 0})}},
         "",
         "",
         "{\"mesh\":0}",
         kColor,
         {0.25f, 0.5f, 1, 1}},
        {R"(,"COLOR_0":1)",
         {{R"("componentType":5121,"normalized":true,"count":3,"type":"VEC4")",
           std::string("\0\0\0\0\x33\x66\x00\xff\0\0\0\0", 12)}},
         "",
         "",
         "{\"mesh\":0}",
         kColor,
         {0.2f, 0.4f, 0, 1}},
        {R"(,"COLOR_0":1)",
         {{R"("componentType":5123,"normalized":true,"count":3,"type":"VEC4")",
           std::string(8, '\0') + std::string("\xff\xff\0\0\0\0\0\0", 8) + std::string(8, '\0')}},
         "",
         "",
         "{\"mesh\":0}",
         kColor,
         {1, 0, 0, 0}}};
    for (const auto& c : cases) {
        CModel model;
        const CGeometry* g = FirstGeometry(model, TriangleDoc(c.attributes, c.extra, c.primitive, c.members, c.node));
        ASSERT_TRUE(g) << c.attributes << c.members;
        const CPolygonData& p = *g->polygonData[0];
        const auto [id, corners] = c.source == kNormal    ? std::tie(p.normalId, p.normalIndices)
                                   : c.source == kTexture ? std::tie(p.texIds[0], p.texIndices)
                                                          : std::tie(p.colorId, p.colorIndices);
        ASSERT_TRUE(g->FindFloatArray(id) && corners.Count() == 3) << c.attributes << c.members;
        for (std::size_t k = 0; k < c.expected.size(); ++k)
            EXPECT_NEAR(Values(*g, id)[static_cast<int>(c.expected.size()) * corners[1] + static_cast<int>(k)],
                        c.expected[k], 1e-6)
                << c.attributes << c.members;
    }
}

// Every JOINTS_n/WEIGHTS_n set counts; the largest influences a row holds are kept and sum to 1, with a note.
TEST(GltfImport, InfluencesKeepTheLargestAndSumToOne) {
    const float w[3][4] = {{0.3f, 0.1f, 0.1f, 0.1f}, {0.1f, 0.05f, 0.05f, 0.05f}, {0.05f, 0.05f, 0.02f, 0.03f}};
    const std::string nodes = R"({"mesh":0,"skin":0},{},{},{},{},{},{},{},{},{},{},{},{})",
                      skin = R"(,"skins":[{"joints":[1,2,3,4,5,6,7,8,9,10,11,12]}])";
    for (std::size_t used : {1u, 3u}) {
        std::string attributes;
        Accessors extra;
        for (std::size_t s = 0; s < used; ++s) {
            attributes += ",\"JOINTS_" + std::to_string(s) + "\":" + std::to_string(2 * s + 1) + ",\"WEIGHTS_" +
                          std::to_string(s) + "\":" + std::to_string(2 * s + 2);
            const std::string id = {char(4 * s), char(4 * s + 1), char(4 * s + 2), char(4 * s + 3)},
                              row(reinterpret_cast<const char*>(w[s]), 16);
            extra.insert(extra.end(), {{R"("componentType":5121,"count":3,"type":"VEC4")", id + id + id},
                                       {R"("componentType":5126,"count":3,"type":"VEC4")", row + row + row}});
        }
        CModel model;
        std::vector<std::string> notes;
        const CGeometry* g = FirstGeometry(model, TriangleDoc(attributes, extra, "", skin, nodes), &notes);
        ASSERT_TRUE(g && g->weights);
        float sum = 0;
        for (int k = 0; k < MaxBoneInfluences; ++k) sum += g->weights->Row(0)[k].weight;
        EXPECT_NEAR(sum, 1.0f, 1e-5) << used;
        EXPECT_NEAR(g->weights->Row(0)[0].weight, 0.3f / (used == 1 ? 0.6f : 0.85f), 1e-5) << used;
        EXPECT_EQ(notes.size(), used == 1 ? 0u : 1u) << used;
    }
}

// What a document declares beyond its meshes: refused when it cannot be read without it (even before indices the file
// does not hold, as in a compressed mesh), else one note each.
TEST(GltfImport, ExtensionsCamerasAndLightsAreRefusedOrNoted) {
    const struct {
        std::string members;
        const char* message;
        std::vector<std::string> notes;
    } cases[] = {
        // message: of a refusal
        {R"(,"extensionsRequired":["KHR_texture_transform","KHR_draco_mesh_compression"],"extensionsUsed":["KHR_draco_mesh_compression"])",
         "requires the extension KHR_draco_mesh_compression, which this program does not support",
         {}},
        {R"(,"extensionsRequired":["KHR_texture_transform"],"extensionsUsed":["KHR_texture_transform","EXT_a","EXT_b"])",
         nullptr,
         {"the extension EXT_a is not supported and was ignored",
          "the extension EXT_b is not supported and was ignored"}},
        {R"(,"cameras":[{"type":"perspective","perspective":{"yfov":1,"znear":0.1}}],"extensionsUsed":["KHR_lights_punctual"],)"
         R"("extensions":{"KHR_lights_punctual":{"lights":[{"type":"point"}]}})",
         nullptr,
         {"cameras were left out", "lights were left out"}}};
    for (const auto& c : cases) {
        CModel model;
        std::string error;
        std::vector<std::string> notes;
        EXPECT_EQ(Load(model, TriangleDoc("", {}, c.message ? R"(,"indices":7)" : "", c.members), &error, &notes),
                  c.message == nullptr)
            << c.members;
        EXPECT_NE(error.find(c.message ? c.message : ""), std::string::npos) << error;
        EXPECT_EQ(notes, c.notes) << c.members;
    }
}

// What the format allows is read: a buffer in a file named like an image, positions or indices without a view.
TEST(GltfImport, WhatTheFormatAllowsIsRead) {
    const std::string mesh = R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)",
                      one("\1\0\0\0", 4);
    const std::string sparse =
        R"("sparse":{"count":1,"indices":{"bufferView":1,"componentType":5125},"values":{"bufferView":)";
    const std::string views =
        R"("bufferViews":[{"buffer":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":4},{"buffer":0,"byteOffset":40,"byteLength":12}],)";
    const struct {
        std::string doc;
        float x1;
    } cases[] = {
        // x of the second position (the viewer's x is glTF's)
        {Doc(mesh + R"("buffers":[{"byteLength":36,"uri":"b.png"}],"bufferViews":[{"buffer":0,"byteLength":36}],)"
                    R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3"}])"),
         1.0f},
        {Doc(mesh + views + R"("accessors":[{"componentType":5126,"count":3,"type":"VEC3",)" + sparse + "2}}}]",
             Floats({0, 0, 0, 0, 0, 0, 0, 0, 0}) + one + Floats({3, 0, 0})),
         3.0f},
        {Doc(R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)" + views +
                 R"("accessors":[{"bufferView":0,"componentType":5126,)"
                 R"("count":3,"type":"VEC3"},{"componentType":5125,"count":3,"type":"SCALAR",)" +
                 sparse + "1}}}]",
             Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}) + one + Floats({0, 0, 0})),
         1.0f}};
    ScratchDir dir;
    WriteFileBytes(dir / "b.png", Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    for (const auto& c : cases) {
        WriteFileBytes(dir / "m.gltf", c.doc);
        CModel model;
        ASSERT_TRUE(LoadGltf(model, dir / "m.gltf")) << c.doc;
        EXPECT_FLOAT_EQ(Values(*model.geometries[0], model.geometries[0]->polygonData[0]->vertexId)[3], c.x1) << c.doc;
    }
}
