// Skin controllers: the bind shape matrix, one bone per joint with its
// inverse bind matrix, and up to eight influences per vertex.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "collada/sections.h"
#include "collada/skin_weights.h"

namespace {

constexpr int kWorkingNameUnits = 511;

// Per controller: the skin's sources and its joint names.
struct SkinTables {
    std::vector<std::string_view> sourceIds;
    std::vector<std::vector<float>> sourceNumbers;
    std::vector<std::string> jointNames;

    void Clear() {
        sourceIds.clear();
        sourceNumbers.clear();
        jointNames.clear();
    }
    int Find(std::string_view id) const {
        for (std::size_t i = 0; i < sourceIds.size(); ++i)
            if (sourceIds[i] == id) return static_cast<int>(i);
        return -1;
    }
};

CGeometry* FindGeometry(const CModel& model, std::string_view utf8Id) {
    CName id;
    SetName(id, utf8Id);
    for (CGeometry* g : model.geometries)
        if (g->id == id) return g;
    return nullptr;
}

// The names of a Name_array: its text cut at count x 128 - 1 characters,
// split at spaces.
void ReadNames(pugi::xml_node nameArray, std::vector<std::string>& names) {
    const std::int64_t count = AttributeAtoi(nameArray, "count");
    if (count <= 0) return;
    const std::string text = Text(nameArray);
    const std::int64_t limit = count * 128 - 1;  // in UTF-16 units; ASCII names are one byte each
    std::size_t pos = 0;
    std::int64_t units = 0;
    while (pos < text.size()) {
        const std::size_t space = text.find(' ', pos);
        std::string_view name =
            std::string_view(text).substr(pos, space == std::string::npos ? std::string::npos : space - pos);
        if (units >= limit) break;
        if (units + static_cast<std::int64_t>(name.size()) > limit)
            name = name.substr(0, static_cast<std::size_t>(limit - units));
        names.emplace_back(name);
        units += static_cast<std::int64_t>(name.size()) + 1;
        if (space == std::string::npos) break;
        pos = space + 1;
    }
}

std::size_t HashOf(std::u16string_view name) { return std::hash<std::u16string_view>{}(name); }

// First bone of each joint name among the bones of the skins read so far,
// by its place in the model's bone list. Open addressing over the bones' own
// names with the low half of each hash beside the place: compact, and with
// few cache misses on skeletons of many joints. A document of one skin never
// fills it.
class BonesByName {
public:
    explicit BonesByName(const CModel& model) : model_(model), slots_(64) {}
    // The first place of a bone named `name`, or -1.
    int Find(std::u16string_view name) const { return indexed_ == 0 ? -1 : slots_[SlotOf(name, HashOf(name))].place; }
    // Indexes the bones up to `end` (in list order, so the first of a name
    // stays).
    void IndexUpTo(int end) {
        for (; indexed_ < end; ++indexed_) {
            if ((used_ + 1) * 3 > slots_.size() * 2) Grow();
            Put(indexed_);
        }
    }

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::int32_t place = -1;
    };
    std::u16string_view NameAt(int place) const { return model_.bones[place]->name.View(); }
    std::size_t SlotOf(std::u16string_view name, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.place < 0 || (s.hash == static_cast<std::uint32_t>(hash) && NameAt(s.place) == name)) return i;
        }
    }
    void Put(int place) {
        const std::u16string_view name = NameAt(place);
        const std::size_t hash = HashOf(name);
        Slot& s = slots_[SlotOf(name, hash)];
        if (s.place >= 0) return;
        s = {static_cast<std::uint32_t>(hash), place};
        ++used_;
    }
    // Twice the slots; the names are all different, so each goes to the
    // first free slot from its kept hash without being read again.
    void Grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.place < 0) continue;
            std::size_t i = s.hash & mask;
            while (slots_[i].place >= 0) i = (i + 1) & mask;
            slots_[i] = s;
        }
    }

    const CModel& model_;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    int indexed_ = 0;
};

// The bone of joint `name` for a skin: a bone an earlier skin made for the
// same joint with the same inverse bind matrix is shared (the scene places
// one bone per joint); otherwise the joint gets a bone of its own.
int BoneForJoint(CModel& model, const std::string& name, const float* invBind, int firstOfSkin, BonesByName& byName) {
    CName boneName;
    SetName(boneName, name, kWorkingNameUnits);
    const int earlier = byName.Find(boneName.View());
    if (earlier >= 0 && earlier < firstOfSkin && std::equal(invBind, invBind + 16, model.bones[earlier]->invBindMatrix))
        return earlier;
    CBone* bone = model.NewBone();
    bone->name = std::move(boneName);
    std::copy_n(invBind, 16, bone->invBindMatrix);
    model.bones.Add(bone);
    return model.bones.Count() - 1;
}

