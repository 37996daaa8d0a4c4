// vorland-cli info FILE: one JSON object with the counts of a .dae, .mdl or .ani.
#include <chrono>
#include <cstdio>
#include <string>

#include "model/animation.h"
#include "model/model_bounds.h"
#include "tools/cli/json.h"
#include "tools/cli/model_file.h"
#include "tools/cli/verbs.h"

namespace {

void PrintInfo(const CModel& model, bool withBounds) {
    long long vertices = 0, corners = 0, channels = 0, keys = 0;
    for (const CGeometry* g : model.geometries) {
        vertices += g->vertexCount;
        for (const CPolygonData* p : g->polygonData) corners += p->vertexIndices.Count();
    }
    for (const CAnimation* a : model.animations) {
        channels += a->channels.Count();
        for (const CAnimationChannel* c : a->channels) keys += c->keyTimes.Count();
    }
    JsonObject json;
    json.String("name", model.name.ToUtf8());
    json.Int("geometries", model.geometries.Count());
    json.Int("vertices", vertices);
    json.Int("corners", corners);
    json.Int("materials", model.materials.Count());
    json.Int("textures", model.textures.Count());
    json.Int("bones", model.bones.Count());
    json.Int("root_bones", model.rootBones.Count());
    json.Int("animations", model.animations.Count());
    json.Int("channels", channels);
    json.Int("keys", keys);
    if (withBounds) {
        ModelBox box;
        if (ModelBounds(model, box)) {
            const double v[6] = {box.min[0], box.min[1], box.min[2], box.max[0], box.max[1], box.max[2]};
            json.Numbers("bounds", v, 6);
        } else {
            json.Null("bounds");
        }
    }
    std::printf("%s\n", json.Finish().c_str());
}

}  // namespace

int RunInfo(const InfoOptions& options) {
    const auto start = std::chrono::steady_clock::now();
    const std::unique_ptr<CModel> model = LoadModelFile(options.file);
    if (!model) return kExitFailed;
    if (options.timing)
        std::fprintf(stderr, "import: %.3f ms\n",
                     std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    PrintInfo(*model, KindOfFileName(options.file) != ModelFileKind::Animation);
    return kExitOk;
}
