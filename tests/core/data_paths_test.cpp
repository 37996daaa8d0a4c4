// Where the data, config.ini and screenshots are, portable and installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/data_paths.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

// Folders are named relative to a scratch root; "-" is "not set".
struct Layout {
    const char* name;
    const char* executable;  // prefix/bin/vorland or prefix/libexec/vorland/vorland-render
    bool installed;          // prefix/share/vorland/model exists
    const char* startHolds;  // "model/washitu", "model", "config.ini" or ""
    const char* home;
    const char* configHome;  // $XDG_CONFIG_HOME (an absolute value is made from it)
    const char* pictures;    // $XDG_PICTURES_DIR
    const char* userDirs;    // the XDG_PICTURES_DIR line of home/.config/user-dirs.dirs
    const char* made;        // a further folder to make
    const char* dataDir;
    const char* configDir;
    const char* screenshotDir;
};

const Layout kLayouts[] = {
    {"build folder", "prefix/bin/vorland", false, "", "home", "-", "-", "", "", "start", "start", "start"},
    {"installed, empty start", "prefix/bin/vorland", true, "", "home", "-", "-", "", "", "prefix/share/vorland",
     "home/.config/vorland", "home"},
    {"~/Pictures", "prefix/bin/vorland", true, "", "home", "-", "-", "", "home/Pictures", "prefix/share/vorland",
     "home/.config/vorland", "home/Pictures"},
    {"start holds the room", "prefix/bin/vorland", true, "model/washitu", "home", "-", "-", "", "", "start",
     "home/.config/vorland", "start"},
    {"start holds some other model/", "prefix/bin/vorland", true, "model", "home", "-", "-", "", "",
     "prefix/share/vorland", "home/.config/vorland", "home"},
    {"start holds config.ini", "prefix/bin/vorland", true, "config.ini", "home", "-", "-", "", "",
     "prefix/share/vorland", "start", "home"},
    {"XDG_CONFIG_HOME", "prefix/bin/vorland", true, "", "home", "/cfg", "-", "", "", "prefix/share/vorland",
     "cfg/vorland", "home"},
    {"relative XDG_CONFIG_HOME is ignored", "prefix/bin/vorland", true, "", "home", "cfg", "-", "", "",
     "prefix/share/vorland", "home/.config/vorland", "home"},
    {"XDG_PICTURES_DIR", "prefix/bin/vorland", true, "", "home", "-", "/shots", "", "shots", "prefix/share/vorland",
     "home/.config/vorland", "shots"},
    {"missing XDG_PICTURES_DIR", "prefix/bin/vorland", true, "", "home", "-", "/shots", "", "home/Pictures",
     "prefix/share/vorland", "home/.config/vorland", "home/Pictures"},
    {"user-dirs.dirs", "prefix/bin/vorland", true, "", "home", "-", "-", "XDG_PICTURES_DIR=\"$HOME/Bilder\"",
     "home/Bilder", "prefix/share/vorland", "home/.config/vorland", "home/Bilder"},
    {"renderer in libexec", "prefix/libexec/vorland/vorland-render", true, "", "home", "-", "-", "", "",
     "prefix/share/vorland", "home/.config/vorland", "home"},
    {"no home", "prefix/bin/vorland", true, "", "-", "-", "-", "", "", "prefix/share/vorland", "start", "start"},
};

class DataPathsTest : public ::testing::TestWithParam<Layout> {};

TEST_P(DataPathsTest, FollowsTheLayout) {
    const Layout& l = GetParam();
    ScratchDir scratch;
    const std::string root = scratch.Path().string();
    const auto at = [&](const std::string& rel) { return root + "/" + rel; };
    const auto env = [&](const std::string& v) { return v == "-" ? std::string() : v[0] == '/' ? root + v : v; };
    fs::create_directories(at("start"));
    fs::create_directories(at("home"));
    if (l.installed) fs::create_directories(at("prefix/share/vorland/model"));
    if (*l.made) fs::create_directories(at(l.made));
    if (std::string(l.startHolds) == "config.ini") WriteFileBytes(at("start/config.ini"), "BKColorR = 1\r\n");
    else if (*l.startHolds) fs::create_directories(at(std::string("start/") + l.startHolds));
    if (*l.userDirs) {
        fs::create_directories(at("home/.config"));
        WriteFileBytes(at("home/.config/user-dirs.dirs"), std::string("# comment\n") + l.userDirs + "\n");
    }
    const DataPathInputs in{at("start"), at(l.executable), std::string(l.home) == "-" ? "" : at(l.home),
                            env(l.configHome), env(l.pictures)};
    const DataPaths paths = ResolveDataPaths(in);
    EXPECT_EQ(paths.dataDir, at(l.dataDir));
    EXPECT_EQ(paths.dataInStartDir, paths.dataDir == at("start"));
    EXPECT_EQ(paths.configDir, at(l.configDir));
    EXPECT_EQ(paths.screenshotDir, at(l.screenshotDir));
}

INSTANTIATE_TEST_SUITE_P(Layouts, DataPathsTest, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<Layout>& info) { return std::to_string(info.index); });

TEST(DataPaths, HelperProgramBesideElseInLibexec) {
    ScratchDir scratch;
    const std::string root = scratch.Path().string();
    fs::create_directories(root + "/bin");
    fs::create_directories(root + "/libexec/vorland");
    WriteFileBytes(root + "/libexec/vorland/vorland-render", "");
    EXPECT_EQ(HelperProgram(root + "/bin/vorland-cli", "vorland-render"), root + "/libexec/vorland/vorland-render");
    WriteFileBytes(root + "/bin/vorland-render", "");
    EXPECT_EQ(HelperProgram(root + "/bin/vorland-cli", "vorland-render"), root + "/bin/vorland-render");
}

// The tests run from the build folder, which is not installed: names stay
// as they are, so the viewer reads ./pict and ./model as it always did.
TEST(DataPaths, ABuildFolderKeepsRelativeNames) {
    EXPECT_EQ(InstalledDataDir(ThisProcessInputs().executable), "");
    EXPECT_EQ(DataFile("pict/ButtonOK.png"), "pict/ButtonOK.png");
    EXPECT_EQ(DataFile("/abs/img"), "/abs/img");
}

}  // namespace
