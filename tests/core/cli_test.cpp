// vorland-cli settings and info, run as a separate process.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "model/mdl_file.h"
#include "model/model.h"
#include "platform/cp932.h"
#include "test_files.h"

namespace {

std::string Cli(const std::string& args, int* status, const std::string& workDir = "") {
    std::string command;
    if (!workDir.empty()) command = "cd '" + workDir + "' && ";
    command += std::string("'") + VORLAND_CLI + "' " + args + " 2>/dev/null";
    return RunCommand(command, status);
}

// The tool's standard error alone.
std::string CliErrors(const std::string& args, int* status, const std::string& workDir) {
    return RunCommand("cd '" + workDir + "' && '" + VORLAND_CLI + "' " + args + " 2>&1 >/dev/null", status);
}

// The bundled cat: a small skinned, animated model.
const std::string kCat = VORLAND_SOURCE_DIR "/model/washitu/washitu1.dae";

}  // namespace

TEST(CliSettings, InAnEmptyFolderPrintsTheFortyNineDefaultLines) {
    ScratchDir dir;
    int status = -1;
    const std::string out = Cli("settings", &status, dir.Path().string());
    EXPECT_EQ(status, 0);
    const std::string expected = kDefaultConfigFile;
    EXPECT_EQ(out, expected);
    int lines = 0;
    for (char c : out) lines += c == '\n';
    EXPECT_EQ(lines, 49);
    // Nothing was written into the folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(CliSettings, ReadsConfigIniOfTheGivenFolder) {
    ScratchDir dir;
    WriteFileBytes(dir / "config.ini", "ScreenWidth=800\nunknown = 1\nRotationX = 0.125\n");
    int status = -1;
    const std::string out = Cli("settings '" + dir.Path().string() + "'", &status);
    EXPECT_EQ(status, 0);
    // The file's lines in place, an unknown one too, then the keys it lacked.
    EXPECT_EQ(out.rfind("ScreenWidth = 800\r\nunknown = 1\r\nRotationX = 0.125000\r\nScreenHeight = 1080\r\n", 0), 0u);

    // One it cannot read: said, exit 1, nothing printed as if it were the defaults.
    WriteFileBytes(dir / "config.ini", "BKColorR = 10\r\n" + std::string(2 << 20, 'x'));
    EXPECT_NE(CliErrors("settings", &status, dir.Path().string()).find("config.ini: larger than 1 MB"),
              std::string::npos);
    EXPECT_EQ(status, 1);

    Cli("settings '" + (dir / "missing") + "'", &status);
    EXPECT_EQ(status, 1);
    Cli("settings a b", &status);
    EXPECT_EQ(status, 2);
}

TEST(CliInfo, CountsTheRecordsOfAWrittenModel) {
    ScratchDir dir;
    CModel m;
    m.name.SetAscii("box");
    auto* g = m.geometries.AddNew();
    g->vertexCount = 8;
    auto* p = g->polygonData.AddNew();
    for (int i = 0; i < 36; ++i) p->vertexIndices.Add(i % 8);
    m.materials.AddNew();
    m.textures.AddNew();
    m.textures.AddNew();
    auto* root = m.NewBone();
    root->name.SetAscii("root");
    auto* child = m.NewBone();
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

// Help and version on stdout with 0; mistakes as one line on stderr that
// names the option and value or the path as it was given.
TEST(CliCommandLine, AnswersHelpAndVersionAndNamesMistakes) {
    struct Case {
        const char* args;
        int status;
        const char* text;
    };
    const Case cases[] = {
        {"--version", 0, "vorland-cli 1.6"},
        {"--help", 0, "Usage: vorland-cli [OPTIONS] [SUBCOMMAND]"},
        {"info --help", 0, "Usage: vorland-cli info [OPTIONS] FILE"},
        {"settings --help", 0, "Usage: vorland-cli settings [OPTIONS] [DIR]"},
        {"render --help", 0, "Usage: vorland-cli render [OPTIONS] FILE"},
        {"convert --help", 0, "--out-dir DIR"},
        {"info --help", 0, ".dae, .gltf, .glb, .mdl or .ani"},
        {"render --help", 0, ".dae, .gltf, .glb or .mdl"},
        {"render a.dae -o x.png --timings", 2, "--timings requires --room"},
        {"convert a.dae --out-dir d --jobs 0", 2, "--jobs: 0 is below 1"},
        {"render a.dae -o x.png --width abc", 2, "vorland-cli: --width: \"abc\" is not a whole number\n"},
        {"render a.dae --width 5", 2, "vorland-cli: -o is required\n"},
        {"render a.dae -o x.gif", 2, "vorland-cli: -o: \"x.gif\" does not end in .png, .jpg, .jpeg or .bmp\n"},
        {"render a.dae -o x.png --width 1537", 2, "--width: 1537 is above the render targets' width 1536\n"},
        {"render a.dae -o x.png --height 1081", 2, "--height: 1081 is above the render targets' height 1080\n"},
        {"render a.dae -o x.png --time x", 2, "--time: \"x\" is not a number\n"},
        {"convert a.dae", 2, "vorland-cli: convert takes IN OUT, or IN... --out-dir DIR\n"},
        {"info ./none.dae", 1, "vorland-cli: ./none.dae: cannot read the file: No such file or directory\n"},
        {"info ./none.mdl", 1, "vorland-cli: cannot read ./none.mdl: No such file or directory\n"},
        {"convert ./none.dae out", 1, "vorland-cli: ./none.dae: cannot read the file: No such file or directory\n"},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        int status = -1;
        const std::string text =
            c.status == 0 ? Cli(c.args, &status, dir.Path().string()) : CliErrors(c.args, &status, dir.Path().string());
        EXPECT_EQ(status, c.status) << c.args;
        EXPECT_NE(text.find(c.text), std::string::npos) << c.args << "\n" << text;
    }
}

TEST(CliConvert, OutMdlAndAUtf8NameGiveTheFilesAndTheAnimationId) {
    ASSERT_TRUE(std::filesystem::exists(kCat));
    ScratchDir dir;
    int status = -1;
    Cli("convert '" + kCat + "' 出力.mdl", &status, dir.Path().string());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "出力.mdl"));
    EXPECT_FALSE(std::filesystem::exists(dir / "出力.mdl.mdl"));
    const std::string ani = ReadFileBytes(dir / "出力.ani");
    EXPECT_NE(ani.find("[ANIMATION_ID]\r\n" + Utf16ToCp932(u"出力") + "\r\n"), std::string::npos);
}

