#pragma once
// Reading a .gltf or .glb into tinygltf's document, with our own limits:
// JSON nested deeper than any glTF needs, a .glb whose chunks run past its
// end, external files that are not regular files or are too large, are
// refused with a one-line reason, as is an external buffer outside the
// model's folder (also through a symbolic link). External images are named, not read;
// images inside the file keep their encoded bytes. A .glb's binary chunk is
// not copied: tinygltf is handed the JSON with a stand-in for its buffer.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

#include <tiny_gltf.h>

// Whether a decoded relative URI names a file inside the folder it is read
// against: not absolute, no scheme or drive, no ".." that climbs above it.
bool StaysInFolder(std::string_view decodedUri);

// The bytes of one buffer.
using GltfBuffer = std::span<const unsigned char>;

// True for the extensions the importer reads (others in "extensionsUsed"
// are ignored; in "extensionsRequired" they refuse the file).
bool IsSupportedGltfExtension(std::string_view name);
// The refusal for a required extension the importer does not read.
std::string RequiredExtensionMessage(const std::string& name);

// A failure, saying why, when the bytes are no readable glTF. `baseDir`:
// where external files are looked up (empty: none are read). `buffers`
// receives each buffer's bytes: a .glb's binary chunk is used where it lies
// in `bytes` (which must outlive them), other buffers in `doc`.
// `bytesRead` receives the size of the file and its buffers.
Status ParseGltfDocument(std::string_view bytes, const std::string& baseDir, tinygltf::Model& doc,
                         std::vector<GltfBuffer>& buffers, std::size_t& bytesRead);

// Why RapidJSON cannot read `json` (with the byte where it stopped), or empty
// when it can. Built with the parser, beside RapidJSON's other users.
std::string JsonFault(std::string_view json);
