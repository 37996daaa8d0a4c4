// The node graph becomes the bone tree: every node of the scene is a bone,
// placed under its parent, the scene's root nodes are the root bones. Skin
// joints and animated nodes also enter the flat bone list, which weights
// and channels refer to. Each bone's inverse bind matrix is the inverse of
// its rest-pose global transform, the bind pose the pose evaluation
// composes against.
#include <memory>
#include <string>
#include <vector>

#include "gltf/sections.h"
#include "gltf/transforms.h"
#include "math/up_axis.h"

namespace {

// Skeletons are a few dozen levels deep; the .mdl writer indents each level.
constexpr int kMaxNodeDepth = 1000;

Matrix4 NodeMatrix(const tinygltf::Node& node) {
    if (node.matrix.size() == 16) {
        float f[16];
        for (int i = 0; i < 16; ++i) f[i] = static_cast<float>(node.matrix[static_cast<std::size_t>(i)]);
        return Matrix4::FromFloats(f);  // column-major column vectors = row-major row vectors
    }
    Vec3 t{0, 0, 0}, s{1, 1, 1};
    Quat r{0, 0, 0, 1};
    if (node.translation.size() == 3)
        for (std::size_t i = 0; i < 3; ++i) t[i] = static_cast<float>(node.translation[i]);
    if (node.scale.size() == 3)
        for (std::size_t i = 0; i < 3; ++i) s[i] = static_cast<float>(node.scale[i]);
    if (node.rotation.size() == 4) {
        for (std::size_t i = 0; i < 4; ++i) r[i] = static_cast<float>(node.rotation[i]);
        r = Normalized(r);
    }
    return ComposeTrs(t, r, s);
}

// The default scene, else the first.
std::size_t SceneIndex(const tinygltf::Model& doc) {
    return doc.defaultScene >= 0 && static_cast<std::size_t>(doc.defaultScene) < doc.scenes.size()
               ? static_cast<std::size_t>(doc.defaultScene)
               : 0;
}

bool ValidNode(const GltfImport& in, int n) { return n >= 0 && static_cast<std::size_t>(n) < in.doc.nodes.size(); }

// The scene's root nodes: the default scene's (or the first scene's) list,
// else every node without a parent.
std::vector<int> SceneRoots(const GltfImport& in) {
    const tinygltf::Model& doc = in.doc;
    std::vector<int> roots;
    if (!doc.scenes.empty()) {
        const std::size_t s = SceneIndex(doc);
        for (int n : doc.scenes[s].nodes) {
            if (!ValidNode(in, n))
                throw GltfError("scene " + std::to_string(s) + " names node " + std::to_string(n) +
                                ", which does not exist");
            if (in.parent[static_cast<std::size_t>(n)] < 0) roots.push_back(n);
        }
        return roots;
    }
    for (std::size_t n = 0; n < doc.nodes.size(); ++n)
        if (in.parent[n] < 0) roots.push_back(static_cast<int>(n));
    return roots;
}

// How many animations move each node: a translation, rotation or scale
// channel with keys (a channel without keys is left out of the animation).
std::vector<int> AnimationsMoving(const GltfImport& in) {
    const tinygltf::Model& doc = in.doc;
    std::vector<int> count(doc.nodes.size(), 0), lastAnimation(doc.nodes.size(), -1);
    for (std::size_t a = 0; a < doc.animations.size(); ++a)
        for (const tinygltf::AnimationChannel& ch : doc.animations[a].channels) {
            const auto& samplers = doc.animations[a].samplers;
            if (!ValidNode(in, ch.target_node) || ch.sampler < 0 ||
                static_cast<std::size_t>(ch.sampler) >= samplers.size())
                continue;
            if (ch.target_path != "translation" && ch.target_path != "rotation" && ch.target_path != "scale") continue;
            const int input = samplers[static_cast<std::size_t>(ch.sampler)].input;
            if (input < 0 || static_cast<std::size_t>(input) >= doc.accessors.size() ||
                doc.accessors[static_cast<std::size_t>(input)].count == 0)
                continue;
            const std::size_t u = static_cast<std::size_t>(ch.target_node);
            if (lastAnimation[u] != static_cast<int>(a)) ++count[u], lastAnimation[u] = static_cast<int>(a);
        }
    return count;
}

}  // namespace

