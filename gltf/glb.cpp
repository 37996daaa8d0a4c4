#include "gltf/glb.h"

#include <cstring>
#include <limits>

#include "gltf/json_scan.h"

using namespace json_scan;

namespace {

constexpr std::uint32_t kJsonChunk = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t kBinChunk = 0x004E4942;   // "BIN\0"

std::uint32_t Le32(std::string_view b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

}  // namespace

Status ReadGlbChunks(std::string_view bytes, GlbChunks& chunks) {
    if (bytes.size() < 20) {
        return Status::Failure("the .glb file is cut short (" + std::to_string(bytes.size()) + " bytes)");
    }
    const std::uint64_t total = Le32(bytes, 8), jsonBytes = Le32(bytes, 12);
    if (total > bytes.size()) {
        return Status::Failure("the .glb file is cut short: its header says " + std::to_string(total) +
                               " bytes, it has " + std::to_string(bytes.size()));
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
                if (json[i] < '0' || json[i] > '9' ||
                    entry.byteLength > (std::numeric_limits<std::uint64_t>::max() - 9) / 10)
                    return false;
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
