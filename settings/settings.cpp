#include "settings/settings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>

#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace {

enum class Kind { Int, Float, String, Path };

struct Key {
    const char* name;
    Kind kind;
    int CSettings::*intField = nullptr;
    float CSettings::*floatField = nullptr;
    CName CSettings::*stringField = nullptr;
    // Values outside [low, high] (and non-finite floats) cannot give a view:
    // the key keeps its default.
    double low = -1e300;
    double high = 1e300;
};

constexpr Key IntKey(const char* name, int CSettings::*f) { return {name, Kind::Int, f, nullptr, nullptr}; }
constexpr Key FloatKey(const char* name, float CSettings::*f) {
    return {name, Kind::Float, nullptr, f, nullptr, -1e6, 1e6};
}
constexpr Key StringKey(const char* name, CName CSettings::*f) { return {name, Kind::String, nullptr, nullptr, f}; }
// The render targets' size: at least one row of the interface, at most what
// a texture may be.
constexpr Key SizeKey(const char* name, int CSettings::*f) { return {name, Kind::Int, f, nullptr, nullptr, 16, 16384}; }
// The window's place and size: X11's coordinate range; a size of 0 is "not
// remembered yet".
constexpr Key PlaceKey(const char* name, int CSettings::*f) {
    return {name, Kind::Int, f, nullptr, nullptr, -32768, 32767};
}
constexpr Key WindowSizeKey(const char* name, int CSettings::*f) {
    return {name, Kind::Int, f, nullptr, nullptr, 0, 32767};
}
constexpr Key PathKey(const char* name, CName CSettings::*f) { return {name, Kind::Path, nullptr, nullptr, f}; }
// Off (0) or on (1).
constexpr Key SwitchKey(const char* name, int CSettings::*f) { return {name, Kind::Int, f, nullptr, nullptr, 0, 1}; }

// All keys in the order config.ini is written.
const Key kKeys[] = {
    SizeKey("ScreenWidth", &CSettings::ScreenWidth),
    SizeKey("ScreenHeight", &CSettings::ScreenHeight),
    StringKey("ModelPath", &CSettings::ModelPath),
    StringKey("ExtModel", &CSettings::ExtModel),
    StringKey("ExtAnim", &CSettings::ExtAnim),
    StringKey("ExtDae", &CSettings::ExtDae),
    StringKey("ImgPath", &CSettings::ImgPath),
    StringKey("TextureCloudName", &CSettings::TextureCloudName),
    StringKey("TextureStarName", &CSettings::TextureStarName),
    StringKey("TextureMoonName", &CSettings::TextureMoonName),
    IntKey("BKColorA", &CSettings::BKColorA),
    IntKey("BKColorR", &CSettings::BKColorR),
    IntKey("BKColorG", &CSettings::BKColorG),
    IntKey("BKColorB", &CSettings::BKColorB),
    IntKey("TextColorA", &CSettings::TextColorA),
    IntKey("TextColorR", &CSettings::TextColorR),
    IntKey("TextColorG", &CSettings::TextColorG),
    IntKey("TextColorB", &CSettings::TextColorB),
    IntKey("BarColorA", &CSettings::BarColorA),
    IntKey("BarColorR", &CSettings::BarColorR),
    IntKey("BarColorG", &CSettings::BarColorG),
    IntKey("BarColorB", &CSettings::BarColorB),
    IntKey("ViewerBKColorA", &CSettings::ViewerBKColorA),
    IntKey("ViewerBKColorR", &CSettings::ViewerBKColorR),
    IntKey("ViewerBKColorG", &CSettings::ViewerBKColorG),
    IntKey("ViewerBKColorB", &CSettings::ViewerBKColorB),
    IntKey("MenuBKColorA", &CSettings::MenuBKColorA),
    IntKey("MenuBKColorR", &CSettings::MenuBKColorR),
    IntKey("MenuBKColorG", &CSettings::MenuBKColorG),
    IntKey("MenuBKColorB", &CSettings::MenuBKColorB),
    IntKey("MenuTextColorA", &CSettings::MenuTextColorA),
    IntKey("MenuTextColorR", &CSettings::MenuTextColorR),
    IntKey("MenuTextColorG", &CSettings::MenuTextColorG),
    IntKey("MenuTextColorB", &CSettings::MenuTextColorB),
    FloatKey("RotationX", &CSettings::RotationX),
    FloatKey("RotationZ", &CSettings::RotationZ),
    FloatKey("EyePosX", &CSettings::EyePosX),
    FloatKey("EyePosY", &CSettings::EyePosY),
    FloatKey("EyePosZ", &CSettings::EyePosZ),
    FloatKey("AtX", &CSettings::AtX),
    FloatKey("AtY", &CSettings::AtY),
    FloatKey("AtZ", &CSettings::AtZ),
    StringKey("Language", &CSettings::Language),
    PlaceKey("WindowX", &CSettings::WindowX),
    PlaceKey("WindowY", &CSettings::WindowY),
    WindowSizeKey("WindowWidth", &CSettings::WindowWidth),
    WindowSizeKey("WindowHeight", &CSettings::WindowHeight),
    PathKey("LastFolder", &CSettings::LastFolder),
    SwitchKey("InspectView", &CSettings::InspectView),
};
static_assert(sizeof kKeys / sizeof kKeys[0] == 49);

constexpr std::size_t kLineBytes = 1024;    // one fgets buffer
constexpr std::size_t kStringBytes = 1023;  // a converted string value at most

