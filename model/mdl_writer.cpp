// The .mdl model text file: the writer.
//
// Files are written with CR LF line ends, as Windows text-mode streams write
// them, so files move unchanged between both.
#include "model/mdl_file.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace {

constexpr const char* kMaterialSection = "/////////////////////////// material //////////////////////////\r\n\r\n";
constexpr const char* kTextureSection = "/////////////////////////// texture //////////////////////////\r\n\r\n";
constexpr const char* kGeometrySection = "/////////////////////////// geometry //////////////////////////\r\n\r\n";
constexpr const char* kWeightsSection = "/////////////////////////// weights //////////////////////////\r\n\r\n";
constexpr const char* kBoneSection = "/////////////////////////// bone //////////////////////////\r\n\r\n";

void AppendFloats(std::string& out, const float* v, int n) {
    for (int i = 0; i < n; ++i) {
        if (i > 0) out += ' ';
        AppendFixed6(out, v[i]);
    }
    out += "\r\n";
}

void AppendName(std::string& out, const CName& name) { out += name.ToCp932(); }

void WriteMaterial(std::string& o, const CMaterial& m) {
    o += "<MATERIAL_BEGIN>\r\n<MATERIAL_NAME>";
    AppendName(o, m.name);
    o += "\r\n<TEXTURE_NAME>";
    AppendName(o, m.textureName);
    // The file's colour order differs from the record's field order.
    o += "\r\n<DIFFUSE>\r\n";
    AppendFloats(o, m.diffuse, 4);
    o += "<AMBIENT>\r\n";
    AppendFloats(o, m.ambient, 4);
    o += "<SPECULAR>\r\n";
    AppendFloats(o, m.specular, 4);
    o += "<EMMITION>\r\n";
    AppendFloats(o, m.emission, 4);
    o += "<MATERIAL_END>\r\n\r\n";
}

void WriteFloatArray(std::string& o, const CFloatArray& a) {
    o += "<FLOAT_ARRAY_BEGIN>\r\n<FLOAT_ARRAY_ID>";
    AppendName(o, a.id);
    o += "\r\n";
    if (!a.values) {
        // No values attached: no float count to give. Leaving out the
        // <FLOAT_ARRAY> line reads back as a float array without values.
        o += "<FLOAT_ARRAY_FLOAT_COUNT>0\r\n<FLOAT_ARRAY_COUNT>0\r\n";
    } else {
        const int floatCount = a.values->ElementSize() / 4;
        const int count = a.values->Count();
        o += "<FLOAT_ARRAY_FLOAT_COUNT>";
        AppendInt(o, floatCount);
        o += "\r\n<FLOAT_ARRAY_COUNT>";
        AppendInt(o, count);
        o += "\r\n<FLOAT_ARRAY>\r\n";
        if (floatCount >= 2 && floatCount <= 4) {
            const auto* v = static_cast<const float*>(a.values->Data());
            const std::size_t n = static_cast<std::size_t>(count) * floatCount;
            for (std::size_t i = 0; i < n; ++i) {
                AppendFixed6(o, v[i]);
                o += ' ';
            }
        }
    }
    o += "\r\n<FLOAT_ARRAY_END>\r\n\r\n";
}

void WriteIndexList(std::string& o, const char* tag, const CValueArray<int>& list) {
    o += tag;
    AppendInt(o, list.Count());
    o += "\r\n";
    for (int v : list) {
        AppendInt(o, v);
        o += ' ';
    }
    o += "\r\n";
}

void WritePolygonData(std::string& o, const CPolygonData& p) {
    o += "<POLYGON_DATA_BEGIN>\r\n<MATERIAL_ID>";
    AppendName(o, p.materialId);
    o += "\r\n<VERTEX_ID>";
    AppendName(o, p.vertexId);
    o += "\r\n<NORMAL_ID>";
    AppendName(o, p.normalId);
    o += "\r\n<COLOR_ID>";
    AppendName(o, p.colorId);
    o += "\r\n";
    WriteIndexList(o, "<VERTEX_INDEX_COUNT>", p.vertexIndices);
    WriteIndexList(o, "<NORMAL_INDEX_COUNT>", p.normalIndices);
    WriteIndexList(o, "<COLOR_INDEX_COUNT>", p.colorIndices);
    WriteIndexList(o, "<TEX_INDEX_COUNT>", p.texIndices);
    o += "<TEX_ID_COUNT>";
    AppendInt(o, p.texIds.Count());
    o += "\r\n";
    for (const CName& id : p.texIds) {
        AppendName(o, id);
        o += ' ';
    }
    o += "\r\n<POLYGON_DATA_END>\r\n\r\n";
}

