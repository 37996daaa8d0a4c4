// config.ini: defaults, reading and writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "platform/cp932.h"
#include "test_files.h"

namespace {

CSettings ReadText(const std::string& text) {
    CSettings s;
    EXPECT_TRUE(s.Read(text));  // what falls back is checked on its own below
    return s;
}

}  // namespace

TEST(Settings, DefaultsAreWrittenAsFortyNineLinesInTheFixedOrder) {
    CSettings s;
    EXPECT_EQ(s.ScreenWidth, 1536);
    EXPECT_EQ(s.EyePosY, -2.5f);
    EXPECT_EQ(s.ModelPath.ToUtf8(), "washitu1.dae");
    EXPECT_EQ(s.Serialize(), kDefaultConfigFile);
}

TEST(Settings, KeysAndValuesAreSplitAtBlanksAndEqualSigns) {
    const CSettings s = ReadText(
        "BKColorR=200\n"
        "BKColorG   =   =  201  trailing words\n"
        "BKColorB==202\r\n"
        "  TextColorA = 17\n"
        "ModelPath = my model.dae\n"
        "TextColorB = -0800px\n"
        "TextColorG = abc\n"
        "RotationX = 1.25\n"
        "RotationZ = 2.5e1\n"
        "AtY = nonsense\n");
    EXPECT_EQ(s.BKColorR, 200);
    EXPECT_EQ(s.BKColorG, 201);
    EXPECT_EQ(s.BKColorB, 202);
    EXPECT_EQ(s.TextColorA, 17);
    EXPECT_EQ(s.ModelPath.ToUtf8(), "my");  // a value ends at its first blank
    EXPECT_EQ(s.TextColorB, -800);
    EXPECT_EQ(s.TextColorG, 0);
    EXPECT_EQ(s.RotationX, 1.25f);
    EXPECT_EQ(s.RotationZ, 25.0f);
    EXPECT_EQ(s.AtY, 0.0f);
    const std::string out = s.Serialize();
    EXPECT_NE(out.find("RotationX = 1.250000\r\n"), std::string::npos);
    EXPECT_NE(out.find("ModelPath = my\r\n"), std::string::npos);
}

TEST(Settings, OtherCaseTabsAndUnknownKeysAreIgnored) {
    const CSettings s = ReadText(
        "bkcolorr = 1\n"
        "BKColorG\t= 2\n"
        "; comment = 3\n"
        "Unknown = 4\n"
        "\n"
        "BKColorB = 300\n");  // out of range passes unchanged
    EXPECT_EQ(s.BKColorR, 140);
    EXPECT_EQ(s.BKColorG, 110);
    EXPECT_EQ(s.BKColorB, 300);
    // Ignored when read, and written back as they were.
    const std::string out = s.Serialize();
    EXPECT_EQ(out.rfind("bkcolorr = 1\r\nBKColorG\t= 2\r\n; comment = 3\r\nUnknown = 4\r\n\r\nBKColorB = 300\r\n", 0),
              0u);
}

TEST(Settings, TheLastValueWinsAndAKeyWithoutValueKeepsTheCurrentOne) {
    const CSettings s = ReadText(
        "ScreenWidth = 800\n"
        "ScreenWidth = 1024\n"
        "ScreenHeight = 600\n"
        "ScreenHeight =\n"
        "ScreenHeight  = = \n"
        "ImgPath\n"
        " = = =\n"
        "ExtDae = .DAE");  // no line end at the end of the file
    EXPECT_EQ(s.ScreenWidth, 1024);
    EXPECT_EQ(s.ScreenHeight, 600);
    EXPECT_EQ(s.ImgPath.ToUtf8(), "img");
    EXPECT_EQ(s.ExtDae.ToUtf8(), ".DAE");
}

TEST(Settings, StringsAreCodePage932OnDisk) {
    const std::string path = Utf16ToCp932(Utf8ToUtf16("モデル/和室.dae"));
    const CSettings s = ReadText("ModelPath = " + path + "\r\n");
    EXPECT_EQ(s.ModelPath.ToUtf8(), "モデル/和室.dae");
    EXPECT_NE(s.Serialize().find("ModelPath = " + path + "\r\n"), std::string::npos);
}

TEST(Settings, LongLinesContinueAsTheNextLine) {
    // fgets takes 1023 bytes at a time: the rest of a long line is read as a
    // line of its own.
    std::string line = "ImgPath = " + std::string(1013, 'p') + "BKColorR=7\n";
    const CSettings s = ReadText(line);
    EXPECT_EQ(s.ImgPath.Length(), 1013);
    EXPECT_EQ(s.BKColorR, 7);
    // Writing a long value does not cut it to the line buffer.
    EXPECT_NE(s.Serialize().find("ImgPath = " + std::string(1013, 'p') + "\r\n"), std::string::npos);
}

