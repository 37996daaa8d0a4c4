// The glTF parser itself, built here rather than taken from the shared
// library: with RapidJSON instead of its default JSON reader it reads a
// document's JSON several times faster, which is most of what it does. Its
// image decoder is left out: images are kept encoded, the renderer decodes
// them (TINYGLTF_NO_STB_IMAGE, set for every user of the header in the
// build, as the header's inline code depends on it). The CRT allocator keeps
// parses on different threads apart. External images are not read at all:
// they are named, as COLLADA images are, so only buffers are read as files.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_USE_RAPIDJSON
#define TINYGLTF_USE_RAPIDJSON_CRTALLOCATOR
#define TINYGLTF_NO_INCLUDE_RAPIDJSON

#include <rapidjson/document.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/rapidjson.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <tiny_gltf.h>