// The sids of the scene's nodes, the joints a node will place; collected
// when a skin first asks, as the node reader compares them.
class NodeSids {
public:
    explicit NodeSids(pugi::xml_node document) : document_(document) {}
    bool Has(const std::string& joint) {
        if (!collected_) Collect();
        CName name;
        SetName(name, joint, kWorkingNameUnits);
        // Hashes only: a rare false match makes a bone as every joint once got.
        const std::size_t hash = std::max<std::size_t>(HashOf(name.View()), 1);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_)
            if (table_[i] == hash || table_[i] == 0) return table_[i] == hash;
    }

private:
    void Collect() {
        collected_ = true;
        std::vector<std::size_t> sids;
        std::vector<pugi::xml_node> pending;
        for (pugi::xml_node n : SelectNodes(document_, "COLLADA/library_visual_scenes/visual_scene/node"))
            pending.push_back(n);
        while (!pending.empty()) {
            const pugi::xml_node node = ElementView(pending.back());
            pending.pop_back();
            if (!node) continue;
            if (HasAttribute(node, "sid")) {
                CName sid;
                SetName(sid, Attribute(node, "sid"));
                sids.push_back(std::max<std::size_t>(HashOf(sid.View()), 1));  // 0 marks a free slot
            }
            for (pugi::xml_node child : SelectNodes(node, "node")) pending.push_back(child);
        }
        // At most half full: one cache miss a look-up.
        std::size_t size = 16;
        while (size < sids.size() * 2) size *= 2;
        table_.assign(size, 0);
        mask_ = size - 1;
        for (const std::size_t hash : sids) {
            std::size_t i = hash & mask_;
            while (table_[i] != 0 && table_[i] != hash) i = (i + 1) & mask_;
            table_[i] = hash;
        }
    }

    pugi::xml_node document_;
    bool collected_ = false;
    std::vector<std::size_t> table_;  // the sids' hashes by open addressing
    std::size_t mask_ = 0;
};

