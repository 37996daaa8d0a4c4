#pragma once
// Reading a .gltf or .glb into tinygltf's document, with our own limits:
// JSON nested deeper than any glTF needs, a .glb whose chunks run past its
// end, external files that are not regular files or are too large, are
// refused with a one-line reason. External images are named, not read;
// images inside the file keep their encoded bytes.
#include <string>
#include <string_view>

#include <tiny_gltf.h>

// False with `error` set when the bytes are no readable glTF. `baseDir`:
// where external files are looked up (empty: none are read). `bytesRead`
// receives the size of the file and its buffers.
bool ParseGltfDocument(std::string_view bytes, const std::string& baseDir, tinygltf::Model& doc,
                       std::size_t& bytesRead, std::string& error);
