// The three room documents under model/washitu, read as plain XML: they use
// only what the importer reads (triangles, one skin, baked matrices, the
// sampler -> surface -> image chain) and hold what the viewer expects.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRoomDir = std::string(VORLAND_SOURCE_DIR) + "/model/washitu/";

std::vector<double> Numbers(const char* text) {
    std::vector<double> out;
    std::istringstream in(text);
    double v;
    while (in >> v) out.push_back(v);
    return out;
}

struct Doc {
    pugi::xml_document xml;
    pugi::xml_node root;
    explicit Doc(const std::string& name) {
        const auto result = xml.load_file((kRoomDir + name).c_str());
        EXPECT_TRUE(result) << name << ": " << result.description();
        root = xml.child("COLLADA");
    }
    pugi::xml_node Select(const std::string& q) const { return root.select_node(q.c_str()).node(); }
};

std::vector<std::array<double, 3>> Positions(const Doc& d) {
    const auto mesh = d.Select("library_geometries/geometry/mesh");
    const std::string posId = std::string(mesh.child("vertices").child("input").attribute("source").value()).substr(1);
    const auto src = mesh.find_child_by_attribute("source", "id", posId.c_str());
    const auto v = Numbers(src.child("float_array").text().get());
    std::vector<std::array<double, 3>> out;
    for (size_t i = 0; i + 2 < v.size(); i += 3) out.push_back({v[i], v[i + 1], v[i + 2]});
    return out;
}

void CheckDocument(const std::string& name) {
    SCOPED_TRACE(name);
    Doc d(name);
    ASSERT_TRUE(d.root);
    // Every material's diffuse texture resolves through the chain to an image
    // whose file lies beside the document.
    std::map<std::string, std::string> images;
    for (auto img : d.root.select_nodes("library_images/image"))
        images[img.node().attribute("id").value()] = img.node().child("init_from").text().get();
    ASSERT_FALSE(images.empty());
    for (const auto& [id, file] : images) EXPECT_TRUE(std::filesystem::exists(kRoomDir + file)) << file;
    std::vector<std::string> materials;
    for (auto m : d.root.select_nodes("library_materials/material")) {
        const auto mat = m.node();
        materials.push_back(mat.attribute("id").value());
        const std::string effectId = std::string(mat.child("instance_effect").attribute("url").value()).substr(1);
        const auto effect = d.Select("library_effects/effect[@id='" + effectId + "']");
        ASSERT_TRUE(effect) << effectId;
        const auto tex = effect.select_node("profile_COMMON/technique/phong/diffuse/texture").node();
        ASSERT_TRUE(tex) << effectId;
        const std::string sampler = tex.attribute("texture").value();
        const auto source =
            effect.select_node(("profile_COMMON/newparam[@sid='" + sampler + "']/sampler2D/source").c_str()).node();
        ASSERT_TRUE(source) << sampler;
        const auto init = effect.select_node(
            ("profile_COMMON/newparam[@sid='" + std::string(source.text().get()) + "']/surface/init_from").c_str());
        ASSERT_TRUE(init) << source.text().get();
        EXPECT_TRUE(images.count(init.node().text().get())) << init.node().text().get();
    }
    // One geometry of triangles only; each group names a material, indexes
    // inside the sources, and has its declared number of triangles.
    ASSERT_EQ(d.root.select_nodes("library_geometries/geometry").size(), 1u);
    const auto mesh = d.Select("library_geometries/geometry/mesh");
    EXPECT_FALSE(mesh.child("polylist"));
    const size_t vertexCount = Positions(d).size();
    for (auto src : mesh.children("source")) {
        const auto arr = src.child("float_array");
        const auto acc = src.child("technique_common").child("accessor");
        const int stride = acc.attribute("stride").as_int();
        EXPECT_TRUE(stride == 2 || stride == 3);
        EXPECT_EQ(Numbers(arr.text().get()).size(), arr.attribute("count").as_ullong());
        EXPECT_EQ(arr.attribute("count").as_ullong() / stride, vertexCount);
    }
    size_t groups = 0;
    for (auto tri : mesh.children("triangles")) {
        ++groups;
        EXPECT_NE(std::find(materials.begin(), materials.end(), tri.attribute("material").value()), materials.end());
        const auto p = Numbers(tri.child("p").text().get());
        int inputs = 0;
        for (auto in : tri.children("input")) inputs = std::max(inputs, in.attribute("offset").as_int() + 1);
        EXPECT_EQ(p.size(), tri.attribute("count").as_ullong() * 3 * inputs);
        for (double i : p) ASSERT_LT(static_cast<size_t>(i), vertexCount);
    }
    EXPECT_GT(groups, 0u);
    EXPECT_EQ(d.root.select_nodes("library_controllers/controller").size(), name == "washitu1.dae" ? 1u : 0u);
}

TEST(BundledScene, DocumentsUseOnlyWhatTheImporterReads) {
    for (const char* name : {"washitu1.dae", "washitu2.dae", "washitu3.dae"}) CheckDocument(name);
}

TEST(BundledScene, FigureStandsAtTheLookAtPoint) {
    Doc d("washitu1.dae");
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const auto& p : Positions(d))
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    EXPECT_NEAR(lo[2], 0.05, 0.05);  // on its cushion on the floor
    EXPECT_GE(hi[2] - lo[2], 1.0);
    EXPECT_LE(hi[2] - lo[2], 1.7);
    EXPECT_NEAR((lo[0] + hi[0]) / 2, 0.0, 0.3);
    EXPECT_NEAR((lo[1] + hi[1]) / 2, -3.5, 0.3);
}

