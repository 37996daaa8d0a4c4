// Meshes: sources become float arrays of 2- or 3-float vectors (the
// position source renamed after its <vertices>), every polygon primitive
// becomes a polygon-data block of triangles with one index list per
// attribute.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "collada/number_list.h"
#include "collada/sections.h"
#include "model/model_up_axis.h"

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
    std::int64_t seen = 0;  // numbers taken

    void operator()(float v) { Bulk(&v, 1); }
    void Bulk(const float* v, std::size_t n) {
        seen += static_cast<std::int64_t>(n);
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

std::unique_ptr<CFloatArray> ReadSource(pugi::xml_node src, std::string_view positionId, std::string_view verticesId,
                                        CGeometry& geometry, std::size_t sourceBytes) {
    auto array = std::make_unique<CFloatArray>();
    const std::string_view id = Attribute(src, "id");
    const bool isPosition = id == positionId;
    SetName(array->id, isPosition ? verticesId : id);
    const pugi::xml_node floatArray = RequireNode(src, "float_array");
    const int count = AttributeAtoi(floatArray, "count");
    const pugi::xml_node accessor = RequireNode(src, "technique_common/accessor");
    // An absent stride is 1; a zero or negative one steps nowhere.
    const int stride = HasAttribute(accessor, "stride") ? AttributeAtoi(accessor, "stride") : 1;
    const std::string named = "source \"" + std::string(id) + "\"";
    if (count < 0) throw ColladaError("the float_array of " + named + " has a negative count", floatArray);
    if (stride <= 0) throw ColladaError("the accessor of " + named + " has a stride below 1", accessor);
    const std::int64_t honest = HonestCount(count, sourceBytes);
    if (isPosition) geometry.vertexCount = static_cast<int>(honest / stride);
    if (stride == 2 || stride == 3) {
        // One vector per start index below count.
        const std::int64_t vectors = (honest + stride - 1) / stride;
        auto values = std::make_unique<CArray>(stride * 4);
        values->Reserve(static_cast<std::size_t>(vectors) + 1);
        VectorSink sink{*values, stride};
        numlist::ForEachNumber<float>(floatArray, static_cast<std::int64_t>(count) * 128, count, sink);
        // Numbers the text does not hold are never made up.
        if (sink.seen < count)
            throw ColladaError("the float_array of " + named + " holds " + std::to_string(sink.seen) +
                                   " numbers, its count says " + std::to_string(count),
                               floatArray);
        sink.Finish();
        array->values = std::move(values);
    }
    return array;
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

// Where each attribute sits in a group of indices of <p>; -1: absent.
struct PrimitiveInputs {
    std::int64_t offsets[4] = {-1, -1, -1, -1};  // vertex, normal, texture coordinate, colour
    std::int64_t group = 1;
};

PrimitiveInputs ReadInputs(pugi::xml_node prim, CPolygonData& data) {
    PrimitiveInputs in;
    std::int64_t largest = 0;
    if (HasAttribute(prim, "material")) SetName(data.materialId, Attribute(prim, "material"));
    for (pugi::xml_node input : SelectNodes(prim, "input")) {
        const std::string_view semantic = Attribute(input, "semantic");
        const std::string_view source = ReferenceAttribute(input, "source");
        const int offset = AttributeAtoi(input, "offset");
        if (semantic == "VERTEX") {
            SetName(data.vertexId, source);
            in.offsets[0] = offset;
        } else if (semantic == "NORMAL") {
            SetName(data.normalId, source);
            in.offsets[1] = offset;
        } else if (semantic == "TEXCOORD") {
            CName id;
            SetName(id, source);
            data.texIds.Add(id);
            in.offsets[2] = offset;
        } else if (semantic == "COLOR") {
            SetName(data.colorId, source);
            in.offsets[3] = offset;
        }
        largest = std::max<std::int64_t>(largest, offset);
    }
    in.group = largest + 1;
    return in;
}

std::unique_ptr<CPolygonData> ReadPrimitive(pugi::xml_node prim, std::size_t sourceBytes) {
    auto data = std::make_unique<CPolygonData>();
    const PrimitiveInputs in = ReadInputs(prim, *data);
    const std::int64_t vertexOffset = in.offsets[0], normalOffset = in.offsets[1], texOffset = in.offsets[2],
                       colorOffset = in.offsets[3];
    const std::int64_t group = in.group;
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
    return data;
}

// ------------------------------------------------ polygons into triangles

// The indices of one <p> and the triangles cut from it, as numbers of
// groups (corners) of that list.
struct CornerList {
    std::vector<int> indices;
    std::vector<std::int64_t> corners;

    std::int64_t Groups(std::int64_t group) const { return static_cast<std::int64_t>(indices.size()) / group; }
    // A polygon of n corners from corner `first` on, as a fan around its
    // first corner.
    void Fan(std::int64_t first, std::int64_t n) {
        for (std::int64_t i = 1; i + 1 < n; ++i) corners.insert(corners.end(), {first, first + i, first + i + 1});
    }
    // A strip: every next corner makes a triangle with the two before it;
    // every second one is turned round so all keep the strip's winding.
    void Strip(std::int64_t n) {
        for (std::int64_t i = 0; i + 2 < n; ++i) {
            if (i % 2 == 0) corners.insert(corners.end(), {i, i + 1, i + 2});
            else corners.insert(corners.end(), {i + 1, i, i + 2});
        }
    }
};

void ReadIndices(pugi::xml_node p, CornerList& list) {
    list.indices.clear();
    list.corners.clear();
    ReadInts(p, std::numeric_limits<std::int64_t>::max(), -1, list.indices);
}

// Appends the triangles' corners to every attribute's index list.
void AppendCorners(const CornerList& list, const PrimitiveInputs& in, CPolygonData& data) {
    CValueArray<int>* lists[] = {&data.vertexIndices, &data.normalIndices, &data.texIndices, &data.colorIndices};
    for (int a = 0; a < 4; ++a) {
        if (in.offsets[a] < 0) continue;
        lists[a]->Reserve(static_cast<std::size_t>(lists[a]->Count()) + list.corners.size());
        for (const std::int64_t corner : list.corners)
            lists[a]->Add(list.indices[static_cast<std::size_t>(corner * in.group + in.offsets[a])]);
    }
}

enum class PolygonKind { Polylist, Polygons, Tristrips, Trifans };

// A polylist (corners per polygon in <vcount>), polygons (one <p> per
// polygon; of a <ph> only the outer <p>, its holes are left out),
// tristrips and trifans (one <p> per strip or fan), cut into triangles.
std::unique_ptr<CPolygonData> ReadPolygons(pugi::xml_node prim, PolygonKind kind) {
    auto data = std::make_unique<CPolygonData>();
    const PrimitiveInputs in = ReadInputs(prim, *data);
    CornerList list;
    if (kind == PolygonKind::Polylist) {
        ReadIndices(RequireNode(prim, "p"), list);
        std::vector<int> vcount;
        ReadInts(SelectSingleNode(prim, "vcount"), std::numeric_limits<std::int64_t>::max(), -1, vcount);
        const std::int64_t groups = list.Groups(in.group);
        std::int64_t first = 0;
        for (const int n : vcount) {
            if (n < 0 || n > groups - first)
                throw ColladaError("<vcount> asks for " + std::to_string(n) + " corners where <p> holds " +
                                       std::to_string(std::max<std::int64_t>(groups - first, 0)) + " more",
                                   prim);
            list.Fan(first, n);
            first += n;
        }
        AppendCorners(list, in, *data);
        return data;
    }
    for (pugi::xml_node child = prim.first_child(); child; child = child.next_sibling()) {
        const std::string_view name = child.name();
        pugi::xml_node p = child;
        if (name == "ph") p = SelectSingleNode(child, "p");
        else if (name != "p") continue;
        ReadIndices(p, list);
        const std::int64_t n = list.Groups(in.group);
        if (kind == PolygonKind::Tristrips) list.Strip(n);
        else list.Fan(0, n);
        AppendCorners(list, in, *data);
    }
    return data;
}

// A polylist whose polygons are all triangles reads as triangles.
bool AllTriangles(pugi::xml_node polylist) {
    const pugi::xml_node vcount = SelectSingleNode(polylist, "vcount");
    if (!vcount) return true;
    bool all = true;
    numlist::ForEachNumber<int>(vcount, std::numeric_limits<std::int64_t>::max(), -1,
                                [&all](int n) { all = all && n == 3; });
    return all;
}

// Every index of the block names an element of its source: a negative one
// or one past the source's end would be drawn from data the file never had.
void CheckIndices(const CGeometry& geometry, const CPolygonData& data, pugi::xml_node prim) {
    const auto elements = [&](const CName& id) -> std::int64_t {
        const CFloatArray* array = id.Empty() ? nullptr : geometry.FindFloatArray(id);
        return array && array->values ? array->values->Count() : -1;  // -1: no bound known
    };
    std::int64_t texBound = -1;
    for (const CName& id : data.texIds) {
        const std::int64_t n = elements(id);
        if (n >= 0) texBound = texBound < 0 ? n : std::min(texBound, n);
    }
    const struct {
        const CValueArray<int>& list;
        std::int64_t bound;
        const char* what;
    } lists[] = {{data.vertexIndices, elements(data.vertexId), "vertex"},
                 {data.normalIndices, elements(data.normalId), "normal"},
                 {data.texIndices, texBound, "texture coordinate"},
                 {data.colorIndices, elements(data.colorId), "colour"}};
    for (const auto& l : lists) {
        for (const int index : l.list) {
            if (index >= 0 && (l.bound < 0 || index < l.bound)) continue;
            throw ColladaError("<" + std::string(prim.name()) + "> has " + l.what + " index " + std::to_string(index) +
                                   (index < 0 ? "" : ", its source has " + std::to_string(l.bound)),
                               prim);
        }
    }
}

void Note(const ColladaSource& source, std::string text) {
    if (!source.notes) return;
    if (std::find(source.notes->begin(), source.notes->end(), text) == source.notes->end())
        source.notes->push_back(std::move(text));
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

        // Every kind of polygon primitive, in document order, as triangles.
        int checked = 0;
        for (pugi::xml_node prim = mesh.first_child(); prim; prim = prim.next_sibling()) {
            const std::string_view kind = prim.type() == pugi::node_element ? prim.name() : "";
            if (kind == "triangles" || (kind == "polylist" && AllTriangles(prim)))
                geometry->polygonData.Add(ReadPrimitive(prim, source.bytes));
            else if (kind == "polylist") geometry->polygonData.Add(ReadPolygons(prim, PolygonKind::Polylist));
            else if (kind == "polygons") geometry->polygonData.Add(ReadPolygons(prim, PolygonKind::Polygons));
            else if (kind == "tristrips") geometry->polygonData.Add(ReadPolygons(prim, PolygonKind::Tristrips));
            else if (kind == "trifans") geometry->polygonData.Add(ReadPolygons(prim, PolygonKind::Trifans));
            else if (kind == "lines" || kind == "linestrips")
                Note(source, "<" + std::string(kind) + "> skipped: only surfaces are imported");
            if (geometry->polygonData.Count() > checked)
                CheckIndices(*geometry, *geometry->polygonData[checked++], prim);
        }
        if (AssetFrame own, document; OwnFrame(element, own, document))
            GeometryToDocumentFrame(*geometry, own.up, own.metres, document.up, document.metres);
        model.geometries.Add(std::move(geometry));
    }
}
