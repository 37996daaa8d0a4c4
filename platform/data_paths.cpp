#include "platform/data_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace fs = std::filesystem;

namespace {

bool IsDir(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string Folder(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

std::string Normal(const std::string& path) { return fs::path(path).lexically_normal().string(); }

// XDG base folders count only when absolute.
std::string ConfigBase(const DataPathInputs& in) {
    if (!in.configHome.empty() && in.configHome[0] == '/') return in.configHome;
    return in.home.empty() ? "" : in.home + "/.config";
}

// XDG_PICTURES_DIR from user-dirs.dirs: XDG_PICTURES_DIR="$HOME/Pictures".
std::string UserDirsPictures(const DataPathInputs& in) {
    const std::string base = ConfigBase(in);
    if (base.empty()) return "";
    std::ifstream file(base + "/user-dirs.dirs");
    std::string line;
    constexpr std::string_view key = "XDG_PICTURES_DIR=\"";
    while (std::getline(file, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        const std::size_t quote = value.find('"');
        if (quote == std::string::npos) return "";
        value.resize(quote);
        if (value.rfind("$HOME", 0) == 0) value = in.home + value.substr(5);
        return value;
    }
    return "";
}

std::string PicturesDir(const DataPathInputs& in) {
    const std::string homePictures = in.home.empty() ? "" : in.home + "/Pictures";
    for (const std::string& candidate : {in.picturesDir, UserDirsPictures(in), homePictures})
        if (!candidate.empty() && candidate[0] == '/' && IsDir(candidate)) return Normal(candidate);
    return in.home.empty() ? in.startDir : in.home;
}

// The start folder holds the room: a checkout or a portable copy. model/washitu
// rather than any model/, so that a home folder with a model/ of its own still
// gets the installed data.
bool StartHoldsData(const std::string& startDir) { return IsDir(startDir + "/model/washitu"); }

}  // namespace

std::string InstalledDataDir(const std::string& executable) {
    const std::string dir = Folder(executable);
    // PREFIX/bin/vorland or PREFIX/libexec/vorland/vorland-render.
    for (const std::string& prefix : {dir + "/..", dir + "/../.."}) {
        const std::string share = Normal(prefix + "/share/vorland");
        if (IsDir(share + "/model")) return share;
    }
    return "";
}

DataPaths ResolveDataPaths(const DataPathInputs& in) {
    DataPaths out;
    const std::string installed = InstalledDataDir(in.executable);
    out.dataInStartDir = installed.empty() || StartHoldsData(in.startDir);
    out.dataDir = out.dataInStartDir ? in.startDir : installed;
    const std::string configBase = ConfigBase(in);
    const bool configInStart = installed.empty() || IsFile(in.startDir + "/config.ini") || configBase.empty();
    out.configDir = configInStart ? in.startDir : configBase + "/vorland";
    out.screenshotDir = out.dataInStartDir ? in.startDir : PicturesDir(in);
    return out;
}

DataPathInputs ThisProcessInputs() {
    DataPathInputs in;
    std::error_code ec;
    in.startDir = fs::current_path(ec).string();
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) in.executable.assign(self, static_cast<std::size_t>(n));
    in.home = Env("HOME");
    in.configHome = Env("XDG_CONFIG_HOME");
    in.picturesDir = Env("XDG_PICTURES_DIR");
    return in;
}

std::string DataFile(const std::string& name) {
    if (name.empty() || name[0] == '/') return name;
    const DataPathInputs in = ThisProcessInputs();
    const std::string installed = InstalledDataDir(in.executable);
    return installed.empty() || StartHoldsData(in.startDir) ? name : Normal(installed + "/" + name);
}

std::string HelperProgram(const std::string& executable, const std::string& name) {
    const std::string dir = Folder(executable);
    const std::string beside = dir + "/" + name;
    if (IsFile(beside)) return beside;
    const std::string libexec = Normal(dir + "/../libexec/vorland/" + name);
    return IsFile(libexec) ? libexec : beside;
}
