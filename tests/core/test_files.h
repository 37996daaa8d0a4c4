#pragma once
// Helpers for tests that touch the file system: a scratch folder removed at
// the end of the test, and reading or writing whole files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#ifdef QT_CORE_LIB
#include <QString>
#endif

// A folder of its own for one test, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir() {
        std::random_device rd;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "vorland-test-";
        if (info) name += std::string(info->test_suite_name()) + "-" + info->name() + "-";
        name += std::to_string(rd());
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& file) const { return (path_ / file).string(); }
#ifdef QT_CORE_LIB
    // The same folder for tests that speak QString.
    QString path() const { return QString::fromStdString(path_.string()); }
    QString filePath(const QString& name) const { return path() + '/' + name; }
    bool isValid() const { return std::filesystem::is_directory(path_); }
#endif

private:
    std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs a shell command and returns its standard output; `status` gets the
// exit code.
inline std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) {
        *status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = ::pclose(p);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// config.ini as written from the default settings: 48 lines in their fixed order.
inline const char* const kDefaultConfigFile =
    "ScreenWidth = 1536\r\nScreenHeight = 1080\r\n"
    "ModelPath = washitu1.dae\r\nExtModel = .mdl\r\nExtAnim = .ani\r\nExtDae = .dae\r\nImgPath = img\r\n"
    "TextureCloudName = cloud.png\r\nTextureStarName = star.png\r\nTextureMoonName = moon.png\r\n"
    "BKColorA = 255\r\nBKColorR = 140\r\nBKColorG = 110\r\nBKColorB = 110\r\n"
    "TextColorA = 255\r\nTextColorR = 200\r\nTextColorG = 180\r\nTextColorB = 180\r\n"
    "BarColorA = 255\r\nBarColorR = 100\r\nBarColorG = 70\r\nBarColorB = 70\r\n"
    "ViewerBKColorA = 255\r\nViewerBKColorR = 220\r\nViewerBKColorG = 220\r\nViewerBKColorB = 220\r\n"
    "MenuBKColorA = 255\r\nMenuBKColorR = 110\r\nMenuBKColorG = 80\r\nMenuBKColorB = 80\r\n"
    "MenuTextColorA = 255\r\nMenuTextColorR = 220\r\nMenuTextColorG = 200\r\nMenuTextColorB = 200\r\n"
    "RotationX = 1.500000\r\nRotationZ = 1.500000\r\nEyePosX = 0.000000\r\nEyePosY = -2.500000\r\n"
    "EyePosZ = 1.500000\r\nAtX = 0.000000\r\nAtY = -3.500000\r\nAtZ = 1.500000\r\nLanguage = auto\r\n"
    "WindowX = 0\r\nWindowY = 0\r\nWindowWidth = 0\r\nWindowHeight = 0\r\nLastFolder = \r\nInspectView = 0\r\n";