TEST(Settings, EmptyStringsWriteNothingAfterThePrefix) {
    CSettings s;
    s.ExtAnim.Clear();
    EXPECT_NE(s.Serialize().find("\r\nExtAnim = \r\nExtDae = .dae\r\n"), std::string::npos);
}

TEST(Settings, WriteReplacesConfigIniAndReadsBack) {
    ScratchDir dir;
    WriteFileBytes(dir / "config.ini", "# old comment\nScreenWidth = 640\n");
    CSettings s;
    ASSERT_TRUE(s.ReadFile(dir / "config.ini"));
    EXPECT_EQ(s.ScreenWidth, 640);
    s.AtZ = 3.75f;
    ASSERT_TRUE(s.Write(dir.Path().string()));
    const std::string written = ReadFileBytes(dir / "config.ini");
    // The comment stays where it was.
    EXPECT_EQ(written.rfind("# old comment\r\nScreenWidth = 640\r\nScreenHeight = 1080\r\n", 0), 0u);
    EXPECT_NE(written.find("AtZ = 3.750000\r\n"), std::string::npos);
    CSettings again;
    ASSERT_TRUE(again.ReadFile(dir / "config.ini"));
    EXPECT_EQ(again.Serialize(), written);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);  // no temporary file left
}

TEST(Settings, MissingFileKeepsDefaultsAndUnwritableFolderFails) {
    ScratchDir dir;
    CSettings s;
    EXPECT_TRUE(s.ReadFile(dir / "config.ini"));  // nothing to report
    EXPECT_TRUE(s.MayWriteBack());
    EXPECT_EQ(s.Serialize(), kDefaultConfigFile);
    EXPECT_FALSE(std::filesystem::exists(dir / "config.ini"));
    EXPECT_FALSE(s.Write(dir / "no/such/folder"));
}

TEST(Settings, ValuesNoViewCanUseFallBackToTheDefaultAndSaySo) {
    const struct {
        const char* line;
        const char* written;  // the line Serialize writes for the key
        bool fallsBack;
    } cases[] = {
        {"RotationX = nan", "RotationX = 1.500000", true}, {"RotationZ = inf", "RotationZ = 1.500000", true},
        {"EyePosY = -1e30", "EyePosY = -2.500000", true},  {"ScreenHeight = -2147483648", "ScreenHeight = 1080", true},
        {"ScreenWidth = 0", "ScreenWidth = 1536", true},   {"ScreenWidth = 99999", "ScreenWidth = 1536", true},
        {"ScreenWidth = 800", "ScreenWidth = 800", false}, {"AtZ = -7.25", "AtZ = -7.250000", false},
        {"BKColorR = 300", "BKColorR = 300", false},       {"Language = ja", "Language = ja", false},
        {"InspectView = 1", "InspectView = 1", false},     {"InspectView = 2", "InspectView = 0", true}};
    for (const auto& c : cases) {
        CSettings s;
        std::vector<std::string> fallbacks;
        ASSERT_TRUE(s.Read(std::string(c.line) + "\n", &fallbacks));
        EXPECT_NE(s.Serialize().find(std::string(c.written) + "\r\n"), std::string::npos) << c.line;
        ASSERT_EQ(fallbacks.size(), c.fallsBack ? 1u : 0u) << c.line;
        if (c.fallsBack) {
            EXPECT_EQ(fallbacks[0].rfind("config.ini: " + std::string(c.line), 0), 0u) << fallbacks[0];
            EXPECT_TRUE(fallbacks[0].ends_with(" is used instead")) << fallbacks[0];
        }
    }
}

// A config.ini that is there but cannot be read as settings is reported,
// keeps the defaults and is never written back.
TEST(Settings, AnUnreadableConfigIsReportedAndKept) {
    const std::string mine = "BKColorR = 10\r\nRotationX = 0.25\r\n";
    const std::pair<std::string, const char*> cases[] = {{mine + std::string(2 << 20, 'x'), "larger than 1 MB"},
                                                         {mine + std::string("\0\x01\xff", 3), "not a settings file"},
                                                         {"", "is a folder"}};
    for (const auto& [bytes, reason] : cases) {
        ScratchDir dir;
        if (bytes.empty()) std::filesystem::create_directory(dir / "config.ini");
        else WriteFileBytes(dir / "config.ini", bytes);
        CSettings s;
        const Status read = s.ReadFile(dir / "config.ini");
        EXPECT_FALSE(read.IsOk() || s.MayWriteBack()) << reason;
        EXPECT_NE(read.Why().find(std::string("config.ini: ") + reason), std::string::npos) << read.Why();
        EXPECT_EQ(s.Serialize(), kDefaultConfigFile) << reason;
    }
}
