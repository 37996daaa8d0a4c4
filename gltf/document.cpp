#include "gltf/document.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

#include "gltf/glb.h"
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

// Where embedded images find their buffers while tinygltf parses: the
// binary chunk stands for buffer 0 when it is not handed to tinygltf.
struct ImageBuffers {
    const tinygltf::Model* doc = nullptr;
    std::optional<GltfBuffer> binAsBufferZero;
};

bool KeepEncoded(tinygltf::Image* image, const int, std::string* err, std::string*, int, int, const unsigned char* bytes,
                 int size, void* user) {
    if (size < 0) return false;
    const auto& source = *static_cast<const ImageBuffers*>(user);
    if (image->bufferView < 0) {
        image->image.assign(bytes, bytes + size);
        image->as_is = true;
        return true;
    }
    // tinygltf checks only where an image's buffer view starts, not where it
    // ends, and reads buffer 0 from its stand-in: the bytes are taken here.
    const tinygltf::Model& doc = *source.doc;
    const auto view = static_cast<std::size_t>(image->bufferView);
    if (view >= doc.bufferViews.size()) return false;
    const tinygltf::BufferView& bv = doc.bufferViews[view];
    if (bv.buffer < 0 || static_cast<std::size_t>(bv.buffer) >= doc.buffers.size()) return false;
    const GltfBuffer buffer = bv.buffer == 0 && source.binAsBufferZero ? *source.binAsBufferZero
                                                                        : GltfBuffer(doc.buffers[static_cast<std::size_t>(bv.buffer)].data);
    if (bv.byteOffset > buffer.size() || bv.byteLength > buffer.size() - bv.byteOffset) {
        if (err) *err += "an image's buffer view lies outside its buffer\n";
        return false;
    }
    const unsigned char* first = buffer.data() + bv.byteOffset;
    image->image.assign(first, first + bv.byteLength);
    image->as_is = true;
    return true;
}

// The first line of tinygltf's message.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    return line.empty() ? "not a readable glTF file" : line;
}

}  // namespace

Status ParseGltfDocument(std::string_view bytes, const std::string& baseDir, tinygltf::Model& doc,
                         std::vector<GltfBuffer>& buffers, std::size_t& bytesRead) {
    const bool binary = bytes.size() >= 4 && bytes.substr(0, 4) == "glTF";
    std::string_view json = bytes;
    GlbChunks glb;
    if (binary) {
        if (Status read = ReadGlbChunks(bytes, glb); !read) return read;
        json = glb.json;
    }
    if (bytes.size() > std::numeric_limits<unsigned int>::max()) {
        return Status::Failure("the file is larger than 4 GiB");
    }
    if (JsonDepth(json) > kMaxJsonDepth) {
        return Status::Failure("the JSON is nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    }

    // The binary chunk's buffer entry is replaced by a one-byte stand-in, so
    // tinygltf does not copy the chunk; its bytes are used where they lie.
    ImageBuffers images{&doc, std::nullopt};
    std::string standIn;
    if (const std::optional<BinBufferEntry> entry = glb.bin ? FindBinBufferEntry(json) : std::nullopt) {
        if (entry->byteLength > glb.bin->size()) {
            return Status::Failure("the .glb file's buffer is longer than its binary chunk");
        }
        images.binAsBufferZero = glb.bin->first(static_cast<std::size_t>(entry->byteLength));
        standIn.reserve(json.size() + 64);
        standIn.append(json.substr(0, entry->begin))
            .append(R"({"byteLength":1,"uri":"data:application/octet-stream;base64,AA=="})")
            .append(json.substr(entry->end));
    }

    FsState fs;
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({&IsRegularFile, &KeepPath, &ReadExternal, &NoWrite, &fs});
    loader.SetImageLoader(&KeepEncoded, &images);
    std::string err, warn;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned int>(bytes.size());
    // An empty folder name would make tinygltf look in the current one.
    const std::string base = baseDir.empty() ? std::string("/nonexistent-folder") : baseDir;
    bool ok;
    if (images.binAsBufferZero)
        ok = loader.LoadASCIIFromString(&doc, &err, &warn, standIn.data(), static_cast<unsigned int>(standIn.size()), base);
    else if (binary)
        ok = loader.LoadBinaryFromMemory(&doc, &err, &warn, data, size, base);
    else
        ok = loader.LoadASCIIFromString(&doc, &err, &warn, bytes.data(), size, base);
    bytesRead = bytes.size() + fs.bytesRead;
    if (!ok) {
        return Status::Failure(FirstLine(err));
    }
    buffers.clear();
    for (const tinygltf::Buffer& b : doc.buffers) buffers.emplace_back(b.data);
    if (images.binAsBufferZero && !buffers.empty()) buffers[0] = *images.binAsBufferZero;
    return Status::Ok();
}
