#include "bench/skinned_gltf_generator.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kJoints = 19;
constexpr int kRings = 109, kSegments = 30;  // 3 270 vertices
constexpr int kKeys = 72;
constexpr double kPi = 3.14159265358979323846;

void Append(std::string& bin, const void* data, std::size_t size) {
    bin.append(static_cast<const char*>(data), size);
    while (bin.size() % 4 != 0) bin += '\0';
}

template <class T>
void AppendAll(std::string& bin, const std::vector<T>& v) {
    Append(bin, v.data(), v.size() * sizeof(T));
}

std::string Base64(const std::string& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const auto at = [&](std::size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
        const std::uint32_t v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        out += kDigits[v >> 18 & 63];
        out += kDigits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? kDigits[v >> 6 & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

}  // namespace

std::string EncodeNoiseJpeg(int width, int height, int quality) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const std::size_t x = i / 3 % static_cast<std::size_t>(width), y = i / 3 / static_cast<std::size_t>(width);
        const double weave = 96 + 64 * std::sin(static_cast<double>(x) * 0.21 + static_cast<double>(i % 3)) *
                                      std::cos(static_cast<double>(y) * 0.17);
        pixels[i] = static_cast<unsigned char>(std::clamp(weave + static_cast<double>(seed >> 25) - 32, 0.0, 255.0));
    }
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1); };
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            pixels.data() + static_cast<std::size_t>(info.next_scanline) * static_cast<std::size_t>(width) * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return jpeg;
}