// The multibyte form of a string value, cut at a character boundary.
std::string StringValue(const CName& name) {
    std::string bytes = name.ToCp932();
    if (bytes.size() <= kStringBytes) return bytes;
    std::size_t cut = 0;
    while (cut < bytes.size()) {
        const std::size_t len = IsCp932LeadByte(static_cast<unsigned char>(bytes[cut])) ? 2 : 1;
        if (cut + len > kStringBytes) break;
        cut += len;
    }
    bytes.resize(cut);
    return bytes;
}

}  // namespace

CSettings::CSettings() {
    ModelPath.SetAscii("washitu1.dae");
    ExtModel.SetAscii(".mdl");
    ExtAnim.SetAscii(".ani");
    ExtDae.SetAscii(".dae");
    ImgPath.SetAscii("img");
    TextureCloudName.SetAscii("cloud.png");
    TextureStarName.SetAscii("star.png");
    TextureMoonName.SetAscii("moon.png");
    Language.SetAscii("auto");
}

namespace {

// Text has no control bytes but line ends, tabs, form feeds and the old
// end-of-file mark; CP932's double bytes are all above them.
bool IsText(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) return false;
    return true;
}

// The known key a physical line sets, as Read takes it; null for others.
const Key* KeyOfLine(std::string_view line) {
    Tokenizer t(line);
    const std::string_view key = t.Next(" =");
    for (const Key& k : kKeys)
        if (key == k.name) return &k;
    return nullptr;
}

// A path's value: from its first token to the line's end, without the
// blanks and line end after it.
std::string_view RestOfLine(std::string_view line, std::string_view firstToken) {
    std::string_view rest = line.substr(static_cast<std::size_t>(firstToken.data() - line.data()));
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r' || rest.back() == '\n'))
        rest.remove_suffix(1);
    return rest;
}

}  // namespace

bool CSettings::Read(std::string_view fileBytes, std::vector<std::string>* fallbacks) {
    if (!IsText(fileBytes)) return false;
    lines_.clear();
    for (std::size_t at = 0; at < fileBytes.size();) {
        std::size_t end = fileBytes.find('\n', at);
        if (end == std::string_view::npos) end = fileBytes.size();
        std::string_view line = fileBytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        at = end + 1;
    }
    const CSettings defaults;
    LineReader reader(fileBytes);
    std::string line;
    while (reader.Read(kLineBytes, line)) {
        const auto nul = line.find('\0');
        if (nul != std::string::npos) line.resize(nul);
        Tokenizer t(line);
        const std::string_view key = t.Next(" =");
        const std::string_view value = t.Next(" =\n");
        // A key without a value keeps what it had.
        if (key.empty() || value.empty()) continue;
        for (const Key& k : kKeys) {
            if (key != k.name) continue;
            double number = 0.0;
            switch (k.kind) {
                case Kind::Int: number = this->*k.intField = ParseInt(value); break;
                case Kind::Float: number = this->*k.floatField = ParseFloat(value); break;
                case Kind::String: (this->*k.stringField).SetFromCp932(value); break;
                case Kind::Path: (this->*k.stringField).SetFromCp932(RestOfLine(line, value)); break;
            }
            if (k.kind == Kind::String || k.kind == Kind::Path ||
                (std::isfinite(number) && number >= k.low && number <= k.high))
                continue;
            std::string used;
            if (k.kind == Kind::Int) AppendInt(used, this->*k.intField = defaults.*k.intField);
            else AppendFixed6(used, this->*k.floatField = defaults.*k.floatField);
            if (fallbacks)
                fallbacks->push_back("config.ini: " + std::string(k.name) + " = " + std::string(value) +
                                     " cannot be used; the default " + used + " is used instead");
        }
    }
    return true;
}

Status CSettings::ReadFile(const std::string& path, std::vector<std::string>* fallbacks) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return Status::Ok();
    const Result<std::string> bytes = ReadWholeFile(path, kMaxSettingsFileBytes);
    if (bytes && Read(*bytes, fallbacks)) return Status::Ok();
    unreadable_ = true;
    const std::string why = bytes ? "not a settings file (it holds binary bytes)" : bytes.status().Why();
    return Status::Failure(why + "; the defaults are used and the file is left as it is").About(path);
}

std::string CSettings::Serialize() const {
    std::string out;
    // A long string value makes a line longer than the 1024 bytes a reader
    // takes at once; it is written whole all the same.
    const auto append = [&](const Key& k) {
        out += k.name;
        out += " = ";
        switch (k.kind) {
            case Kind::Int: AppendInt(out, this->*k.intField); break;
            case Kind::Float: AppendFixed6(out, this->*k.floatField); break;
            case Kind::String:
            case Kind::Path: out += StringValue(this->*k.stringField); break;
        }
        out += "\r\n";
    };
    std::vector<bool> present(sizeof kKeys / sizeof kKeys[0], false);
    for (const std::string& line : lines_) {
        if (const Key* k = KeyOfLine(line)) {
            present[static_cast<std::size_t>(k - kKeys)] = true;
            append(*k);
        } else {
            out += line;
            out += "\r\n";
        }
    }
    for (std::size_t i = 0; i < present.size(); ++i)
        if (!present[i]) append(kKeys[i]);
    return out;
}

Status CSettings::Write(const std::string& directory) const {
    const std::string dir = directory.empty() ? "." : directory;
    return WriteFileAtomically(dir + "/config.ini", Serialize());
}
