// The .mdl model text file: the reader.
//
// Lines are read as the Windows program read them (a wide line reader that
// cuts long lines, then narrowing back to code page 932 before splitting), so
// files move unchanged between both. Counts in the file only ever bound how
// far a line is read; nothing is allocated from a count beyond what the line
// actually holds.
#include "model/mdl_file.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kLineChars = 1024;  // 1023 characters and the terminator
constexpr std::size_t kColorLineBytes = 1024;
constexpr std::size_t kBindMatrixLineBytes = 2048;
constexpr std::size_t kBoneMatrixLineBytes = 2348;
constexpr std::size_t kBoneListChars = 261120;
constexpr std::size_t kBoneListBytes = 261120;
// A file names its bones on one list line, so it lists at most this many
// (one-letter names); further list lines add up to that many in all. Every
// name becomes a bone record, a hundred times the bytes that name it, so
// the cap keeps the records of any file within a few tens of megabytes.
constexpr int kMaxListedBones = static_cast<int>(kBoneListChars / 2);
constexpr std::size_t kTexIdCharsPerId = 1025;
constexpr std::size_t kTexIdBytes = 46080;
constexpr std::size_t kBytesPerValue = 128;
// Deeper bones are read past but not kept: the pose evaluation and the
// renderer walk the tree recursively.
constexpr std::size_t kMaxBoneDepth = 1024;

constexpr std::string_view kTopDelims = " []<>\n";
constexpr std::string_view kBlockDelims = " <>\n";
constexpr std::string_view kBoneDelims = " \t<>\n";
constexpr std::string_view kValueDelims = " \n";

// a × b × c for a line length taken from counts in the file; saturates
// instead of overflowing. The result only limits how far a line is read.
std::size_t LineLimit(long long a, long long b, long long c) {
    constexpr unsigned long long kMax = 1ull << 50;
    if (a <= 0 || b <= 0 || c <= 0) return 0;
    unsigned long long r = static_cast<unsigned long long>(a);
    for (long long f : {b, c}) {
        if (r > kMax / static_cast<unsigned long long>(f)) return kMax;
        r *= static_cast<unsigned long long>(f);
    }
    return static_cast<std::size_t>(r);
}

enum class MdlRead { kNoModel, kCutOff, kComplete };

class MdlReader {
public:
    MdlReader(CModel& model, std::string_view bytes) : model_(model), in_(bytes), bytes_(bytes) {
        for (CBone* b : model_.bones) IndexBone(b);
    }

    // kNoModel when no line of the file held a model tag; kCutOff when the
    // file ends inside a block, before its bone list or without the empty
    // line that ends the records.
    MdlRead Run();

private:
    bool ReadLine(std::size_t maxChars, std::string& line, std::size_t narrowBytes = 0);
    bool ReadNumberLine(std::size_t maxChars, std::string& line);
    void ReadFloats(std::size_t maxChars, float* out, int n);

    void ReadModelId();
    void ReadBoneList();
    void ReadMaterial();
    void ReadTexture();
    void ReadGeometry();
    void ReadFloatArray(CGeometry& g);
    void ReadPolygonData(CGeometry& g);
    void ReadIndexList(int count, CValueArray<int>& list);
    void ReadTexIds(int count, CNameList& list);
    void ReadWeights(CGeometry& g);
    void ReadWeightValues(CGeometry& g, int rows, int perRow);
    void ReadBoneTree();

    struct BoneFrame {
        CBone* bone = nullptr;
        bool detached = false;  // read past, nothing kept
        bool inChildren = false;
        int childrenLeft = 0;
    };
    CBone* PlaceBone(std::string_view name, const std::vector<BoneFrame>& stack);
    void IndexBone(CBone* b) { byName_.try_emplace(std::u16string(b->name.View()), b); }