TEST(BundledScene, FigureSkinAndLoopingAnimation) {
    Doc d("washitu1.dae");
    const auto skin = d.Select("library_controllers/controller/skin");
    ASSERT_TRUE(skin);
    const auto joints = skin.select_node("source/Name_array").node();
    const int jointCount = joints.attribute("count").as_int();
    EXPECT_GE(jointCount, 4);
    const auto weights = skin.child("vertex_weights");
    const size_t vertexCount = Positions(d).size();
    EXPECT_EQ(weights.attribute("count").as_ullong(), vertexCount);
    const auto vcount = Numbers(weights.child("vcount").text().get());
    const auto v = Numbers(weights.child("v").text().get());
    ASSERT_EQ(vcount.size(), vertexCount);
    std::string weightId =
        std::string(weights.find_child_by_attribute("input", "semantic", "WEIGHT").attribute("source").value())
            .substr(1);
    const auto w =
        Numbers(skin.find_child_by_attribute("source", "id", weightId.c_str()).child("float_array").text().get());
    size_t pos = 0, blended = 0;
    for (double n : vcount) {
        double sum = 0;
        for (int k = 0; k < static_cast<int>(n); ++k, pos += 2) {
            ASSERT_LT(v[pos], jointCount);
            sum += w[static_cast<size_t>(v[pos + 1])];
        }
        EXPECT_NEAR(sum, 1.0, 0.002);
        blended += n > 1;
    }
    EXPECT_EQ(pos, v.size());
    EXPECT_GT(blended, vertexCount / 10);  // joints bend, not just move rigid parts

    // Baked matrices per joint, looping, at least two seconds long at 3.75
    // key units a second; every channel targets a joint node's transform.
    const auto channels = d.root.select_nodes("library_animations/animation/animation");
    EXPECT_EQ(static_cast<int>(channels.size()), jointCount);
    for (auto a : channels) {
        const auto anim = a.node();
        const std::string target = anim.child("channel").attribute("target").value();
        const std::string node = target.substr(0, target.find('/'));
        EXPECT_EQ(target.substr(target.find('/')), "/transform");
        EXPECT_TRUE(d.Select("library_visual_scenes/visual_scene//node[@id='" + node + "'][@type='JOINT']")) << node;
        const std::string sampler = std::string(anim.child("channel").attribute("source").value()).substr(1);
        auto sourceOf = [&](const char* semantic) {
            const std::string id =
                std::string(
                    anim.select_node(("sampler[@id='" + sampler + "']/input[@semantic='" + semantic + "']").c_str())
                        .node()
                        .attribute("source")
                        .value())
                    .substr(1);
            return Numbers(anim.find_child_by_attribute("source", "id", id.c_str()).child("float_array").text().get());
        };
        const auto times = sourceOf("INPUT");
        const auto matrices = sourceOf("OUTPUT");
        ASSERT_GE(times.size(), 2u);
        EXPECT_EQ(matrices.size(), times.size() * 16);
        EXPECT_GE(times.back(), 7.5);
        for (size_t i = 1; i < times.size(); ++i) EXPECT_GT(times[i], times[i - 1]);
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(matrices[k], matrices[matrices.size() - 16 + k], 1e-5) << node;
    }
}

TEST(BundledScene, RoomHasALampAtEachShadowLamp) {
    Doc d("washitu3.dae");
    const auto positions = Positions(d);
    for (const auto& lamp : std::vector<std::array<double, 3>>{{-3, -10.8, 2}, {-3, -2.8, 2}, {3.2, 5.2, 2}}) {
        int near = 0;
        for (const auto& p : positions) near += std::hypot(p[0] - lamp[0], p[1] - lamp[1], p[2] - lamp[2]) < 0.45;
        EXPECT_GT(near, 16) << lamp[0] << "," << lamp[1];
    }
}

// `vorland-cli info` imports each document with our importer: it must
// succeed and say nothing on stderr.
TEST(BundledScene, ImporterReadsEveryDocumentWithoutAMessage) {
    const std::string errFile = std::string(VORLAND_BINARY_DIR) + "/bundled_scene_info.err";
    for (const char* name : {"washitu1.dae", "washitu2.dae", "washitu3.dae"}) {
        SCOPED_TRACE(name);
        const std::string command = std::string(VORLAND_CLI) + " info " + kRoomDir + name + " 2>" + errFile;
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
        std::string err;
        if (FILE* f = fopen(errFile.c_str(), "r")) {
            while (size_t n = fread(buf, 1, sizeof buf, f)) err.append(buf, n);
            fclose(f);
        }
        EXPECT_EQ(err, "");
        const std::string stem = std::string(name).substr(0, 8);
        EXPECT_NE(out.find("\"name\": \"" + stem + "\""), std::string::npos) << out;
        EXPECT_NE(out.find("\"geometries\": 1"), std::string::npos) << out;
        EXPECT_NE(out.find("\"animations\": 1"), std::string::npos) << out;
        if (stem == "washitu1") {
            EXPECT_NE(out.find("\"bones\": 6"), std::string::npos) << out;
            EXPECT_NE(out.find("\"channels\": 6"), std::string::npos) << out;
        }
    }
    std::remove(errFile.c_str());
}

}  // namespace
