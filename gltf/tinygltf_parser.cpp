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
#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/rapidjson.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <tiny_gltf.h>

#include <string>
#include <string_view>

// Declared in gltf/document.h, which cannot be included beside the
// implementation of the parser it also declares.
std::string JsonFault(std::string_view json);

// Why RapidJSON cannot read `json`, or empty when it can.
std::string JsonFault(std::string_view json) {
    rapidjson::Document d;
    d.Parse(json.data(), json.size());
    if (!d.HasParseError())
        return d.IsObject() ? std::string() : "the file holds JSON, but no object with a glTF model";
    std::string why = rapidjson::GetParseError_En(d.GetParseError());
    if (!why.empty() && why.back() == '.') why.pop_back();
    if (!why.empty() && why[0] >= 'A' && why[0] <= 'Z') why[0] = static_cast<char>(why[0] - 'A' + 'a');
    return "the JSON cannot be read at byte " + std::to_string(d.GetErrorOffset()) + ": " + why;
}