    CModel& model_;
    LineReader in_;
    std::string_view bytes_;
    bool cutOff_ = false;    // the file ended inside a block
    bool boneList_ = false;  // the bone section began
    std::string line_;
    // First bone of each name in the flat list: the linear first-match
    // look-up, without its quadratic cost on large skeletons.
    std::unordered_map<std::u16string, CBone*> byName_;
    // Bones were made for the tree only; those left hanging by a cut-off
    // file are released at the end.
    bool treeOnly_ = false;
    std::unordered_set<CBone*> placed_;  // list bones given their place in the tree
    int listed_ = 0;                     // names the file's list lines gave
};

// One line as the wide reader sees it: at most maxChars - 1 characters,
// narrowed again (invalid bytes become '?'), ending at an embedded NUL.
// narrowBytes, when given, bounds the narrowed form including a terminator.
bool MdlReader::ReadLine(std::size_t maxChars, std::string& line, std::size_t narrowBytes) {
    if (!in_.ReadCp932(maxChars, line)) return false;
    const auto nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    bool ascii = true;
    for (unsigned char c : line)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) line = Utf16ToCp932(Cp932ToUtf16(line));
    if (narrowBytes > 0 && line.size() > narrowBytes - 1) {
        // Cut at a character boundary.
        std::size_t cut = 0;
        while (cut < line.size()) {
            const bool pair = IsCp932LeadByte(static_cast<unsigned char>(line[cut])) && cut + 1 < line.size();
            const std::size_t len = pair ? 2 : 1;
            if (cut + len > narrowBytes - 1) break;
            cut += len;
        }
        line.resize(cut);
    }
    return true;
}

// A line of numbers: no names on it, so it is not narrowed.
bool MdlReader::ReadNumberLine(std::size_t maxChars, std::string& line) {
    if (!in_.ReadCp932(maxChars, line)) return false;
    const auto nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return true;
}

// n numbers from the next line; missing ones read as 0.
void MdlReader::ReadFloats(std::size_t maxChars, float* out, int n) {
    if (!ReadNumberLine(maxChars, line_)) return;
    Tokenizer t(line_);
    for (int i = 0; i < n; ++i) out[i] = ParseFloat(t.Next(kValueDelims));
}

MdlRead MdlReader::Run() {
    std::string line;
    bool recognised = false;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kTopDelims);
        bool known = true;
        if (tag == "MODEL_ID") ReadModelId();
        else if (tag == "MATERIAL_BEGIN") ReadMaterial();
        else if (tag == "TEXTURE_BEGIN") ReadTexture();
        else if (tag == "GEOMETRY_BEGIN") ReadGeometry();
        else if (tag == "BONE_ARRAY") ReadBoneList();
        else if (tag == "BONE") ReadBoneTree();
        else known = false;
        recognised = recognised || known;
    }
    if (treeOnly_) model_.ReleaseUnlinkedBones();
    if (!recognised) return MdlRead::kNoModel;
    // The writer ends the records with an empty line: a file cut between
    // two blocks lacks it.
    const bool ended = bytes_.ends_with("\n\n") || bytes_.ends_with("\n\r\n");
    return cutOff_ || !ended || !boneList_ ? MdlRead::kCutOff : MdlRead::kComplete;
}

void MdlReader::ReadModelId() {
    if (!ReadLine(kLineChars, line_)) {
        cutOff_ = true;
        return;
    }
    Tokenizer t(line_, true);
    model_.name.SetFromCp932(LineName(line_));
}

void MdlReader::ReadBoneList() {
    if (!ReadLine(kBoneListChars, line_, kBoneListBytes)) {
        cutOff_ = true;
        return;
    }
    boneList_ = true;
    Tokenizer t(line_, true);
    for (std::string_view tok = t.Next(kValueDelims); !tok.empty() && listed_ < kMaxListedBones;
         tok = t.Next(kValueDelims), ++listed_) {
        CBone* bone = model_.NewBone();
        bone->name.SetFromCp932(tok);
        model_.bones.Add(bone);
        IndexBone(bone);
    }
}

