#pragma once
// Base64 data URIs of a document's buffers and images, found in its JSON and
// decoded at memory speed, so that the JSON parser is handed a stand-in for
// each and never copies or decodes the long strings itself. A URI is taken
// only when it is exactly what the parser would decode (one of its known
// headers, strict base64, no JSON escapes, a buffer's byteLength a plain
// number equal to its decoded size); anything else is left to the parser,
// which then reads or refuses it as it always did.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct EmbeddedData {
    bool isBuffer = false;           // an entry of "buffers"; else of "images"
    std::size_t index = 0;           // its place in that list
    std::size_t begin = 0, end = 0;  // the text a stand-in replaces: a whole buffer entry, an image's uri string
    std::string standIn;
    std::vector<unsigned char> bytes;
};

// The data URIs of `json`'s top-level "buffers" and "images", in the order
// they lie; none when the document's outline cannot be followed.
std::vector<EmbeddedData> DecodeDataUris(std::string_view json);

// Strict base64 (padding optional, nothing else between the digits) into
// `out`; false on anything else.
bool DecodeBase64(std::string_view text, std::vector<unsigned char>& out);
