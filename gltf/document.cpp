#include "gltf/document.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "gltf/data_uri.h"
#include "gltf/glb.h"
#include "gltf/json_scan.h"
#include "platform/file_io.h"

namespace {

constexpr int kMaxJsonDepth = 64;
constexpr std::size_t kMaxExternalBytes = std::size_t{1} << 31;

// Deepest nesting of arrays and objects outside strings.
int JsonDepth(std::string_view json) {
    int depth = 0, deepest = 0;
    for (std::size_t i = 0; i < json.size();) {
        const char c = json[i];
        if (c == '"') {
            i = json_scan::SkipString(json, i);
            if (i == json_scan::kNone) break;
            continue;
        }
        if (c == '[' || c == '{') deepest = std::max(deepest, ++depth);
        else if (c == ']' || c == '}') --depth;
        ++i;
    }
    return deepest;
}

// The first extension the document's top-level "extensionsRequired" names
// that the importer does not read, or empty. Looked for before the parser,
// which would otherwise refuse such a file for what the extension changes.
std::string UnsupportedRequiredExtension(std::string_view json) {
    std::string found;
    json_scan::ForEachMember(json, 0, [&](std::string_view key, std::size_t begin, std::size_t) {
        if (key != "extensionsRequired") return true;
        json_scan::ForEachElement(json, begin, [&](std::size_t, std::size_t from, std::size_t to) {
            const std::string_view value = json.substr(from, to - from);
            if (value.size() < 2 || value.front() != '"' || value.find('\\') != std::string_view::npos) return true;
            const std::string_view name = value.substr(1, value.size() - 2);
            if (IsSupportedGltfExtension(name)) return true;
            found = name;
            return false;
        });
        return false;
    });
    return found;
}

// A primitive whose indices accessor has no buffer view: the format allows
// one (its elements are zeros, or sparse values), the parser refuses it. It
// is handed to the parser without indices, and has them back after.
struct ViewlessIndices {
    std::size_t mesh, primitive;
    int accessor;
    std::size_t begin, end;  // the indices value in the JSON
};

std::vector<ViewlessIndices> FindViewlessIndices(std::string_view json) {
    using namespace json_scan;
    std::vector<char> viewless;  // per accessor
    std::vector<ViewlessIndices> found;
    std::size_t meshesAt = kNone;
    ForEachMember(json, 0, [&](std::string_view key, std::size_t begin, std::size_t) {
        if (key == "meshes") meshesAt = begin;
        if (key == "accessors")
            ForEachElement(json, begin, [&](std::size_t, std::size_t from, std::size_t) {
                bool view = false;
                ForEachMember(json, from, [&](std::string_view k, std::size_t, std::size_t) {
                    return !(view = k == "bufferView");
                });
                viewless.push_back(!view);
                return true;
            });
        return true;
    });
    if (meshesAt == kNone) return found;
    ForEachElement(json, meshesAt, [&](std::size_t mesh, std::size_t meshFrom, std::size_t) {
        ForEachMember(json, meshFrom, [&](std::string_view key, std::size_t begin, std::size_t) {
            if (key != "primitives") return true;
            ForEachElement(json, begin, [&](std::size_t primitive, std::size_t from, std::size_t) {
                ForEachMember(json, from, [&](std::string_view k, std::size_t b, std::size_t e) {
                    int accessor = -1;
                    const auto [end, fault] = std::from_chars(json.data() + b, json.data() + e, accessor);
                    if (k == "indices" && fault == std::errc() && end == json.data() + e && accessor >= 0 &&
                        static_cast<std::size_t>(accessor) < viewless.size() &&
                        viewless[static_cast<std::size_t>(accessor)])
                        found.push_back({mesh, primitive, accessor, b, e});
                    return true;
                });
                return true;
            });
            return true;
        });
        return true;
    });
    return found;
}

struct FsState {
    std::size_t bytesRead = 0;
    std::string prefix;     // the folder as tinygltf joins it, ending in '/'
    std::string canonical;  // the folder with its links resolved, ending in '/'
    std::string refused;    // the first URI that leads out of the folder
};

std::string Canonical(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

// tinygltf also looks in the current folder when a file is not beside the
// model: only paths inside the model's own folder are said to exist.
bool IsRegularFile(const std::string& path, void* user) {
    auto& fs = *static_cast<FsState*>(user);
    if (path.compare(0, fs.prefix.size(), fs.prefix) != 0) return false;
    const std::string uri = path.substr(fs.prefix.size());
    const std::string target = Canonical(path);
    const bool inside =
        StaysInFolder(uri) &&
        (target.empty() || (!fs.canonical.empty() && target.compare(0, fs.canonical.size(), fs.canonical) == 0));
    if (!inside) {
        // A data URI the parser could not decode is malformed, not a way out.
        if (fs.refused.empty() && uri.rfind("data:", 0) != 0) fs.refused = uri;
        return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string KeepPath(const std::string& path, void*) { return path; }

bool ReadExternal(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    // Regular files only, within the size: a FIFO or a device named as a buffer is refused.
    const auto bytes = ReadWholeFile(path, kMaxExternalBytes);
    if (!bytes) {
        if (err) *err += bytes.Why();
        return false;
    }
    static_cast<FsState*>(user)->bytesRead += bytes->size();
    out->assign(bytes->begin(), bytes->end());
    return true;
}

bool NoWrite(std::string*, const std::string&, const std::vector<unsigned char>&, void*) { return false; }

// Where embedded images find their buffers while tinygltf parses: a buffer
// handed to it as a stand-in (the binary chunk, a decoded data URI) is read
// from here.
struct ImageBuffers {
    const tinygltf::Model* doc = nullptr;
    std::vector<std::optional<GltfBuffer>> standsIn;  // per buffer
};

bool KeepEncoded(tinygltf::Image* image, const int, std::string* err, std::string*, int, int,
                 const unsigned char* bytes, int size, void* user) {
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
    const auto b = static_cast<std::size_t>(bv.buffer);
    const GltfBuffer buffer =
        b < source.standsIn.size() && source.standsIn[b] ? *source.standsIn[b] : GltfBuffer(doc.buffers[b].data);
    if (bv.byteOffset > buffer.size() || bv.byteLength > buffer.size() - bv.byteOffset) {
        if (err) *err += "an image's buffer view lies outside its buffer\n";
        return false;
    }
    const unsigned char* first = buffer.data() + bv.byteOffset;
    image->image.assign(first, first + bv.byteLength);
    image->as_is = true;
    return true;
}

// The parser's first complaint in our words: what is wrong, and where.
std::string Reason(const std::string& text, std::string_view json) {
    std::string line = text.substr(0, text.find('\n'));
    const auto after = [&](std::string_view prefix) {
        return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string();
    };
    const std::size_t first = json.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || json[first] != '{')
        return "the file is neither glTF JSON (it does not start with '{') nor a .glb (it does not start with "
               "\"glTF\")";
    if (line.empty() || line == "Root element is not a JSON object" || line == "Failed to parse JSON object" ||
        line == "JSON string too short.") {
        const std::string fault = JsonFault(json);
        if (!fault.empty()) return fault;
    }
    if (const std::string name = after("File not found : "); !name.empty() || line == "File not found : ")
        return name.empty()                  ? "a buffer has an empty URI, which names no file"
               : name.rfind("data:", 0) == 0 ? "a buffer's data URI is malformed (it must be base64 data of type "
                                               "application/octet-stream or application/gltf-buffer)"
                                             : "the buffer file " + name + " does not exist";
    if (line.find("'uri' is missing") != std::string::npos)
        return "a buffer has no URI: only a .glb's first buffer may have none";
    if (const std::string read = after("File read error : "); !read.empty()) {
        const std::size_t sep = read.rfind(" : ");
        const std::string why = sep == std::string::npos ? std::string() : read.substr(sep + 3);
        return "cannot read the buffer file " + read.substr(0, sep) + (why.empty() ? std::string() : ": " + why);
    }
    if (line == "JSON string too short.") return "the JSON is too short to hold a glTF model";
    // The parser gives no reason when a required property is missing in some elements (a skin's joints).
    return line.empty() ? "an element lacks a property the format requires, or has one of the wrong type" : line;
}

}  // namespace

bool IsSupportedGltfExtension(std::string_view name) {
    // Quantized attributes are read like any other component type.
    return name == "KHR_texture_transform" || name == "KHR_mesh_quantization";
}

std::string RequiredExtensionMessage(const std::string& name) {
    return "the file requires the extension " + name + ", which this program does not support";
}

bool StaysInFolder(std::string_view uri) {
    if (uri.empty() || uri[0] == '/' || uri[0] == '\\') return false;
    int depth = 0;
    for (std::size_t at = 0; at <= uri.size();) {
        const std::size_t end = std::min(uri.find_first_of("/\\", at), uri.size());
        const std::string_view part = uri.substr(at, end - at);
        if (part.find(':') != std::string_view::npos) return false;  // "file:", "C:", "http:"
        if (part == "..") {
            if (--depth < 0) return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        at = end + 1;
    }
    return true;
}

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

    if (const std::string unsupported = UnsupportedRequiredExtension(json); !unsupported.empty())
        return Status::Failure(RequiredExtensionMessage(unsupported));

    // Stand-ins replace the binary chunk's buffer entry (so tinygltf does not
    // copy the chunk; its bytes are used where they lie) and every data URI
    // decoded here (so it neither copies nor decodes them itself).
    struct Replacement {
        std::size_t begin, end;
        std::string_view text;
    };
    std::vector<Replacement> replacements;
    ImageBuffers images{&doc, {}};
    const auto standFor = [&](std::size_t buffer, GltfBuffer b) {
        if (images.standsIn.size() <= buffer) images.standsIn.resize(buffer + 1);
        images.standsIn[buffer] = b;
    };
    constexpr std::string_view kBinStandIn = R"({"byteLength":1,"uri":"data:application/octet-stream;base64,AA=="})";
    std::optional<GltfBuffer> bin;
    if (const std::optional<BinBufferEntry> entry = glb.bin ? FindBinBufferEntry(json) : std::nullopt) {
        if (entry->byteLength > glb.bin->size()) {
            return Status::Failure("the .glb file's buffer is longer than its binary chunk");
        }
        bin = glb.bin->first(static_cast<std::size_t>(entry->byteLength));
        standFor(0, *bin);
        replacements.push_back({entry->begin, entry->end, kBinStandIn});
    }
    // A .glb is parsed as text only when its binary chunk has a stand-in.
    std::vector<EmbeddedData> embedded;
    if (!binary || bin) embedded = DecodeDataUris(json);
    for (const EmbeddedData& e : embedded) {
        if (e.isBuffer) standFor(e.index, e.bytes);
        replacements.push_back({e.begin, e.end, e.standIn});
    }
    std::vector<ViewlessIndices> viewless;
    if (!binary || bin) viewless = FindViewlessIndices(json);
    for (const ViewlessIndices& v : viewless) replacements.push_back({v.begin, v.end, "-1"});
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.begin < b.begin; });
    std::string standIn;
    if (!replacements.empty()) {
        standIn.reserve(json.size() / 16 + 1024);
        std::size_t at = 0;
        for (const Replacement& r : replacements) {
            standIn.append(json.substr(at, r.begin - at)).append(r.text);
            at = r.end;
        }
        standIn.append(json.substr(at));
    }