std::string GenerateWalkerGltf(const std::string& jpeg) {
    // Joints: a spine of 7 from the hip, two legs of 6 hanging from it. Each
    // ring of the tube follows the joint nearest its height.
    int parent[kJoints];
    float offset[kJoints][3];
    for (int j = 0; j < kJoints; ++j) {
        parent[j] = j == 0 ? -1 : j < 7 ? j - 1 : (j == 7 || j == 13) ? 0 : j - 1;
        const float side = j >= 13 ? -0.1f : j >= 7 ? 0.1f : 0.0f;
        offset[j][0] = (j == 7 || j == 13) ? side : 0.0f;
        offset[j][1] = j == 0 ? 1.0f : j < 7 ? 0.12f : -0.16f;
        offset[j][2] = 0.0f;
    }
    std::vector<float> positions, normals, uvs, weights;
    std::vector<std::uint8_t> joints;
    for (int r = 0; r < kRings; ++r) {
        const double t = static_cast<double>(r) / (kRings - 1);
        const double y = 0.05 + 1.7 * t;
        const int bone = y > 1.0 ? std::min(6, static_cast<int>((y - 1.0) / 0.12))
                                 : 7 + std::min(5, static_cast<int>((1.0 - y) / 0.16));
        for (int s = 0; s < kSegments; ++s) {
            const double a = 2 * kPi * s / kSegments;
            const double radius = 0.12 + 0.04 * std::sin(t * 9);
            positions.insert(positions.end(), {static_cast<float>(radius * std::cos(a)), static_cast<float>(y),
                                               static_cast<float>(radius * std::sin(a))});
            normals.insert(normals.end(), {static_cast<float>(std::cos(a)), 0.0f, static_cast<float>(std::sin(a))});
            uvs.insert(uvs.end(), {static_cast<float>(s) / kSegments, static_cast<float>(t)});
            const int next = bone == 6 || bone == 12 || bone == 18 ? bone : bone + 1;
            joints.insert(joints.end(), {static_cast<std::uint8_t>(bone), static_cast<std::uint8_t>(next), 0, 0});
            const float w = static_cast<float>(0.6 + 0.3 * std::sin(a));
            weights.insert(weights.end(), {w, 1.0f - w, 0.0f, 0.0f});
        }
    }
    std::vector<std::uint16_t> indices;
    for (int r = 0; r + 1 < kRings; ++r)
        for (int s = 0; s < kSegments; ++s) {
            const auto v = [](int ring, int seg) {
                return static_cast<std::uint16_t>(ring * kSegments + seg % kSegments);
            };
            indices.insert(indices.end(),
                           {v(r, s), v(r + 1, s), v(r + 1, s + 1), v(r, s), v(r + 1, s + 1), v(r, s + 1)});
        }
    std::vector<float> inverseBind, times, rotations, translations;
    float height[kJoints];
    for (int j = 0; j < kJoints; ++j) {
        height[j] = offset[j][1] + (parent[j] >= 0 ? height[parent[j]] : 0.0f);
        const float x = (j >= 7 ? offset[j >= 13 ? 13 : 7][0] : 0.0f);
        inverseBind.insert(inverseBind.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -x, -height[j], 0, 1});
    }
    for (int k = 0; k < kKeys; ++k) times.push_back(static_cast<float>(k) / 30.0f);
    for (int j = 0; j < kJoints; ++j)
        for (int k = 0; k < kKeys; ++k) {
            const double swing = 0.3 * std::sin(2 * kPi * k / kKeys + j * 0.4) * (j >= 13 ? -1 : 1);
            rotations.insert(rotations.end(), {static_cast<float>(std::sin(swing / 2)), 0.0f, 0.0f,
                                               static_cast<float>(std::cos(swing / 2))});
            const float bob = j == 0 ? static_cast<float>(0.02 * std::cos(4 * kPi * k / kKeys)) : 0.0f;
            translations.insert(translations.end(), {offset[j][0], offset[j][1] + bob, 0.0f});
        }

    // One buffer: each block a view, each view one accessor.
    std::string bin, views, accessors;
    int count = 0;
    const auto add = [&](const void* data, std::size_t bytes, int elements, int component, const char* type,
                         const std::string& extra) {
        const std::size_t at = bin.size();
        Append(bin, data, bytes);
        views += std::string(count ? "," : "") + "{\"buffer\":0,\"byteOffset\":" + std::to_string(at) +
                 ",\"byteLength\":" + std::to_string(bytes) + "}";
        accessors += std::string(count ? "," : "") + "{\"bufferView\":" + std::to_string(count) +
                     ",\"componentType\":" + std::to_string(component) + ",\"count\":" + std::to_string(elements) +
                     ",\"type\":\"" + type + "\"" + extra + "}";
        return count++;
    };
    const int vertices = kRings * kSegments;
    const int pos = add(positions.data(), positions.size() * 4, vertices, 5126, "VEC3",
                        ",\"min\":[-0.16,0.05,-0.16],\"max\":[0.16,1.75,0.16]");
    const int nrm = add(normals.data(), normals.size() * 4, vertices, 5126, "VEC3", "");
    const int uv = add(uvs.data(), uvs.size() * 4, vertices, 5126, "VEC2", "");
    const int jnt = add(joints.data(), joints.size(), vertices, 5121, "VEC4", "");
    const int wgt = add(weights.data(), weights.size() * 4, vertices, 5126, "VEC4", "");
    const int idx = add(indices.data(), indices.size() * 2, static_cast<int>(indices.size()), 5123, "SCALAR", "");
    const int ibm = add(inverseBind.data(), inverseBind.size() * 4, kJoints, 5126, "MAT4", "");
    const int tim = add(times.data(), times.size() * 4, kKeys, 5126, "SCALAR",
                        ",\"min\":[0],\"max\":[" + std::to_string(times.back()) + "]");
    std::vector<int> rot, move;
    for (int j = 0; j < kJoints; ++j) {
        rot.push_back(
            add(rotations.data() + static_cast<std::size_t>(j) * kKeys * 4, kKeys * 16, kKeys, 5126, "VEC4", ""));
        move.push_back(
            add(translations.data() + static_cast<std::size_t>(j) * kKeys * 3, kKeys * 12, kKeys, 5126, "VEC3", ""));
    }

    std::string nodes = "{\"name\":\"Body\",\"mesh\":0,\"skin\":0}", jointList, samplers, channels;
    for (int j = 0; j < kJoints; ++j) {
        std::string children;
        for (int c = 0; c < kJoints; ++c)
            if (parent[c] == j) children += std::string(children.empty() ? "" : ",") + std::to_string(c + 1);
        nodes += ",{\"name\":\"joint" + std::to_string(j) + "\",\"translation\":[" + std::to_string(offset[j][0]) +
                 "," + std::to_string(offset[j][1]) + ",0]" +
                 (children.empty() ? "" : ",\"children\":[" + children + "]") + "}";
        jointList += std::string(j ? "," : "") + std::to_string(j + 1);
        const auto u = static_cast<std::size_t>(j);
        samplers += std::string(j ? "," : "") + "{\"input\":" + std::to_string(tim) +
                    ",\"output\":" + std::to_string(rot[u]) + "},{\"input\":" + std::to_string(tim) +
                    ",\"output\":" + std::to_string(move[u]) + "}";
        channels += std::string(j ? "," : "") + "{\"sampler\":" + std::to_string(2 * j) +
                    ",\"target\":{\"node\":" + std::to_string(j + 1) +
                    ",\"path\":\"rotation\"}},{\"sampler\":" + std::to_string(2 * j + 1) +
                    ",\"target\":{\"node\":" + std::to_string(j + 1) + ",\"path\":\"translation\"}}";
    }
    std::string doc;
    doc.reserve(bin.size() * 4 / 3 + jpeg.size() * 4 / 3 + 16384);
    doc +=
        "{\"asset\":{\"version\":\"2.0\",\"generator\":\"vorland-bench\"},\"scene\":0,\"scenes\":[{\"nodes\":[0,1]}],"
        "\n\"nodes\":[" +
        nodes + "],\n";
    doc += "\"meshes\":[{\"name\":\"Body\",\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
           ",\"NORMAL\":" + std::to_string(nrm) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
           ",\"JOINTS_0\":" + std::to_string(jnt) + ",\"WEIGHTS_0\":" + std::to_string(wgt) +
           "},\"indices\":" + std::to_string(idx) + ",\"material\":0}]}],\n";
    doc += "\"skins\":[{\"inverseBindMatrices\":" + std::to_string(ibm) + ",\"skeleton\":1,\"joints\":[" + jointList +
           "]}],\n";
    doc += "\"animations\":[{\"name\":\"walk\",\"samplers\":[" + samplers + "],\"channels\":[" + channels + "]}],\n";
    doc +=
        "\"materials\":[{\"name\":\"Skin\",\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0},"
        "\"metallicFactor\":0}}],\n";
    doc += "\"textures\":[{\"sampler\":0,\"source\":0}],\"samplers\":[{\"magFilter\":9729,\"minFilter\":9987}],\n";
    doc += "\"images\":[{\"name\":\"skin\",\"uri\":\"data:image/jpeg;base64," + Base64(jpeg) + "\"}],\n";
    doc += "\"accessors\":[" + accessors + "],\n\"bufferViews\":[" + views + "],\n";
    doc += "\"buffers\":[{\"byteLength\":" + std::to_string(bin.size()) +
           ",\"uri\":\"data:application/octet-stream;base64," + Base64(bin) + "\"}]}\n";
    return doc;
}
