#include "gltf/document.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/file_io.h"

namespace {

constexpr int kMaxJsonDepth = 64;
constexpr std::size_t kMaxExternalBytes = std::size_t{1} << 31;

// Deepest nesting of arrays and objects outside strings.
int JsonDepth(std::string_view json) {
    int depth = 0, deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

std::uint32_t Le32(std::string_view b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

bool IsImageName(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* known : {"png", "jpg", "jpeg", "bmp", "gif", "tga", "webp", "ktx", "ktx2", "dds", "hdr"})
        if (ext == known) return true;
    return false;
}

struct FsState {
    std::size_t bytesRead = 0;
};

bool IsRegularFile(const std::string& path, void*) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string KeepPath(const std::string& path, void*) { return path; }

bool ReadExternal(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    // Images are handed to the renderer by name, as COLLADA images are.
    if (IsImageName(path)) return false;
    // Regular files only, within the size: a FIFO or a device named as a buffer is refused.
    const auto bytes = ReadWholeFile(path, kMaxExternalBytes);
    if (!bytes) {
        if (err) *err += "cannot read " + path + "\n";
        return false;
    }
    static_cast<FsState*>(user)->bytesRead += bytes->size();
    out->assign(bytes->begin(), bytes->end());
    return true;
}

bool NoWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

bool KeepEncoded(tinygltf::Image* image, const int, std::string* err, std::string*, int, int, const unsigned char* bytes,
                 int size, void* model) {
    // tinygltf checks only where an image's buffer view starts, not where it ends.
    const auto* doc = static_cast<const tinygltf::Model*>(model);
    if (doc && image->bufferView >= 0) {
        const auto view = static_cast<std::size_t>(image->bufferView);
        if (view >= doc->bufferViews.size()) return false;
        const tinygltf::BufferView& bv = doc->bufferViews[view];
        if (bv.buffer < 0 || static_cast<std::size_t>(bv.buffer) >= doc->buffers.size() ||
            bv.byteOffset > doc->buffers[static_cast<std::size_t>(bv.buffer)].data.size() ||
            bv.byteLength > doc->buffers[static_cast<std::size_t>(bv.buffer)].data.size() - bv.byteOffset) {
            if (err) *err += "an image's buffer view lies outside its buffer\n";
            return false;
        }
    }
    if (size < 0) return false;
    image->image.assign(bytes, bytes + size);
    image->as_is = true;
    return true;
}

// The first line of tinygltf's message.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "not a readable glTF file" : line;
}

}  // namespace

bool ParseGltfDocument(std::string_view bytes, const std::string& baseDir, tinygltf::Model& doc,
                       std::size_t& bytesRead, std::string& error) {
    const bool binary = bytes.size() >= 4 && bytes.substr(0, 4) == "glTF";
    std::string_view json = bytes;
    if (binary) {
        if (bytes.size() < 20) {
            error = "the .glb file is cut short (" + std::to_string(bytes.size()) + " bytes)";
            return false;
        }
        const std::uint64_t total = Le32(bytes, 8), jsonBytes = Le32(bytes, 12);
        if (total > bytes.size()) {
            error = "the .glb file is cut short: its header says " + std::to_string(total) + " bytes, it has " + std::to_string(bytes.size());
            return false;
        }
        if (20 + jsonBytes > total) {
            error = "the .glb file's JSON chunk runs past its end";
            return false;
        }
        json = bytes.substr(20, static_cast<std::size_t>(jsonBytes));
    }
    if (bytes.size() > std::numeric_limits<unsigned int>::max()) {
        error = "the file is larger than 4 GiB";
        return false;
    }
    if (JsonDepth(json) > kMaxJsonDepth) {
        error = "the JSON is nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
        return false;
    }

    FsState fs;
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({&IsRegularFile, &KeepPath, &ReadExternal, &NoWrite, &fs});
    loader.SetImageLoader(&KeepEncoded, &doc);
    std::string err, warn;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned int>(bytes.size());
    // An empty folder name would make tinygltf look in the current one.
    const std::string base = baseDir.empty() ? std::string("/nonexistent-folder") : baseDir;
    const bool ok = binary ? loader.LoadBinaryFromMemory(&doc, &err, &warn, data, size, base)
                           : loader.LoadASCIIFromString(&doc, &err, &warn, bytes.data(), size, base);
    bytesRead = bytes.size() + fs.bytesRead;
    if (!ok) error = FirstLine(err);
    return ok;
}
