// vorland-cli settings and info, run as a separate process.
#include <gtest/gtest.h>

#include <string>

#include "model/mdl_file.h"
#include "model/model.h"
#include "test_files.h"

namespace {

std::string Cli(const std::string& args, int* status, const std::string& workDir = "") {
    std::string command;
    if (!workDir.empty()) command = "cd '" + workDir + "' && ";
    command += std::string("'") + VORLAND_CLI + "' " + args + " 2>/dev/null";
    return RunCommand(command, status);
}

}  // namespace

TEST(CliSettings, InAnEmptyFolderPrintsTheFortyTwoDefaultLines) {
    ScratchDir dir;
    int status = -1;
    const std::string out = Cli("settings", &status, dir.Path().string());
    EXPECT_EQ(status, 0);
    const std::string expected = kDefaultConfigFile;
    EXPECT_EQ(out, expected);
    int lines = 0;
    for (char c : out) lines += c == '\n';
    EXPECT_EQ(lines, 42);
    // Nothing was written into the folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(CliSettings, ReadsConfigIniOfTheGivenFolder) {
    ScratchDir dir;
    WriteFileBytes(dir / "config.ini", "ScreenWidth=800\nunknown = 1\nRotationX = 0.125\n");
    int status = -1;
    const std::string out = Cli("settings '" + dir.Path().string() + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("ScreenWidth = 800\r\nScreenHeight = 1080\r\n", 0), 0u);
    EXPECT_NE(out.find("RotationX = 0.125000\r\n"), std::string::npos);
    EXPECT_EQ(out.find("unknown"), std::string::npos);

    Cli("settings '" + (dir / "missing") + "'", &status);
    EXPECT_EQ(status, 1);
    Cli("settings a b", &status);
    EXPECT_EQ(status, 2);
}

TEST(CliInfo, CountsTheRecordsOfAWrittenModel) {
    ScratchDir dir;
    CModel m;
    m.name.SetAscii("box");
    auto* g = new CGeometry;
    g->vertexCount = 8;
    auto* p = new CPolygonData;
    for (int i = 0; i < 36; ++i) p->vertexIndices.Add(i % 8);
    g->polygonData.Add(p);
    m.geometries.Add(g);
    m.materials.Add(new CMaterial);
    m.textures.Add(new CTexture);
    m.textures.Add(new CTexture);
    auto* root = new CBone;
    root->name.SetAscii("root");
    auto* child = new CBone;
    child->name.SetAscii("child");
    root->children.Add(child);
    child->parent = root;
    m.bones.Add(root);
    m.bones.Add(child);
    m.rootBones.Add(root);
    ASSERT_TRUE(WriteModel(m, dir / "box"));

    int status = -1;
    const std::string out = Cli("info '" + (dir / "box.mdl") + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out,
              "{\"name\": \"box\", \"geometries\": 1, \"vertices\": 8, \"corners\": 36, \"materials\": 1, "
              "\"textures\": 2, \"bones\": 2, \"root_bones\": 1, \"animations\": 0, \"channels\": 0, "
              "\"keys\": 0, \"bounds\": null}\n");

    Cli("info '" + (dir / "nothing.mdl") + "'", &status);
    EXPECT_EQ(status, 1);
    Cli("info", &status);
    EXPECT_EQ(status, 2);
}