void LoadGltfNodes(GltfImport& in) {
    const tinygltf::Model& doc = in.doc;
    const std::size_t count = doc.nodes.size();
    in.parent.assign(count, -1);
    in.local.assign(count, Matrix4());
    in.global.assign(count, Matrix4());
    in.bone.assign(count, nullptr);
    in.flatIndex.assign(count, -1);
    in.moves.assign(count, 0);

    for (std::size_t n = 0; n < count; ++n) {
        for (int c : doc.nodes[n].children) {
            if (!ValidNode(in, c))
                throw GltfError("node " + std::to_string(n) + " has child " + std::to_string(c) +
                                ", which does not exist");
            if (in.parent[static_cast<std::size_t>(c)] >= 0 || static_cast<std::size_t>(c) == n)
                throw GltfError("node " + std::to_string(c) +
                                " has more than one parent or is its own ancestor (the node graph is not a tree)");
            in.parent[static_cast<std::size_t>(c)] = static_cast<int>(n);
        }
        in.local[n] = ToZUp(NodeMatrix(doc.nodes[n]), UpAxis::Y);
    }

    // Depth-first from the roots, parents before children; a node reached
    // from no root sits in a cycle.
    const std::vector<int> roots = SceneRoots(in);
    std::vector<std::pair<int, int>> stack;  // node, depth
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({*it, 1});
    std::vector<char> seen(count, 0);
    std::set<std::string> names;
    while (!stack.empty()) {
        const auto [n, depth] = stack.back();
        stack.pop_back();
        const std::size_t u = static_cast<std::size_t>(n);
        if (seen[u]) continue;
        seen[u] = 1;
        if (depth > kMaxNodeDepth)
            throw GltfError("node " + std::to_string(n) + " is nested deeper than " + std::to_string(kMaxNodeDepth) +
                            " levels");
        const int p = in.parent[u];
        in.global[u] = p >= 0 ? MultiplyMatrix(in.local[u], in.global[static_cast<std::size_t>(p)]) : in.local[u];
        in.order.push_back(n);
        const auto& children = doc.nodes[u].children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, depth + 1});
    }
    for (std::size_t n = 0; n < count; ++n) {
        if (seen[n] || in.parent[n] < 0) continue;
        int up = in.parent[n];
        for (std::size_t steps = 0; up >= 0 && steps <= count; ++steps) up = in.parent[static_cast<std::size_t>(up)];
        if (up >= 0) throw GltfError("node " + std::to_string(n) + " is its own ancestor (the node graph has a cycle)");
    }

    // The pose evaluation leaves a root bone's local transform at the identity
    // until a channel moves it. A root node no animation moves therefore
    // stands at the identity (its transform reaches the nodes below through
    // their inverse bind matrices); one every animation moves keeps its own.
    // Only a root moved by some animations and not by others needs a root
    // at rest above it: then the scene becomes that one root bone.
    const std::vector<int> moving = AnimationsMoving(in);
    bool sceneRoot = false;
    for (int n : in.order) {
        const std::size_t u = static_cast<std::size_t>(n);
        const int p = in.parent[u];
        if (p < 0 && moving[u] > 0 && static_cast<std::size_t>(moving[u]) < doc.animations.size()) sceneRoot = true;
        in.moves[u] = moving[u] > 0 || (p >= 0 && in.moves[static_cast<std::size_t>(p)]);
    }
    CBone* sceneBone = nullptr;
    if (sceneRoot) {
        sceneBone = in.model.NewBone();
        sceneBone->boneType = BoneType::Node;
        in.model.rootBones.Add(sceneBone);
    }

    // A bone per scene node.
    for (int n : in.order) {
        const std::size_t u = static_cast<std::size_t>(n);
        CBone* bone = in.model.NewBone();
        const std::string& name = doc.nodes[u].name;
        const std::string unique = UniqueName(names, name.empty() ? "node" + std::to_string(n) : name);
        SetUtf8Name(bone->id, unique);
        SetUtf8Name(bone->name, unique);
        const int p = in.parent[u];
        if (p >= 0 || sceneBone || moving[u] > 0) {
            StoreModelMatrix(in.local[u], bone->jointMatrix);
            StoreModelMatrix(InverseMatrix(in.global[u]), bone->invBindMatrix);
        }
        bone->boneType = BoneType::Node;
        in.bone[u] = bone;
        bone->parent = p >= 0 ? in.bone[static_cast<std::size_t>(p)] : sceneBone;
        if (bone->parent) bone->parent->children.Add(bone);
        else in.model.rootBones.Add(bone);
    }
    if (sceneBone) {
        const std::size_t s = SceneIndex(doc);
        const std::string sceneName =
            UniqueName(names, s < doc.scenes.size() && !doc.scenes[s].name.empty() ? doc.scenes[s].name : "scene");
        SetUtf8Name(sceneBone->id, sceneName);
        SetUtf8Name(sceneBone->name, sceneName);
    }

    // The flat list: joints in skin order, then nodes that animations move.
    auto list = [&](int n) {
        if (!ValidNode(in, n)) return;
        const std::size_t u = static_cast<std::size_t>(n);
        if (!in.bone[u] || in.flatIndex[u] >= 0) return;
        in.flatIndex[u] = in.model.bones.Count();
        in.model.bones.Add(in.bone[u]);
    };
    for (const tinygltf::Skin& skin : doc.skins)
        for (int j : skin.joints) {
            if (!ValidNode(in, j))
                throw GltfError("a skin names joint node " + std::to_string(j) + ", which does not exist");
            if (!in.bone[static_cast<std::size_t>(j)])
                throw GltfError("joint node " + std::to_string(j) + " is not part of the scene");
            in.bone[static_cast<std::size_t>(j)]->boneType = BoneType::Joint;
            list(j);
        }
    for (const tinygltf::Animation& animation : doc.animations)
        for (const tinygltf::AnimationChannel& channel : animation.channels)
            if (channel.target_path != "weights") list(channel.target_node);
}