void WriteWeights(std::string& o, const CGeometry& g) {
    o += kWeightsSection;
    o += "<WEIGHTS_BEGIN>\r\n<WEIGHTS_SIZE>";
    AppendInt(o, g.weightCount);
    o += "\r\n<APPLY_BONE_NUM>";
    AppendInt(o, MaxBoneInfluences);
    o += "\r\n";
    static const CBoneWeight kEmpty[MaxBoneInfluences] = {};
    for (int row = 0; row < g.weightCount; ++row) {
        const CBoneWeight* entries = g.weights ? g.weights->Row(row) : nullptr;
        if (!entries) entries = kEmpty;  // a row the table lacks is an empty row
        for (int k = 0; k < MaxBoneInfluences; ++k) {
            AppendFixed6(o, entries[k].boneIndex);
            o += ' ';
            AppendFixed6(o, entries[k].weight);
            o += ' ';
        }
    }
    o += "\r\n<WEIGHTS_END>\r\n";
}

void WriteGeometry(std::string& o, const CGeometry& g) {
    o += "<GEOMETRY_BEGIN>\r\n<GEOMETRY_ID>";
    AppendName(o, g.id);
    o += "\r\n<VERTEX_COUNT>";
    AppendInt(o, g.vertexCount);
    o += "\r\n<BIND_SHAPE_MATRIX>\r\n";
    AppendFloats(o, g.bindShapeMatrix, 16);
    o += "<FLOAT_ARRAY_SIZE>";
    AppendInt(o, g.floatArrays.Count());
    o += "\r\n";
    for (const CFloatArray* a : g.floatArrays) WriteFloatArray(o, *a);
    o += "\r\n";
    for (const CPolygonData* p : g.polygonData) WritePolygonData(o, *p);
    o += "\r\n";
    WriteWeights(o, g);
    o += "\r\n<GEOMETRY_END>\r\n\r\n";
}

// One bone's lines up to and including <CHILD_COUNT>. A child at depth d is
// indented by d + 1 tabs; a root has no indent.
//
// The indent stops growing at kMaxIndent tabs: indented lines must stay well
// inside the 1023 characters a reader takes per line, and a deep chain of
// bones would otherwise make the file grow with the square of its depth.
constexpr std::size_t kMaxIndent = 127;
void WriteBoneHead(std::string& o, const CBone& b, const std::string& indent, int childCount) {
    o += indent + "<BONE_BEGIN>\r\n";
    o += indent + "<BONE_NAME>";
    AppendName(o, b.name);
    o += "\r\n";
    o += indent + "<BONE_ID>";
    AppendName(o, b.id);
    o += "\r\n";
    o += indent + "<BONE_TYPE>";
    AppendInt(o, static_cast<int>(b.boneType));
    o += "\r\n";
    o += indent + "<INV_BIND_MATRIX>\r\n" + indent;
    AppendFloats(o, b.invBindMatrix, 16);
    o += indent + "<JOINT_MATRIX>\r\n" + indent;
    AppendFloats(o, b.jointMatrix, 16);
    o += indent + "<CHILD_COUNT>";
    AppendInt(o, childCount);
    o += "\r\n";
}

