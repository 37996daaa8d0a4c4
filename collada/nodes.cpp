// The visual scene's node tree becomes the bone tree. A node whose sid
// names a skin joint completes that joint's bone; any other node becomes a
// bone of the tree only.
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "collada/sections.h"
#include "model/model_up_axis.h"
#include "model/name_index.h"

namespace {

// Bones that already have their place in the tree.
using PlacedBones = std::unordered_set<const CBone*>;

// The bone for a node: the skin bone named by its sid, or a new bone. A
// bone has exactly one place in the tree: a second node naming a joint that
// is already placed (beside itself, or above itself, which would close a
// loop) gets a bone of its own, so the writers never repeat a subtree.
CBone* BoneFor(CModel& model, const CNameIndex<CBone>& skinBones, pugi::xml_node node, PlacedBones& placed) {
    CBone* bone = nullptr;
    if (HasAttribute(node, "sid")) {
        CName sid;
        SetName(sid, Attribute(node, "sid"));
        bone = skinBones.Find(sid);
        if (bone && !placed.insert(bone).second) bone = nullptr;
    }
    if (!bone) bone = model.NewBone();
    SetName(bone->id, Attribute(node, "id"));
    if (HasAttribute(node, "type")) {
        const std::string_view type = Attribute(node, "type");
        bone->boneType = type == "NODE" ? BoneType::Node : type == "JOINT" ? BoneType::Joint : BoneType::Other;
    }
    const pugi::xml_node matrix = SelectSingleNode(node, "matrix[@sid='transform']");
    if (matrix) {
        std::vector<float> m;
        ReadFloats(matrix, 1024, 16, m);
        if (!m.empty()) {
            for (int i = 0; i < 16; ++i)
                bone->jointMatrix[i] = i < static_cast<int>(m.size()) ? m[static_cast<std::size_t>(i)] : 0.0f;
        }
    }
    return bone;
}

}  // namespace

// Skeletons are a few dozen levels deep. A tree nested deeper than this is
// refused: the .mdl writer indents every level one tab further, so a deep
// chain would write a file quadratic in its depth.
constexpr int kMaxNodeDepth = 1000;
// Every node becomes a bone record, far larger than the few bytes of an empty
// <node/>. Skeletons and scenes hold hundreds or thousands of nodes; a
// document of more than this many is refused, so a small file cannot claim
// memory a hundred times its size.
constexpr int kMaxSceneNodes = 1 << 18;

namespace {

// Counts the nodes read into bones across the whole document.
void CountNode(int& nodes, pugi::xml_node node) {
    if (++nodes > kMaxSceneNodes)
        throw ColladaError("the scene has more than " + std::to_string(kMaxSceneNodes) + " nodes", node);
}

// A node with an <asset> of its own naming an up axis or unit, and the nodes
// below it, have their transforms in that frame: they are brought into the
// document's, which the whole model is turned from at the end. `inherited`:
// the frame the node's parent is in, if its own. Returns the node's frame.
std::optional<AssetFrame> PlaceInDocumentFrame(pugi::xml_node node, CBone& bone,
                                               const std::optional<AssetFrame>& inherited) {
    AssetFrame own, document;
    std::optional<AssetFrame> frame = inherited;
    if (OwnFrame(node, own, document)) frame = own;
    if (frame) {
        const pugi::xml_node top = SelectSingleNode(node.root(), "COLLADA/asset");
        NodeToDocumentFrame(bone.jointMatrix, frame->up, frame->metres, AssetUpAxis(top, UpAxis::Z),
                            AssetMetresPerUnit(top, 1.0));
    }
    return frame;
}

void ReadChildNodes(CModel& model, const CNameIndex<CBone>& skinBones, pugi::xml_node parentNode, CBone* parentBone,
                    PlacedBones& placed, int& nodes, const std::optional<AssetFrame>& parentFrame = std::nullopt) {
    // Depth-first with an explicit stack: deep files cannot exhaust ours.
    struct Pending {
        pugi::xml_node node;
        CBone* parent;
        int depth;
        std::optional<AssetFrame> frame;
    };
    std::vector<Pending> stack;
    const auto pushChildren = [&stack](pugi::xml_node node, CBone* bone, int depth,
                                       const std::optional<AssetFrame>& frame) {
        const XmlNodeList children = SelectNodes(node, "node");
        for (int i = children.Length() - 1; i >= 0; --i) stack.push_back({children.Item(i), bone, depth, frame});
    };
    pushChildren(parentNode, parentBone, 2, parentFrame);
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        const pugi::xml_node child = ElementView(next.node);
        if (!child) continue;
        if (next.depth > kMaxNodeDepth)
            throw ColladaError(
                DescribeElement(child) + " is nested deeper than " + std::to_string(kMaxNodeDepth) + " levels", child);
        CountNode(nodes, child);
        CBone* bone = BoneFor(model, skinBones, child, placed);
        bone->parent = next.parent;
        next.parent->children.Add(bone);
        pushChildren(child, bone, next.depth + 1, PlaceInDocumentFrame(child, *bone, next.frame));
    }
}

}  // namespace

void LoadColladaChildNodes(CModel& model, pugi::xml_node parentNode, CBone* parentBone) {
    PlacedBones placed;
    std::vector<const CBone*> pending(model.rootBones.begin(), model.rootBones.end());
    while (!pending.empty()) {
        const CBone* b = pending.back();
        pending.pop_back();
        if (!placed.insert(b).second) continue;
        for (const CBone* c : b->children) pending.push_back(c);
    }
    int nodes = 0;
    ReadChildNodes(model, CNameIndex<CBone>(model.bones, &CBone::name), parentNode, parentBone, placed, nodes);
}

void LoadColladaNodes(CModel& model, const ColladaSource& source) {
    // The skins' bones are complete by now; nodes only set their IDs.
    const CNameIndex<CBone> skinBones(model.bones, &CBone::name);
    PlacedBones placed;
    placed.reserve(static_cast<std::size_t>(model.bones.Count()));  // no rehashing on large skeletons
    int nodes = 0;
    for (pugi::xml_node node : SelectNodes(source.document, "COLLADA/library_visual_scenes/visual_scene/node")) {
        const pugi::xml_node element = ElementView(node);
        if (!element) continue;
        CountNode(nodes, element);
        CBone* bone = BoneFor(model, skinBones, element, placed);
        model.rootBones.Add(bone);
        // A visual scene's own frame is its nodes'.
        AssetFrame scene, document;
        const bool framed = OwnFrame(node.parent(), scene, document);
        ReadChildNodes(model, skinBones, element, bone, placed, nodes,
                       PlaceInDocumentFrame(element, *bone, framed ? std::optional<AssetFrame>(scene) : std::nullopt));
    }
}