void MdlReader::ReadMaterial() {
    auto m = std::make_unique<CMaterial>();
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kTopDelims);
        if (tag == "MATERIAL_NAME") m->name.SetFromCp932(TagName(line));
        else if (tag == "TEXTURE_NAME") m->textureName.SetFromCp932(TagName(line));
        else if (tag == "DIFFUSE") ReadFloats(kColorLineBytes, m->diffuse, 4);
        else if (tag == "AMBIENT") ReadFloats(kColorLineBytes, m->ambient, 4);
        else if (tag == "SPECULAR") ReadFloats(kColorLineBytes, m->specular, 4);
        else if (tag == "EMMITION") ReadFloats(kColorLineBytes, m->emission, 4);
        else if (tag == "MATERIAL_END") {
            model_.materials.Add(std::move(m));
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

void MdlReader::ReadTexture() {
    auto tex = std::make_unique<CTexture>();
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kTopDelims);
        if (tag == "TEXTURE_ID") tex->id.SetFromCp932(TagName(line));
        else if (tag == "TEXTURE_NAME") tex->fileName.SetFromCp932(TagName(line));
        else if (tag == "TEXTURE_END") {
            model_.textures.Add(std::move(tex));
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

void MdlReader::ReadGeometry() {
    auto g = std::make_unique<CGeometry>();
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kTopDelims);
        const std::string_view value = t.Next(kTopDelims);
        if (tag == "GEOMETRY_ID") g->id.SetFromCp932(TagName(line));
        else if (tag == "VERTEX_COUNT") g->vertexCount = ParseInt(value);
        else if (tag == "BIND_SHAPE_MATRIX") ReadFloats(kBindMatrixLineBytes, g->bindShapeMatrix, 16);
        else if (tag == "FLOAT_ARRAY_BEGIN") ReadFloatArray(*g);
        else if (tag == "POLYGON_DATA_BEGIN") ReadPolygonData(*g);
        else if (tag == "WEIGHTS_BEGIN") ReadWeights(*g);
        else if (tag == "GEOMETRY_END") {
            // The weight count always gives the rows of the table the
            // geometry really has, so no consumer indexes past it.
            g->weightCount = g->weights ? g->weights->Rows() : 0;
            model_.geometries.Add(std::move(g));
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

void MdlReader::ReadFloatArray(CGeometry& g) {
    auto a = std::make_unique<CFloatArray>();
    int floatCount = -1;
    int count = -1;
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kBlockDelims);
        const std::string_view value = t.Next(kBlockDelims);
        if (tag == "FLOAT_ARRAY_ID") {
            a->id.SetFromCp932(TagName(line));
        } else if (tag == "FLOAT_ARRAY_FLOAT_COUNT") {
            floatCount = ParseInt(value);
        } else if (tag == "FLOAT_ARRAY_COUNT") {
            count = ParseInt(value);
        } else if (tag == "FLOAT_ARRAY" && floatCount != -1 && count != -1) {
            const bool supported = floatCount >= 2 && floatCount <= 4;
            auto values = std::make_unique<CArray>(supported ? floatCount * 4 : 4);
            ReadNumberLine(std::max<std::size_t>(LineLimit(floatCount, count, kBytesPerValue), 2), line_);
            if (supported && count > 0) {
                const long long maxValues = static_cast<long long>(floatCount) * count;
                float element[4] = {};
                int filled = 0;
                long long taken = 0;
                Tokenizer v(line_);
                for (std::string_view tok = v.Next(kValueDelims); !tok.empty() && taken < maxValues;
                     tok = v.Next(kValueDelims), ++taken) {
                    element[filled++] = ParseFloat(tok);
                    if (filled == floatCount) {
                        values->Add(element);
                        filled = 0;
                    }
                }
            }
            a->values = std::move(values);
        } else if (tag == "FLOAT_ARRAY_END") {
            g.floatArrays.Add(std::move(a));
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

void MdlReader::ReadIndexList(int count, CValueArray<int>& list) {
    if (count <= 0) return;
    if (!ReadNumberLine(LineLimit(count, kBytesPerValue, 1), line_)) return;
    Tokenizer t(line_);
    for (std::string_view tok = t.Next(kValueDelims); !tok.empty(); tok = t.Next(kValueDelims)) list.Add(ParseInt(tok));
}

void MdlReader::ReadTexIds(int count, CNameList& list) {
    if (count <= 0) return;
    if (!ReadLine(LineLimit(count, kTexIdCharsPerId, 1), line_, kTexIdBytes)) return;
    Tokenizer t(line_, true);
    for (std::string_view tok = t.Next(kValueDelims); !tok.empty(); tok = t.Next(kValueDelims)) {
        CName name;
        name.SetFromCp932(tok);
        list.Add(name);
    }
}

void MdlReader::ReadPolygonData(CGeometry& g) {
    auto p = std::make_unique<CPolygonData>();
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kBlockDelims);
        const std::string_view value = t.Next(kBlockDelims);
        if (tag == "MATERIAL_ID") p->materialId.SetFromCp932(TagName(line));
        else if (tag == "VERTEX_ID") p->vertexId.SetFromCp932(TagName(line));
        else if (tag == "NORMAL_ID") p->normalId.SetFromCp932(TagName(line));
        else if (tag == "COLOR_ID") p->colorId.SetFromCp932(TagName(line));
        else if (tag == "VERTEX_INDEX_COUNT") ReadIndexList(ParseInt(value), p->vertexIndices);
        else if (tag == "NORMAL_INDEX_COUNT") ReadIndexList(ParseInt(value), p->normalIndices);
        else if (tag == "COLOR_INDEX_COUNT") ReadIndexList(ParseInt(value), p->colorIndices);
        else if (tag == "TEX_INDEX_COUNT") ReadIndexList(ParseInt(value), p->texIndices);
        else if (tag == "TEX_ID_COUNT") ReadTexIds(ParseInt(value), p->texIds);
        else if (tag == "POLYGON_DATA_END") {
            g.polygonData.Add(std::move(p));
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

void MdlReader::ReadWeights(CGeometry& g) {
    int rows = 0;
    std::string line;
    while (ReadLine(kLineChars, line)) {
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kBlockDelims);
        const std::string_view value = t.Next(kBlockDelims);
        if (tag == "WEIGHTS_SIZE") {
            rows = ParseInt(value);
            g.weightCount = rows;
        } else if (tag == "APPLY_BONE_NUM") {
            const int perRow = ParseInt(value);
            if (rows > 0 && perRow > 0) ReadWeightValues(g, rows, perRow);
        } else if (tag == "WEIGHTS_END") {
            return;
        }
    }
    cutOff_ = true;  // no end tag
}

// `rows` rows of `perRow` (bone index, weight) pairs on one line. A row keeps
// its first MaxBoneInfluences pairs; shorter rows end in empty entries. The
// table gets no more rows than the line has pairs for.
void MdlReader::ReadWeightValues(CGeometry& g, int rows, int perRow) {
    ReadNumberLine(LineLimit(rows, perRow, kBytesPerValue), line_);
    const long long maxPairs = std::min(static_cast<long long>(rows) * perRow, 1ll << 60);
    long long tokens = 0;
    {
        Tokenizer t(line_);
        while (tokens < 2 * maxPairs && !t.Next(kValueDelims).empty()) ++tokens;
    }
    const long long pairs = tokens / 2;
    const long long neededRows = std::min<long long>(rows, (pairs + perRow - 1) / perRow);
    g.weights.reset();
    if (neededRows <= 0) return;
    g.weights = std::make_unique<CWeights>(static_cast<int>(neededRows));
    Tokenizer t(line_);
    for (long long j = 0; j < pairs; ++j) {
        const std::string_view index = t.Next(kValueDelims);
        const std::string_view weight = t.Next(kValueDelims);
        const long long column = j % perRow;
        if (column >= MaxBoneInfluences) continue;
        CBoneWeight& e = g.weights->Row(static_cast<int>(j / perRow))[column];
        // Stored files rely on the small offset: the index is later taken
        // as the whole number below the float.
        e.boneIndex = static_cast<float>(ParseDouble(index) + 0.00001);
        e.weight = ParseFloat(weight);
    }
}

CBone* MdlReader::PlaceBone(std::string_view nameBytes, const std::vector<BoneFrame>& stack) {
    CName name;
    name.SetFromCp932(nameBytes);
    CBone* parent = stack.size() >= 2 ? stack[stack.size() - 2].bone : nullptr;
    CBone* bone = nullptr;
    const auto it = byName_.find(std::u16string(name.View()));
    if (it != byName_.end()) bone = it->second;
    // A bone has one place in the tree: a name met again (a joint placed
    // twice, or below itself) gets a record of its own, so the tree stays a
    // tree and a rewrite stays the size of what was read.
    if (bone && !placed_.insert(bone).second) bone = nullptr;
    if (!bone) {
        bone = model_.NewBone();
        treeOnly_ = true;
    }
    if (!parent) model_.rootBones.Add(bone);
    bone->parent = parent;
    bone->name = name;
    return bone;
}

// One root bone and its children. Each bone's lines end at <CHILD_COUNT>;
// its children follow, and a child is added to its parent once it is
// complete. Iterative, with the same meaning as reading recursively.
void MdlReader::ReadBoneTree() {
    std::vector<BoneFrame> stack(1);
    float scratch[16];
    std::string line;
    while (!stack.empty()) {
        BoneFrame& f = stack.back();
        if (f.inChildren) {
            if (f.childrenLeft > 0) {
                --f.childrenLeft;
                BoneFrame child;
                child.detached = f.detached || !f.bone || stack.size() >= kMaxBoneDepth;
                stack.push_back(child);
                continue;
            }
            const BoneFrame done = f;
            stack.pop_back();
            if (!stack.empty() && done.bone && stack.back().bone) stack.back().bone->children.Add(done.bone);
            continue;
        }
        if (!ReadLine(kLineChars, line)) {  // cut off: unfinished bones are not attached
            cutOff_ = true;
            return;
        }
        Tokenizer t(line, true);
        const std::string_view tag = t.Next(kBoneDelims);
        const std::string_view value = t.Next(kBoneDelims);
        if (tag == "BONE_NAME") {
            if (!f.detached) f.bone = PlaceBone(TagName(line), stack);
        } else if (tag == "BONE_ID") {
            if (f.bone) f.bone->id.SetFromCp932(TagName(line));
        } else if (tag == "BONE_TYPE") {
            if (f.bone) f.bone->boneType = static_cast<BoneType>(ParseInt(value));
        } else if (tag == "INV_BIND_MATRIX") {
            ReadFloats(kBoneMatrixLineBytes, f.bone ? f.bone->invBindMatrix : scratch, 16);
        } else if (tag == "JOINT_MATRIX") {
            ReadFloats(kBoneMatrixLineBytes, f.bone ? f.bone->jointMatrix : scratch, 16);
        } else if (tag == "CHILD_COUNT") {
            f.inChildren = true;
            f.childrenLeft = std::max(0, ParseInt(value));
        }
    }
}

}  // namespace

Status ParseModel(CModel& model, std::string_view bytes) {
    switch (MdlReader(model, bytes).Run()) {
        case MdlRead::kComplete: return Status::Ok();
        case MdlRead::kNoModel: return Status::Failure("not a model file");
        default: return Status::Failure("the file is cut off before the end of its records");
    }
}

Status ReadModel(CModel& model, const std::string& path) {
    if (const std::string record = UnfinishedWriteOf(path); !record.empty())
        return Status::Failure("an unfinished write left it (" + record + "); writing it again completes it");
    const Result<std::string> bytes = ReadWholeFile(path, kMaxModelFileBytes);
    if (!bytes) return bytes.status();
    return ParseModel(model, *bytes);
}
