#include "gltf/data_uri.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "gltf/json_scan.h"

using namespace json_scan;

namespace {

// The headers tinygltf decodes (it tries them in this order); other data
// URIs are no data URIs to it.
constexpr std::string_view kHeaders[] = {"data:application/octet-stream;base64,",
                                         "data:image/jpeg;base64,",
                                         "data:image/png;base64,",
                                         "data:image/bmp;base64,",
                                         "data:image/gif;base64,",
                                         "data:text/plain;base64,",
                                         "data:application/gltf-buffer;base64,"};

constexpr std::array<std::int8_t, 256> kDigitValues = [] {
    std::array<std::int8_t, 256> t{};
    for (auto& v : t) v = -1;
    constexpr std::string_view digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < digits.size(); ++i)
        t[static_cast<unsigned char>(digits[i])] = static_cast<std::int8_t>(i);
    return t;
}();

// The header and the decoded bytes of the JSON string token [begin, end).
std::optional<std::pair<std::string_view, std::vector<unsigned char>>> DecodeUriToken(std::string_view json,
                                                                                      std::size_t begin,
                                                                                      std::size_t end) {
    if (end - begin < 2 || json[begin] != '"') return std::nullopt;
    const std::string_view uri = json.substr(begin + 1, end - begin - 2);
    for (const std::string_view header : kHeaders) {
        if (uri.substr(0, header.size()) != header) continue;
        std::vector<unsigned char> bytes;
        if (!DecodeBase64(uri.substr(header.size()), bytes) || bytes.empty()) return std::nullopt;
        return std::make_pair(header, std::move(bytes));
    }
    return std::nullopt;
}

// A buffer entry { "byteLength": N, "uri": "data:..." } whose URI decodes to N bytes.
void TakeBuffer(std::string_view json, std::size_t index, std::size_t begin, std::size_t end,
                std::vector<EmbeddedData>& found) {
    std::size_t uriBegin = kNone, uriEnd = kNone;
    std::optional<std::uint64_t> byteLength;
    const bool plain = ForEachMember(json, begin, [&](std::string_view key, std::size_t v, std::size_t e) {
        if (key == "uri") {
            if (uriBegin != kNone) return false;
            uriBegin = v;
            uriEnd = e;
        } else if (key == "byteLength") {
            if (byteLength || e - v > 15) return false;
            std::uint64_t n = 0;
            for (std::size_t i = v; i < e; ++i) {
                if (json[i] < '0' || json[i] > '9') return false;
                n = n * 10 + static_cast<std::uint64_t>(json[i] - '0');
            }
            byteLength = n;
        }
        return true;
    });
    if (!plain || uriBegin == kNone || !byteLength) return;
    auto decoded = DecodeUriToken(json, uriBegin, uriEnd);
    if (!decoded || decoded->second.size() != *byteLength) return;
    found.push_back({true, index, begin, end, R"({"byteLength":1,"uri":"data:application/octet-stream;base64,AA=="})",
                     std::move(decoded->second)});
}

// An image entry's "uri": the string alone is replaced, so the parser still
// reads the entry's other members and the header's MIME type.
void TakeImage(std::string_view json, std::size_t index, std::size_t begin, std::vector<EmbeddedData>& found) {
    std::size_t uriBegin = kNone, uriEnd = kNone;
    const bool plain = ForEachMember(json, begin, [&](std::string_view key, std::size_t v, std::size_t e) {
        if (key != "uri") return true;
        if (uriBegin != kNone) return false;
        uriBegin = v;
        uriEnd = e;
        return true;
    });
    if (!plain || uriBegin == kNone) return;
    auto decoded = DecodeUriToken(json, uriBegin, uriEnd);
    if (!decoded) return;
    found.push_back(
        {false, index, uriBegin, uriEnd, "\"" + std::string(decoded->first) + "AA==\"", std::move(decoded->second)});
}

}  // namespace

bool DecodeBase64(std::string_view text, std::vector<unsigned char>& out) {
    std::size_t digits = text.size();
    if (digits % 4 == 0 && digits > 0 && text[digits - 1] == '=') digits -= text[digits - 2] == '=' ? 2 : 1;
    if (digits % 4 == 1) return false;
    out.resize(digits / 4 * 3 + (digits % 4 == 0 ? 0 : digits % 4 - 1));
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char* o = out.data();
    std::int32_t bad = 0;
    std::size_t i = 0;
    for (; i + 4 <= digits; i += 4, o += 3) {
        const std::int32_t a = kDigitValues[in[i]], b = kDigitValues[in[i + 1]], c = kDigitValues[in[i + 2]],
                           d = kDigitValues[in[i + 3]];
        bad |= a | b | c | d;  // negative once any digit was not one
        const std::uint32_t v = static_cast<std::uint32_t>(a) << 18 | static_cast<std::uint32_t>(b) << 12 |
                                static_cast<std::uint32_t>(c) << 6 | static_cast<std::uint32_t>(d);
        o[0] = static_cast<unsigned char>(v >> 16);
        o[1] = static_cast<unsigned char>(v >> 8);
        o[2] = static_cast<unsigned char>(v);
    }
    if (i < digits) {  // two or three digits left
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const std::int32_t d = i + k < digits ? kDigitValues[in[i + k]] : 0;
            bad |= d;
            v = v << 6 | static_cast<std::uint32_t>(d & 63);
        }
        o[0] = static_cast<unsigned char>(v >> 16);
        if (digits - i == 3) o[1] = static_cast<unsigned char>(v >> 8);
    }
    return bad >= 0;
}

std::vector<EmbeddedData> DecodeDataUris(std::string_view json) {
    std::vector<EmbeddedData> found;
    int buffersLists = 0, imagesLists = 0;
    const bool followed = ForEachMember(json, 0, [&](std::string_view key, std::size_t value, std::size_t) {
        if (key == "buffers") {
            if (++buffersLists > 1) return false;
            return ForEachElement(json, value, [&](std::size_t index, std::size_t begin, std::size_t end) {
                if (json[begin] == '{') TakeBuffer(json, index, begin, end, found);
                return true;
            });
        }
        if (key == "images") {
            if (++imagesLists > 1) return false;
            return ForEachElement(json, value, [&](std::size_t index, std::size_t begin, std::size_t) {
                if (json[begin] == '{') TakeImage(json, index, begin, found);
                return true;
            });
        }
        return true;
    });
    if (!followed) return {};
    std::sort(found.begin(), found.end(),
              [](const EmbeddedData& a, const EmbeddedData& b) { return a.begin < b.begin; });
    return found;
}
