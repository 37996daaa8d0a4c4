// Materials: the base colour factor becomes the diffuse colour, the
// base-colour texture's image a texture of the model. An image stored
// inside the file stays in memory with the texture; an external one is
// named by its path, as COLLADA images are.
#include <memory>
#include <string>
#include <vector>

#include "gltf/sections.h"

namespace {

// "%20" and the like decoded; anything malformed is kept as written.
std::string DecodeUri(const std::string& uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        const auto hex = [](char c) {
            return c >= '0' && c <= '9'   ? c - '0'
                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                          : -1;
        };
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            out += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

}  // namespace

void LoadGltfMaterials(GltfImport& in) {
    const tinygltf::Model& doc = in.doc;
    std::set<std::string> materialNames, textureIds;
    std::vector<std::string> imageTexture(doc.images.size());  // texture ID per image, once made
    for (std::size_t i = 0; i < doc.materials.size(); ++i) {
        const tinygltf::Material& source = doc.materials[i];
        auto material = std::make_unique<CMaterial>();
        const std::string name =
            UniqueName(materialNames, source.name.empty() ? "material" + std::to_string(i) : source.name);
        SetUtf8Name(material->name, name);
        in.materialNames.push_back(name);
        const std::vector<double>& factor = source.pbrMetallicRoughness.baseColorFactor;
        for (std::size_t c = 0; c < 4; ++c)
            material->diffuse[c] = c < factor.size() ? static_cast<float>(factor[c]) : 1.0f;

        const int t = source.pbrMetallicRoughness.baseColorTexture.index;
        if (t >= 0 && static_cast<std::size_t>(t) < doc.textures.size()) {
            const int image = doc.textures[static_cast<std::size_t>(t)].source;
            if (image >= 0 && static_cast<std::size_t>(image) < doc.images.size()) {
                const std::size_t u = static_cast<std::size_t>(image);
                if (imageTexture[u].empty()) {
                    const tinygltf::Image& img = doc.images[u];
                    auto texture = std::make_unique<CTexture>();
                    imageTexture[u] =
                        UniqueName(textureIds, img.name.empty() ? "image" + std::to_string(image) : img.name);
                    SetUtf8Name(texture->id, imageTexture[u]);
                    if (!img.uri.empty()) {
                        const std::string file = DecodeUri(img.uri);
                        if (StaysInFolder(file)) SetUtf8Name(texture->fileName, file);
                        else
                            in.Note("the image URI \"" + img.uri +
                                    "\" leads outside the model's folder: its texture was left out");
                    } else texture->embeddedImage.assign(img.image.begin(), img.image.end());
                    in.model.textures.Add(std::move(texture));
                }
                SetUtf8Name(material->textureName, imageTexture[u]);
            } else {
                in.Note("a texture without an image was left out");
            }
        }
        in.model.materials.Add(std::move(material));
    }
}