    // An empty folder name would make tinygltf look in the current one.
    const std::string base = baseDir.empty() ? std::string("/nonexistent-folder") : baseDir;
    FsState fs;
    fs.prefix = base.back() == '/' ? base : base + "/";
    fs.canonical = Canonical(base);
    if (!fs.canonical.empty() && fs.canonical.back() != '/') fs.canonical += '/';
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({&IsRegularFile, &KeepPath, &ReadExternal, &NoWrite, &fs});
    loader.SetImageLoader(&KeepEncoded, &images);
    std::string err, warn;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned int>(bytes.size());
    bool ok;
    if (!replacements.empty())
        ok = loader.LoadASCIIFromString(&doc, &err, &warn, standIn.data(), static_cast<unsigned int>(standIn.size()),
                                        base);
    else if (binary) ok = loader.LoadBinaryFromMemory(&doc, &err, &warn, data, size, base);
    else ok = loader.LoadASCIIFromString(&doc, &err, &warn, bytes.data(), size, base);
    bytesRead = bytes.size() + fs.bytesRead;
    if (!ok) {
        if (!fs.refused.empty())
            return Status::Failure("the URI \"" + fs.refused + "\" leads outside the model's folder");
        return Status::Failure(Reason(err, json));
    }
    // The decoded data takes its stand-ins' places (moving a vector keeps its bytes where they are).
    for (EmbeddedData& e : embedded) {
        auto& target = e.isBuffer ? doc.buffers.at(e.index).data : doc.images.at(e.index).image;
        target = std::move(e.bytes);
    }
    for (const ViewlessIndices& v : viewless)
        if (v.mesh < doc.meshes.size() && v.primitive < doc.meshes[v.mesh].primitives.size())
            doc.meshes[v.mesh].primitives[v.primitive].indices = v.accessor;
    buffers.clear();
    for (const tinygltf::Buffer& b : doc.buffers) buffers.emplace_back(b.data);
    if (bin && !buffers.empty()) buffers[0] = *bin;
    return Status::Ok();
}
