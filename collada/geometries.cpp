// Meshes: sources become float arrays of 2- or 3-float vectors (the
// position source renamed after its <vertices>), polylists or triangles
// become polygon-data blocks with one index list per attribute.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "collada/sections.h"

namespace {

// A declared count the document cannot back (more values than it has
// bytes) is cut to the document size, so a lying count never makes us
// pad or allocate beyond what the file could hold.
std::int64_t HonestCount(int declared, std::size_t sourceBytes) {
    return std::clamp<std::int64_t>(declared, 0, static_cast<std::int64_t>(sourceBytes));
}

CFloatArray* ReadSource(pugi::xml_node src, std::string_view positionId, std::string_view verticesId,
                        CGeometry& geometry, std::size_t sourceBytes, std::vector<float>& numbers) {
    auto array = std::make_unique<CFloatArray>();
    const std::string_view id = Attribute(src, "id");
    const bool isPosition = id == positionId;
    SetName(array->id, isPosition ? verticesId : id);
    const pugi::xml_node floatArray = RequireNode(src, "float_array");
    const int count = AttributeAtoi(floatArray, "count");
    const pugi::xml_node accessor = RequireNode(src, "technique_common/accessor");
    const int stride = AttributeAtoi(accessor, "stride");
    const std::int64_t honest = HonestCount(count, sourceBytes);
    if (isPosition && stride > 0) geometry.vertexCount = static_cast<int>(honest / stride);
    if (stride == 2 || stride == 3) {
        numbers.clear();
        ReadFloats(floatArray, static_cast<std::int64_t>(count) * 128, count, numbers);
        // One vector per start index below count; numbers missing from the
        // text are 0.0.
        const std::int64_t vectors = (honest + stride - 1) / stride;
        numbers.resize(static_cast<std::size_t>(vectors * stride), 0.0f);
        auto values = std::make_unique<CArray>(stride * 4);
        values->Reserve(static_cast<std::size_t>(vectors) + 1);
        for (std::int64_t v = 0; v < vectors; ++v) values->Add(&numbers[static_cast<std::size_t>(v * stride)]);
        array->values = values.release();
    }
    return array.release();
}

CPolygonData* ReadPrimitive(pugi::xml_node prim, std::vector<int>& indices) {
    auto data = std::make_unique<CPolygonData>();
    std::int64_t vertexOffset = -1, normalOffset = -1, texOffset = -1, colorOffset = -1;
    std::int64_t largest = 0;
    if (HasAttribute(prim, "material")) SetName(data->materialId, Attribute(prim, "material"));
    for (pugi::xml_node input : SelectNodes(prim, "input")) {
        const std::string_view semantic = Attribute(input, "semantic");
        const std::string_view source = ReferenceAttribute(input, "source");
        const int offset = AttributeAtoi(input, "offset");
        if (semantic == "VERTEX") {
            SetName(data->vertexId, source);
            vertexOffset = offset;
        } else if (semantic == "NORMAL") {
            SetName(data->normalId, source);
            normalOffset = offset;
        } else if (semantic == "TEXCOORD") {
            CName id;
            SetName(id, source);
            data->texIds.Add(id);
            texOffset = offset;
        } else if (semantic == "COLOR") {
            SetName(data->colorId, source);
            colorOffset = offset;
        }
        largest = std::max<std::int64_t>(largest, offset);
    }
    const std::int64_t group = largest + 1;
    const int count = AttributeInteger(prim, "count");
    const pugi::xml_node p = RequireNode(prim, "p");
    indices.clear();
    ReadInts(p, static_cast<std::int64_t>(count) * 128, -1, indices);

    const std::int64_t n = static_cast<std::int64_t>(indices.size());
    struct Target {
        std::int64_t offset;
        CValueArray<int>* list;
    } targets[] = {{vertexOffset, &data->vertexIndices},
                   {normalOffset, &data->normalIndices},
                   {texOffset, &data->texIndices},
                   {colorOffset, &data->colorIndices}};
    for (const Target& t : targets)
        if (t.offset != -1) t.list->Reserve(static_cast<std::size_t>(n / group + 2));
    for (std::int64_t k = 0; k <= n - 1; k += group) {
        for (const Target& t : targets) {
            if (t.offset == -1) continue;
            // A last group cut short (or a negative offset) has nothing here.
            const std::int64_t at = k + t.offset;
            if (at >= 0 && at < n) t.list->Add(indices[static_cast<std::size_t>(at)]);
        }
    }
    return data.release();
}

}  // namespace

void LoadColladaGeometries(CModel& model, const ColladaSource& source) {
    std::vector<float> numbers;
    std::vector<int> indices;
    for (pugi::xml_node element : SelectNodes(source.document, "COLLADA/library_geometries/geometry")) {
        auto geometry = std::make_unique<CGeometry>();
        SetName(geometry->id, Attribute(element, "id"));
        const pugi::xml_node mesh = RequireNode(element, "mesh");
        const XmlNodeList sources = SelectNodes(mesh, "source");
        const pugi::xml_node vertices = RequireNode(mesh, "vertices");
        const pugi::xml_node input = RequireNode(vertices, "input");
        const std::string_view verticesId = Attribute(vertices, "id");
        const std::string_view positionId = ReferenceAttribute(input, "source");
        for (pugi::xml_node src : sources)
            geometry->floatArrays.Add(ReadSource(src, positionId, verticesId, *geometry, source.bytes, numbers));

        XmlNodeList primitives = SelectNodes(mesh, "polylist");
        if (primitives.Length() == 0) primitives = SelectNodes(mesh, "triangles");
        for (pugi::xml_node prim : primitives) geometry->polygonData.Add(ReadPrimitive(prim, indices));
        model.geometries.Add(geometry.release());
    }
}
