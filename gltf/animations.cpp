// Animations: each glTF animation becomes one animation of the model with a
// channel per moved node. A node's translation, rotation and scale samplers
// are evaluated (step, linear with spherical rotation, cubic Hermite
// splines) at the union of their key times and composed into one local
// matrix per key, which the pose evaluation then blends linearly.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gltf/accessors.h"
#include "gltf/sections.h"
#include "gltf/transforms.h"
#include "math/up_axis.h"
#include "model/animation.h"

namespace {

enum class Interpolation { Step, Linear, Cubic };

struct Track {
    std::vector<float> times;
    std::vector<float> values;  // width per key; three per key for cubic splines (in, value, out)
    int width = 0;
    Interpolation mode = Interpolation::Linear;
};

Track ReadTrack(GltfImport& in, const tinygltf::Animation& a, const tinygltf::AnimationChannel& ch, int width) {
    if (ch.sampler < 0 || static_cast<std::size_t>(ch.sampler) >= a.samplers.size())
        throw GltfError("an animation channel names sampler " + std::to_string(ch.sampler) + ", which does not exist");
    const tinygltf::AnimationSampler& s = a.samplers[static_cast<std::size_t>(ch.sampler)];
    Track t;
    t.width = width;
    t.mode = s.interpolation == "STEP"          ? Interpolation::Step
             : s.interpolation == "CUBICSPLINE" ? Interpolation::Cubic
                                                : Interpolation::Linear;
    t.times = ReadAccessorFloats(in, s.input, 1, "key times");
    t.values = ReadAccessorFloats(in, s.output, width, "key values");
    const std::size_t perKey = static_cast<std::size_t>(width) * (t.mode == Interpolation::Cubic ? 3 : 1);
    if (t.values.size() != t.times.size() * perKey)
        throw GltfError("an animation sampler has " +
                        std::to_string(t.values.size() / static_cast<std::size_t>(width)) + " values for " +
                        std::to_string(t.times.size()) + " key times");
    for (std::size_t k = 1; k < t.times.size(); ++k)
        if (!(t.times[k] >= t.times[k - 1])) throw GltfError("an animation sampler's key times do not increase");
    return t;
}

// The track's value at `time`: the first or last key outside the keys.
std::vector<float> Evaluate(const Track& t, float time) {
    const std::size_t w = static_cast<std::size_t>(t.width);
    const bool cubic = t.mode == Interpolation::Cubic;
    const auto value = [&](std::size_t k) { return t.values.begin() + static_cast<long>((cubic ? 3 * k + 1 : k) * w); };
    const std::size_t n = t.times.size();
    const std::size_t next =
        static_cast<std::size_t>(std::upper_bound(t.times.begin(), t.times.end(), time) - t.times.begin());
    if (next == 0) return {value(0), value(0) + static_cast<long>(w)};
    if (next >= n) return {value(n - 1), value(n - 1) + static_cast<long>(w)};
    const std::size_t k = next - 1;
    const float span = t.times[next] - t.times[k];
    const float s = span > 0.0f ? (time - t.times[k]) / span : 0.0f;
    std::vector<float> out(value(k), value(k) + static_cast<long>(w));
    if (t.mode == Interpolation::Step) return out;
    if (cubic) {
        const float s2 = s * s, s3 = s2 * s;
        const float* v0 = &*value(k);
        const float* b0 = v0 + w;                          // out-tangent of key k
        const float* a1 = t.values.data() + 3 * next * w;  // in-tangent of key k+1
        const float* v1 = a1 + w;
        for (std::size_t c = 0; c < w; ++c)
            out[c] = (2 * s3 - 3 * s2 + 1) * v0[c] + (s3 - 2 * s2 + s) * span * b0[c] + (-2 * s3 + 3 * s2) * v1[c] +
                     (s3 - s2) * span * a1[c];
        if (w == 4) {
            const Quat q = Normalized({out[0], out[1], out[2], out[3]});
            out.assign(q.begin(), q.end());
        }
        return out;
    }
    const auto v1 = value(next);
    if (w == 4) {
        const Quat q = Slerp({out[0], out[1], out[2], out[3]}, {v1[0], v1[1], v1[2], v1[3]}, s);
        return {q.begin(), q.end()};
    }
    for (std::size_t c = 0; c < w; ++c) out[c] += (v1[static_cast<long>(c)] - out[c]) * s;
    return out;
}

struct NodeTracks {
    const Track* translation = nullptr;
    const Track* rotation = nullptr;
    const Track* scale = nullptr;
};

void ReadAnimation(GltfImport& in, const tinygltf::Animation& a, const std::string& id) {
    std::vector<std::unique_ptr<Track>> tracks;
    std::map<int, NodeTracks> nodes;  // by node index; the first channel's node first is not needed
    std::vector<int> nodeOrder;
    for (const tinygltf::AnimationChannel& ch : a.channels) {
        if (ch.target_path == "weights") {
            in.Note("morph target animations were left out");
            continue;
        }
        const int width = ch.target_path == "rotation" ? 4 : 3;
        if (ch.target_path != "translation" && ch.target_path != "rotation" && ch.target_path != "scale") {
            in.Note("animation channels of unknown paths were left out");
            continue;
        }
        if (ch.target_node < 0 || static_cast<std::size_t>(ch.target_node) >= in.doc.nodes.size() ||
            !in.bone[static_cast<std::size_t>(ch.target_node)]) {
            in.Note("animation channels of nodes outside the scene were left out");
            continue;
        }
        tracks.push_back(std::make_unique<Track>(ReadTrack(in, a, ch, width)));
        if (tracks.back()->times.empty()) continue;
        if (!nodes.count(ch.target_node)) nodeOrder.push_back(ch.target_node);
        NodeTracks& nt = nodes[ch.target_node];
        (width == 4 ? nt.rotation : ch.target_path == "scale" ? nt.scale : nt.translation) = tracks.back().get();
    }

    auto animation = std::make_unique<CAnimation>();
    SetUtf8Name(animation->id, id);
    for (int node : nodeOrder) {
        const NodeTracks& nt = nodes[node];
        const tinygltf::Node& n = in.doc.nodes[static_cast<std::size_t>(node)];
        if (n.matrix.size() == 16) in.Note("animated nodes given by a matrix move from the identity");
        Vec3 t0{0, 0, 0}, s0{1, 1, 1};
        Quat r0{0, 0, 0, 1};
        for (std::size_t i = 0; i < 3 && n.translation.size() == 3; ++i) t0[i] = static_cast<float>(n.translation[i]);
        for (std::size_t i = 0; i < 3 && n.scale.size() == 3; ++i) s0[i] = static_cast<float>(n.scale[i]);
        for (std::size_t i = 0; i < 4 && n.rotation.size() == 4; ++i) r0[i] = static_cast<float>(n.rotation[i]);

        std::vector<float> times;
        for (const Track* t : {nt.translation, nt.rotation, nt.scale})
            if (t) times.insert(times.end(), t->times.begin(), t->times.end());
        std::sort(times.begin(), times.end());
        times.erase(std::unique(times.begin(), times.end()), times.end());

        auto channel = std::make_unique<CAnimationChannel>();
        CBone* bone = in.bone[static_cast<std::size_t>(node)];
        channel->targetId = bone->id;
        channel->bone = bone;
        channel->keyTimes.Reserve(times.size() + 1);
        channel->poseMatrices.Reserve(times.size() + 1);
        for (float time : times) {
            Vec3 tr = t0, sc = s0;
            Quat ro = Normalized(r0);
            if (nt.translation) std::copy_n(Evaluate(*nt.translation, time).begin(), 3, tr.begin());
            if (nt.scale) std::copy_n(Evaluate(*nt.scale, time).begin(), 3, sc.begin());
            if (nt.rotation) std::copy_n(Evaluate(*nt.rotation, time).begin(), 4, ro.begin());
            CMatrixValue m;
            StoreModelMatrix(ToZUp(ComposeTrs(tr, ro, sc), UpAxis::Y), m.m);
            channel->keyTimes.Add(time);
            channel->poseMatrices.Add(m);
        }
        animation->channels.Add(std::move(channel));
    }
    in.model.animations.Add(std::move(animation));
}

}  // namespace

void LoadGltfAnimations(GltfImport& in) {
    std::set<std::string> ids;
    for (std::size_t i = 0; i < in.doc.animations.size(); ++i) {
        const tinygltf::Animation& a = in.doc.animations[i];
        ReadAnimation(in, a, UniqueName(ids, a.name.empty() ? "animation" + std::to_string(i) : a.name));
    }
}
