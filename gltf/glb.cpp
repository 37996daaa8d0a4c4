#include "gltf/glb.h"

#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;   // "BIN\0"
constexpr std::size_t kNone = std::string_view::npos;

std::uint32_t Le32(std::string_view b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

std::size_t SkipSpace(std::string_view s, std::size_t i) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
    return i;
}

// Just past the string that starts at `i`, or kNone when it does not end.
std::size_t SkipString(std::string_view s, std::size_t i) {
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\') ++i;
        else if (s[i] == '"') return i + 1;
    }
    return kNone;
}

// Just past the value that starts at `i`: a string, an array or object up to
// its matching bracket, or a bare token.
std::size_t SkipValue(std::string_view s, std::size_t i) {
    if (i >= s.size()) return kNone;
    if (s[i] == '"') return SkipString(s, i);
    if (s[i] != '[' && s[i] != '{') {
        while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']' && s[i] != ' ' && s[i] != '\n' && s[i] != '\r' && s[i] != '\t') ++i;
        return i;
    }
    int depth = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '"') {
            i = SkipString(s, i);
            if (i == kNone) return kNone;
            continue;
        }
        if (c == '[' || c == '{') ++depth;
        else if ((c == ']' || c == '}') && --depth == 0) return i + 1;
        ++i;
    }
    return kNone;
}

// Calls visit(key, valueBegin, valueEnd) for each member of the object at
// `i`; false when the object is malformed, a key holds an escape or visit
// says stop.
template <class Visit>
bool ForEachMember(std::string_view s, std::size_t i, Visit visit) {
    i = SkipSpace(s, i);
    if (i >= s.size() || s[i] != '{') return false;
    i = SkipSpace(s, i + 1);
    if (i < s.size() && s[i] == '}') return true;
    for (;;) {
        if (i >= s.size() || s[i] != '"') return false;
        const std::size_t keyEnd = SkipString(s, i);
        if (keyEnd == kNone) return false;
        const std::string_view key = s.substr(i + 1, keyEnd - i - 2);
        if (key.find('\\') != std::string_view::npos) return false;
        i = SkipSpace(s, keyEnd);
        if (i >= s.size() || s[i] != ':') return false;
        const std::size_t value = SkipSpace(s, i + 1);
        const std::size_t valueEnd = SkipValue(s, value);
        if (valueEnd == kNone || valueEnd == value || !visit(key, value, valueEnd)) return false;
        i = SkipSpace(s, valueEnd);
        if (i < s.size() && s[i] == '}') return true;
        if (i >= s.size() || s[i] != ',') return false;
        i = SkipSpace(s, i + 1);
    }
}

}  // namespace

Status ReadGlbChunks(std::string_view bytes, GlbChunks& chunks) {
    if (bytes.size() < 20) {
        return Status::Failure("the .glb file is cut short (" + std::to_string(bytes.size()) + " bytes)");
    }
    const std::uint64_t total = Le32(bytes, 8), jsonBytes = Le32(bytes, 12);
    if (total > bytes.size()) {
        return Status::Failure("the .glb file is cut short: its header says " + std::to_string(total) + " bytes, it has " + std::to_string(bytes.size()));
    }
    if (20 + jsonBytes > total) {
        return Status::Failure("the .glb file's JSON chunk runs past its end");
    }
    if (Le32(bytes, 16) != kJsonChunk || jsonBytes == 0) {
        return Status::Failure("the .glb file's first chunk is no JSON");
    }
    chunks.json = bytes.substr(20, static_cast<std::size_t>(jsonBytes));
    chunks.bin.reset();
    const std::uint64_t bin = 20 + jsonBytes;
    if (bin == total) return Status::Ok();  // no binary chunk
    if (bin + 8 > total || bin + 8 + Le32(bytes, static_cast<std::size_t>(bin)) > total) {
        return Status::Failure("the .glb file's binary chunk runs past its end");
    }
    if (Le32(bytes, static_cast<std::size_t>(bin + 4)) != kBinChunk) {
        return Status::Failure("the .glb file's second chunk is no binary data");
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data()) + bin + 8;
    chunks.bin = std::span<const unsigned char>(data, Le32(bytes, static_cast<std::size_t>(bin)));
    return Status::Ok();
}

std::optional<BinBufferEntry> FindBinBufferEntry(std::string_view json) {
    std::optional<BinBufferEntry> found;
    int lists = 0;
    const bool wellFormed = ForEachMember(json, 0, [&](std::string_view key, std::size_t value, std::size_t) {
        if (key != "buffers") return true;
        if (++lists > 1 || json[value] != '[') return false;
        const std::size_t first = SkipSpace(json, value + 1);
        BinBufferEntry entry;
        entry.begin = first;
        entry.end = SkipValue(json, first);
        bool hasUri = false, hasLength = false;
        const bool plain = ForEachMember(json, first, [&](std::string_view member, std::size_t v, std::size_t end) {
            if (member == "uri") hasUri = true;
            if (member != "byteLength") return true;
            hasLength = true;
            for (std::size_t i = v; i < end; ++i) {
                if (json[i] < '0' || json[i] > '9' || entry.byteLength > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return false;
                entry.byteLength = entry.byteLength * 10 + static_cast<std::uint64_t>(json[i] - '0');
            }
            return true;
        });
        if (plain && hasLength && !hasUri && entry.end != kNone) found = entry;
        return true;
    });
    if (!wellFormed) return std::nullopt;
    return found;
}