void ReadSkin(CModel& model, pugi::xml_node skin, SkinTables& tables, BonesByName& byName, NodeSids& sids,
              std::size_t sourceBytes) {
    CGeometry* geometry = FindGeometry(model, ReferenceAttribute(skin, "source"));
    if (!geometry) return;

    const pugi::xml_node bindShape = SelectSingleNode(skin, "bind_shape_matrix");
    if (bindShape) {
        std::vector<float> m;
        ReadFloats(bindShape, 2048, -1, m);
        // A short matrix padded with zeros would flatten the whole skin.
        if (!m.empty() && m.size() < 16)
            throw ColladaError("<bind_shape_matrix> holds " + std::to_string(m.size()) + " numbers, a matrix needs 16",
                               bindShape);
        if (!m.empty()) std::copy_n(m.begin(), 16, geometry->bindShapeMatrix);
    }

    for (pugi::xml_node src : SelectNodes(skin, "source")) {
        tables.sourceIds.push_back(Attribute(src, "id"));
        std::vector<float>& numbers = tables.sourceNumbers.emplace_back();
        if (const pugi::xml_node floatArray = SelectSingleNode(src, "float_array")) {
            const int count = AttributeAtoi(floatArray, "count");
            const std::string named = "the float_array of source \"" + std::string(Attribute(src, "id")) + "\"";
            if (count < 0) throw ColladaError(named + " has a negative count", floatArray);
            ReadFloats(floatArray, static_cast<std::int64_t>(count) * 128, count, numbers);
            // Weights or matrices the text does not hold are never made up.
            if (numbers.size() < static_cast<std::size_t>(count))
                throw ColladaError(named + " holds " + std::to_string(numbers.size()) + " numbers, its count says " +
                                       std::to_string(count),
                                   floatArray);
            // Weights and matrices that are no numbers would be dropped or spread through every pose.
            if (!std::all_of(numbers.begin(), numbers.end(), [](float f) { return std::isfinite(f); }))
                throw ColladaError("NaN or infinity in " + named, floatArray);
        }
        if (const pugi::xml_node nameArray = SelectSingleNode(src, "Name_array"))
            ReadNames(nameArray, tables.jointNames);
    }

    RequireNode(skin, "joints/input[@semantic='JOINT']");
    const pugi::xml_node invBindInput = RequireNode(skin, "joints/input[@semantic='INV_BIND_MATRIX']");
    const pugi::xml_node vertexWeights = RequireNode(skin, "vertex_weights");
    RequireNode(skin, "vertex_weights/input[@semantic='JOINT']");
    const pugi::xml_node weightInput = RequireNode(skin, "vertex_weights/input[@semantic='WEIGHT']");
    const pugi::xml_node vcountNode = RequireNode(skin, "vertex_weights/vcount");
    const std::string_view invBindSource = ReferenceAttribute(invBindInput, "source");
    const std::string_view weightSource = ReferenceAttribute(weightInput, "source");

    // A row per vertex; a count the document cannot back (every vertex needs
    // a vcount entry) is cut so a lying count cannot take gigabytes.
    const int declared = AttributeInteger(vertexWeights, "count");
    const int rows =
        static_cast<int>(std::clamp<std::int64_t>(declared, 0, static_cast<std::int64_t>(sourceBytes / 2 + 1)));
    geometry->weights = std::make_unique<CWeights>(rows);
    geometry->weightCount = rows;

    const std::int64_t textBytes = static_cast<std::int64_t>(AttributeAtoi(vertexWeights, "count")) * 128;
    if (Text(vcountNode).empty()) return;

    const int weightIndex = tables.Find(weightSource);
    const int invBindIndex = tables.Find(invBindSource);
    static const std::vector<float> kNone;
    const std::vector<float>& weightNumbers =
        weightIndex >= 0 ? tables.sourceNumbers[static_cast<std::size_t>(weightIndex)] : kNone;

    std::vector<int> vcount, pairs;
    ReadInts(vcountNode, textBytes, -1, vcount);
    if (const pugi::xml_node v = SelectSingleNode(vertexWeights, "v")) ReadInts(v, textBytes, -1, pairs);

    // Weight rows name joints by their place in this skin's joint list;
    // they are stored as places in the model's bone list. A joint becomes a
    // bone when something uses it: its inverse bind matrix, a weight or a
    // scene node. A list of bare names takes no bone per name.
    static const std::vector<float> kNoMatrices;
    const std::vector<float>& inv =
        invBindIndex >= 0 ? tables.sourceNumbers[static_cast<std::size_t>(invBindIndex)] : kNoMatrices;
    const std::size_t matrices = invBindIndex >= 0 ? (inv.size() + 15) / 16 : 0;
    std::vector<bool> weighted(tables.jointNames.size());
    for (std::size_t p = 0; p < pairs.size(); p += 2)
        if (pairs[p] >= 0 && static_cast<std::size_t>(pairs[p]) < weighted.size())
            weighted[static_cast<std::size_t>(pairs[p])] = true;
    const int firstOfSkin = model.bones.Count();
    byName.IndexUpTo(firstOfSkin);
    std::vector<int> boneOfJoint(tables.jointNames.size(), -1);
    for (std::size_t i = 0; i < tables.jointNames.size(); ++i) {
        if (i >= matrices && !weighted[i] && !sids.Has(tables.jointNames[i])) continue;
        float invBind[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        if (invBindIndex >= 0) {
            for (std::size_t e = 0; e < 16; ++e) {
                const std::size_t at = 16 * i + e;
                invBind[e] = at < inv.size() ? inv[at] : 0.0f;
            }
        }
        boneOfJoint[i] = BoneForJoint(model, tables.jointNames[i], invBind, firstOfSkin, byName);
    }
    RequireNode(vertexWeights, "v");

    // Pairs name a joint (-1: the bind shape itself) and a weight; one that
    // points past its list, or a vcount <v> cannot back, is refused rather
    // than bound to a made-up bone or weight.
    const auto refuse = [&](const std::string& what) { throw ColladaError("<vertex_weights> " + what, vertexWeights); };
    std::size_t p = 0;
    for (std::size_t k = 0; k < vcount.size(); ++k) {
        if (vcount[k] < 0 || static_cast<std::size_t>(vcount[k]) > (pairs.size() - p) / 2)
            refuse("<vcount> asks for " + std::to_string(vcount[k]) + " pairs where <v> holds " +
                   std::to_string((pairs.size() - p) / 2) + " more");
        for (int j = 0; j < vcount[k]; ++j, p += 2) {
            const int joint = pairs[p];
            const int w = pairs[p + 1];
            // Joints given as an IDREF_array name no bones here; their indices pass as they stand.
            if (!boneOfJoint.empty() &&
                (joint < -1 || (joint >= 0 && static_cast<std::size_t>(joint) >= boneOfJoint.size())))
                refuse("has joint index " + std::to_string(joint) + ", the skin names " +
                       std::to_string(boneOfJoint.size()) + " joints");
            if (w < 0 || static_cast<std::size_t>(w) >= weightNumbers.size())
                refuse("has weight index " + std::to_string(w) + ", its source has " +
                       std::to_string(weightNumbers.size()));
            InsertWeight(*geometry, static_cast<int>(k),
                         joint < 0 || boneOfJoint.empty() ? joint : boneOfJoint[static_cast<std::size_t>(joint)],
                         weightNumbers[static_cast<std::size_t>(w)]);
        }
    }
}

}  // namespace

void LoadColladaControllers(CModel& model, const ColladaSource& source) {
    SkinTables tables;
    BonesByName byName(model);
    NodeSids sids(source.document);
    for (pugi::xml_node node : SelectNodes(source.document, "COLLADA/library_controllers/controller")) {
        const pugi::xml_node controller = ElementView(node);
        if (!controller) continue;
        tables.Clear();
        for (pugi::xml_node skin : SelectNodes(controller, "skin"))
            ReadSkin(model, skin, tables, byName, sids, source.bytes);
    }
}
