#pragma once
// The parts of a .glb: its JSON chunk and binary chunk, checked to lie inside
// the file, and the entry of the JSON's buffer list that stands for the
// binary chunk, so that its bytes can be used where they lie.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/status.h"

struct GlbChunks {
    std::string_view json;
    std::optional<std::span<const unsigned char>> bin;  // absent when the file has none
};

// A one-line failure when the header or a chunk runs past the file's end,
// or the chunks are not JSON and binary data.
Status ReadGlbChunks(std::string_view bytes, GlbChunks& chunks);

// Where the first entry of the top-level "buffers" list lies in `json`
// ([begin, end)), when it stands for the binary chunk: an object without
// "uri" whose "byteLength" is a plain whole number. Nothing for anything
// else, for keys written with escapes, or for a second "buffers" list.
struct BinBufferEntry {
    std::size_t begin = 0, end = 0;
    std::uint64_t byteLength = 0;
};
std::optional<BinBufferEntry> FindBinBufferEntry(std::string_view json);