TEST(CliConvert, OutDirConvertsEveryInputAndReportsEachFailure) {
    ASSERT_TRUE(std::filesystem::exists(kCat));
    ScratchDir dir;
    WriteFileBytes(dir / "broken.dae", "<COLLADA><library_geometries>");
    std::filesystem::create_directory(dir / "out");
    int status = -1;
    const std::string errors =
        CliErrors("convert ./broken.dae '" + kCat + "' ./none.dae --out-dir out", &status, dir.Path().string());
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.rfind("vorland-cli: ./broken.dae: ", 0), 0u) << errors;
    EXPECT_NE(errors.find("\nvorland-cli: ./none.dae: cannot read the file: No such file or directory\n"),
              std::string::npos)
        << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
    EXPECT_TRUE(std::filesystem::exists(dir / "out/washitu1.mdl"));
    EXPECT_TRUE(std::filesystem::exists(dir / "out/washitu1.ani"));
}
TEST(CliInfo, SpecialAndForeignFilesEndInExitOne) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.mdl").c_str(), 0600), 0);
    WriteFileBytes(dir / "README.mdl", "not a model\n");
    for (const std::string& path : {dir / "pipe.mdl", dir / "README.mdl", std::string("/dev/zero"),
                                    dir.Path().string() + "/", dir / "pipe.ani", std::string("/dev/zero.dae")}) {
        int status = -1;
        Cli("info '" + path + "'", &status);
        EXPECT_EQ(status, 1) << path;
    }
}

// --out-dir is made as mkdir -p; a file in its place fails. Several jobs
// write the same bytes as one, also for inputs of the same stem.
TEST(CliConvert, OutDirIsMadeAndJobsWriteWhatOneAtATimeWrites) {
    ScratchDir dir;
    const std::string corpus = VORLAND_CORPUS_DIR "/blender/";
    WriteFileBytes(dir / "file", "");
    std::string inputs = "convert '" + kCat + "' '" + VORLAND_SOURCE_DIR "/tests/data/gltf/khronos/'*.gl* ./file";
    for (const char* name :
         {"animated-blender-cube", "letter-f-animated", "two-skinned-cubes", "leg-with-control-bones"})
        inputs += " '" + corpus + name + ".dae'";
    // The same stems again: the later input's files remain.
    inputs += " '" + std::string(VORLAND_SOURCE_DIR) + "/tests/data/gltf/blender/letter-f-animated.glb' '" + kCat + "'";
    int status = -1;
    CliErrors(inputs + " --out-dir one/a/b --jobs 1", &status, dir.Path().string());
    EXPECT_EQ(status, 1);  // ./file is no model
    const std::string errors = CliErrors(inputs + " --out-dir many --jobs 3", &status, dir.Path().string());
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors.find("./file"), std::string::npos);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "one/a/b")) {
        ++files;
        EXPECT_EQ(ReadFileBytes(dir / ("many/" + e.path().filename().string())), ReadFileBytes(e.path().string()))
            << e.path();
    }
    EXPECT_GT(files, 10);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "many"), {}), files);
    CliErrors("convert '" + kCat + "' --out-dir file/sub", &status, dir.Path().string());
    EXPECT_EQ(status, 1);
}
