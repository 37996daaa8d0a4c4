// Images become textures; materials follow instance_effect -> effect ->
// diffuse texture -> sampler -> surface -> image id, and take the diffuse
// colour of the phong or lambert technique.
#include <memory>
#include <string>
#include <vector>

#include "collada/sections.h"

void LoadColladaImages(CModel& model, const ColladaSource& source) {
    for (pugi::xml_node node : SelectNodes(source.document, "COLLADA/library_images/image")) {
        const pugi::xml_node image = ElementView(node);
        auto texture = std::make_unique<CTexture>();
        SetName(texture->id, Attribute(image, "id"));
        SetName(texture->fileName, Text(RequireNode(image, "init_from")));
        model.textures.Add(std::move(texture));
    }
}

namespace {

pugi::xml_node FirstOf(pugi::xml_node effect, std::string_view phong, std::string_view lambert) {
    pugi::xml_node n = SelectSingleNode(effect, phong);
    return n ? n : SelectSingleNode(effect, lambert);
}

void ReadEffect(pugi::xml_node effect, CMaterial& material) {
    const pugi::xml_node texture = FirstOf(effect, "profile_COMMON/technique/phong/diffuse/texture",
                                           "profile_COMMON/technique/lambert/diffuse/texture");
    if (texture) {
        const pugi::xml_node sampler =
            SelectSingleNode(effect, "profile_COMMON/newparam[@sid=$]/sampler2D/source", Attribute(texture, "texture"));
        if (sampler) {
            const pugi::xml_node image =
                SelectSingleNode(effect, "profile_COMMON/newparam[@sid=$]/surface/init_from", Text(sampler));
            if (image) SetName(material.textureName, Text(image));
        }
    }
    const pugi::xml_node color = FirstOf(effect, "profile_COMMON/technique/phong/diffuse/color",
                                         "profile_COMMON/technique/lambert/diffuse/color");
    if (color) {
        std::vector<float> rgba;
        ReadFloats(color, 1024, 4, rgba);
        for (std::size_t i = 0; i < rgba.size(); ++i) material.diffuse[i] = rgba[i];
    }
}

}  // namespace

void LoadColladaMaterials(CModel& model, const ColladaSource& source) {
    for (pugi::xml_node node : SelectNodes(source.document, "COLLADA/library_materials/material")) {
        const pugi::xml_node element = ElementView(node);
        auto material = std::make_unique<CMaterial>();
        SetName(material->name, Attribute(element, "id"));
        const pugi::xml_node instance = RequireNode(element, "instance_effect");
        const std::string_view effectId = ReferenceAttribute(instance, "url");
        for (pugi::xml_node effect : SelectNodes(source.document, "COLLADA/library_effects/effect[@id=$]", effectId))
            ReadEffect(effect, *material);
        model.materials.Add(std::move(material));
    }
}