// Iterative, so deep skeletons cannot exhaust the stack. A child that is
// already on the path from the root (a cycle some importer let through) is
// left out, so writing always ends.
void WriteBoneTree(std::string& o, CBone* root) {
    struct Frame {
        std::vector<CBone*> children;
        std::size_t next = 0;
        std::string indent;
        CBone* bone;
    };
    std::vector<Frame> stack;
    std::unordered_set<CBone*> onPath;
    auto enter = [&](CBone* bone, std::size_t depth) {
        Frame f;
        f.bone = bone;
        f.indent = depth == 0 ? std::string() : std::string(std::min(depth + 1, kMaxIndent), '\t');
        onPath.insert(bone);
        for (CBone* c : bone->children)
            if (c && !onPath.count(c)) f.children.push_back(c);
        WriteBoneHead(o, *bone, f.indent, static_cast<int>(f.children.size()));
        stack.push_back(std::move(f));
    };
    enter(root, 0);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next < f.children.size()) {
            CBone* child = f.children[f.next++];
            enter(child, stack.size());
            continue;
        }
        o += f.indent + "<BONE_END>\r\n";
        onPath.erase(f.bone);
        stack.pop_back();
    }
}

// Number of UTF-16 units of a UTF-8 path.
std::size_t PathUnits(const std::string& path) { return Utf8ToUtf16(path).size(); }

}  // namespace

std::string SerializeModel(const CModel& model) { return SerializeModel(model, {}); }

std::string SerializeModel(const CModel& model, const std::vector<CName>& textureFiles) {
    std::string o;
    o += "[MODEL_ID]\r\n";
    AppendName(o, model.name);
    o += "\r\n\r\n";
    o += kMaterialSection;
    for (const CMaterial* m : model.materials) WriteMaterial(o, *m);
    o += kTextureSection;
    for (int i = 0; i < model.textures.Count(); ++i) {
        const CTexture* t = model.textures[i];
        const bool renamed =
            static_cast<std::size_t>(i) < textureFiles.size() && !textureFiles[static_cast<std::size_t>(i)].Empty();
        o += "<TEXTURE_BEGIN>\r\n<TEXTURE_ID>";
        AppendName(o, t->id);
        o += "\r\n<TEXTURE_NAME>";
        AppendName(o, renamed ? textureFiles[static_cast<std::size_t>(i)] : t->fileName);
        o += "\r\n<TEXTURE_END>\r\n\r\n";
    }
    o += kGeometrySection;
    for (const CGeometry* g : model.geometries) WriteGeometry(o, *g);
    o += kBoneSection;
    o += "<BONE_ARRAY>\r\n";
    for (const CBone* b : model.bones) {
        AppendName(o, b->name);
        o += ' ';
    }
    o += "\r\n";
    for (CBone* root : model.rootBones) {
        if (!root) continue;
        o += "<BONE>\r\n";
        WriteBoneTree(o, root);
    }
    o += "\r\n\r\n";
    return o;
}

std::vector<std::pair<std::string, std::string>> ModelFiles(const CModel& model, const std::string& path) {
    std::string target = path;
    if (target.size() < 4 || target.compare(target.size() - 4, 4, ".mdl") != 0) target += ".mdl";
    std::vector<std::pair<std::string, std::string>> files;
    // Embedded images go beside the model, named after it.
    std::vector<CName> textureFiles(static_cast<std::size_t>(model.textures.Count()));
    const std::string stem = target.substr(0, target.size() - 4);
    const auto sep = stem.find_last_of("/\\");
    const std::string base = sep == std::string::npos ? stem : stem.substr(sep + 1);
    int written = 0;
    for (int i = 0; i < model.textures.Count(); ++i) {
        const std::string& image = model.textures[i]->embeddedImage;
        if (image.empty()) continue;
        const bool jpeg = image.size() >= 2 && static_cast<unsigned char>(image[0]) == 0xFF &&
                          static_cast<unsigned char>(image[1]) == 0xD8;
        const std::string name = base + "_" + std::to_string(written++) + (jpeg ? ".jpg" : ".png");
        files.emplace_back(stem.substr(0, stem.size() - base.size()) + name, image);
        textureFiles[static_cast<std::size_t>(i)].Set(Utf8ToUtf16(name));
    }
    files.emplace_back(target, SerializeModel(model, textureFiles));
    return files;
}

Status WriteModel(const CModel& model, const std::string& path) {
    const auto files = ModelFiles(model, path);
    if (PathUnits(files.back().first) > 1023) return Status::Failure("the path is longer than 1023 characters");
    std::vector<FileWrite> writes;
    for (const auto& [name, bytes] : files) writes.push_back({name, bytes});
    return WriteFilesAtomically(writes).status;
}
