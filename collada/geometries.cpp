// Meshes: sources become float arrays of 2- or 3-float vectors (the
// position source renamed after its <vertices>), polylists or triangles
// become polygon-data blocks with one index list per attribute.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "collada/number_list.h"
#include "collada/sections.h"

namespace {

// A declared count the document cannot back (more values than it has
// bytes) is cut to the document size, so a lying count never makes us
// pad or allocate beyond what the file could hold.
std::int64_t HonestCount(int declared, std::size_t sourceBytes) {
    return std::clamp<std::int64_t>(declared, 0, static_cast<std::int64_t>(sourceBytes));
}

// Gathers a stream of floats into vectors of `stride` (2 or 3) floats.
struct VectorSink {
    CArray& values;
    int stride;
    float pending[3] = {};
    int pendingCount = 0;

    void operator()(float v) { Bulk(&v, 1); }
    void Bulk(const float* v, std::size_t n) {
        const std::size_t size = static_cast<std::size_t>(stride);
        for (; pendingCount != 0 && n != 0; --n) {
            pending[pendingCount++] = *v++;
            if (pendingCount == stride) {
                values.AddRange(pending, 1);
                pendingCount = 0;
            }
        }
        constexpr std::size_t kMostPerAdd = std::size_t{1} << 24;  // vectors; AddRange counts in int
        for (std::size_t whole = n / size; whole != 0;) {
            const std::size_t now = std::min(whole, kMostPerAdd);
            values.AddRange(v, static_cast<int>(now));
            v += now * size;
            n -= now * size;
            whole -= now;
        }
        while (n-- != 0) pending[pendingCount++] = *v++;
    }
    // A last vector cut short is filled up with 0.0.
    void Finish() {
        if (pendingCount == 0) return;
        while (pendingCount < stride) pending[pendingCount++] = 0.0f;
        values.AddRange(pending, 1);
        pendingCount = 0;
    }
};

CFloatArray* ReadSource(pugi::xml_node src, std::string_view positionId, std::string_view verticesId,
                        CGeometry& geometry, std::size_t sourceBytes) {
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
        // One vector per start index below count; numbers missing from the
        // text are 0.0.
        const std::int64_t vectors = (honest + stride - 1) / stride;
        auto values = std::make_unique<CArray>(stride * 4);
        values->Reserve(static_cast<std::size_t>(vectors) + 1);
        VectorSink sink{*values, stride};
        numlist::ForEachNumber<float>(floatArray, static_cast<std::int64_t>(count) * 128, count, sink);
        sink.Finish();
        constexpr int kZeroVectors = 512;
        const float zeros[3 * kZeroVectors] = {};
        for (std::int64_t left = vectors - values->Count(); left > 0; left -= kZeroVectors)
            values->AddRange(zeros, static_cast<int>(std::min<std::int64_t>(left, kZeroVectors)));
        array->values = values.release();
    }
    return array.release();
}

// One attribute's index list and the indices gathered for it.
struct IndexTarget {
    std::int64_t offset;  // place in each group of indices; negative: none
    CValueArray<int>* list;
    int filled;
    int chunk[1024];
};

// Deals a stream of indices out to the attributes: each takes every
// group-th index from its own place on.
struct IndexSink {
    IndexTarget* targets;  // four of them
    std::int64_t group;
    std::int64_t inGroup = 0;  // place in the group of the next index

    void operator()(int index) { Bulk(&index, 1); }
    void Bulk(const int* v, std::size_t n) {
        const auto step = static_cast<std::uint64_t>(group);
        for (int i = 0; i < 4; ++i) {
            IndexTarget& t = targets[i];
            if (t.offset < 0) continue;
            std::int64_t first = t.offset - inGroup;
            if (first < 0) first += group;
            int filled = t.filled;
            for (std::uint64_t k = static_cast<std::uint64_t>(first); k < n; k += step) {
                t.chunk[filled++] = v[k];
                if (filled == 1024) {
                    t.list->AddRange(t.chunk, filled);
                    filled = 0;
                }
            }
            t.filled = filled;
        }
        inGroup = static_cast<std::int64_t>((static_cast<std::uint64_t>(inGroup) + n) % step);
    }
};

CPolygonData* ReadPrimitive(pugi::xml_node prim, std::size_t sourceBytes) {
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

    // Index i of <p> goes to every attribute whose offset is i modulo the
    // group size; a last group cut short simply has fewer indices.
    IndexTarget targets[] = {{vertexOffset, &data->vertexIndices, 0, {}},
                             {normalOffset, &data->normalIndices, 0, {}},
                             {texOffset, &data->texIndices, 0, {}},
                             {colorOffset, &data->colorIndices, 0, {}}};
    // Triangles have three corners each; an index takes at least two bytes
    // of the file, so a lying count cannot reserve more than the file holds.
    const std::int64_t corners =
        std::min<std::int64_t>(std::max(count, 0) * 3LL, static_cast<std::int64_t>(sourceBytes / 2) / group);
    for (IndexTarget& t : targets)
        if (t.offset >= 0) t.list->Reserve(static_cast<std::size_t>(corners) + 1);
    IndexSink sink{targets, group};
    numlist::ForEachNumber<int>(p, static_cast<std::int64_t>(count) * 128, -1, sink);
    for (IndexTarget& t : targets) t.list->AddRange(t.chunk, t.filled);
    return data.release();
}

}  // namespace

void LoadColladaGeometries(CModel& model, const ColladaSource& source) {
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
            geometry->floatArrays.Add(ReadSource(src, positionId, verticesId, *geometry, source.bytes));

        XmlNodeList primitives = SelectNodes(mesh, "polylist");
        if (primitives.Length() == 0) primitives = SelectNodes(mesh, "triangles");
        for (pugi::xml_node prim : primitives) geometry->polygonData.Add(ReadPrimitive(prim, source.bytes));
        model.geometries.Add(geometry.release());
    }
}
