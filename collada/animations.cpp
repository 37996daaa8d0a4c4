// Baked matrix animations: one channel per animation element, key times
// from the sampler's INPUT source, one 4x4 matrix per 16 OUTPUT values.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "collada/sections.h"
#include "model/animation.h"
#include "model/name_index.h"

namespace {

struct SourceTables {
    std::vector<std::string_view> ids;
    std::vector<std::vector<float>> values;

    const std::vector<float>* Find(std::string_view id) const {
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (ids[i] == id) return &values[i];
        return nullptr;
    }
};

const std::vector<float>* SamplerSource(pugi::xml_node animation, std::string_view path, std::string_view samplerId,
                                        const SourceTables& tables) {
    const pugi::xml_node input = SelectSingleNode(animation, path, samplerId);
    return input ? tables.Find(ReferenceAttribute(input, "source")) : nullptr;
}

void ReadAnimation(const CNameIndex<CBone>& bonesById, pugi::xml_node animation, SourceTables& tables,
                   CAnimation& out) {
    tables.ids.clear();
    tables.values.clear();
    for (pugi::xml_node src : SelectNodes(animation, "source")) {
        tables.ids.push_back(Attribute(src, "id"));
        std::vector<float>& values = tables.values.emplace_back();
        if (const pugi::xml_node floatArray = SelectSingleNode(src, "float_array")) {
            const int count = AttributeAtoi(floatArray, "count");
            ReadFloats(floatArray, static_cast<std::int64_t>(count) * 128, count, values);
        }
    }
    const pugi::xml_node channel = SelectSingleNode(animation, "channel");
    if (!channel) return;
    const std::string_view target = Attribute(channel, "target");
    const std::string_view samplerId = ReferenceAttribute(channel, "source");

    const std::vector<float>* keys =
        SamplerSource(animation, "sampler[@id=$]/input[@semantic='INPUT']", samplerId, tables);
    const std::vector<float>* matrices =
        SamplerSource(animation, "sampler[@id=$]/input[@semantic='OUTPUT']", samplerId, tables);
    if (!keys || !matrices) return;

    auto ch = std::make_unique<CAnimationChannel>();
    ch->keyTimes.Reserve(keys->size() + 1);
    for (float t : *keys) ch->keyTimes.Add(t);
    ch->poseMatrices.Reserve(matrices->size() / 16 + 1);
    for (std::size_t at = 0; at + 16 <= matrices->size(); at += 16) {
        CMatrixValue m;
        std::copy_n(matrices->data() + at, 16, m.m);
        ch->poseMatrices.Add(m);
    }
    // "node/transform" targets the node.
    SetName(ch->targetId, target.substr(0, target.find('/')));
    ch->bone = bonesById.Find(ch->targetId);
    out.channels.Add(std::move(ch));
}

}  // namespace

void LoadColladaAnimations(CModel& model, const ColladaSource& source) {
    XmlNodeList elements = SelectNodes(source.document, "COLLADA/library_animations/animation/animation");
    if (elements.Length() == 0) elements = SelectNodes(source.document, "COLLADA/library_animations/animation");
    auto animation = std::make_unique<CAnimation>();
    animation->id.SetAscii("ColladaAnim_001");
    SourceTables tables;
    const CNameIndex<CBone> bonesById(model.bones, &CBone::id);
    for (pugi::xml_node node : elements) {
        const pugi::xml_node element = ElementView(node);
        if (element) ReadAnimation(bonesById, element, tables, *animation);
    }
    model.animations.Add(std::move(animation));
}
