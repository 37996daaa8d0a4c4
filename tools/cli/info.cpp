// vorland-cli info FILE: one JSON object with the counts of a .dae, .mdl or .ani.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "collada/collada.h"
#include "model/ani_file.h"
#include "model/animation.h"
#include "model/mdl_file.h"
#include "model/model_bounds.h"
#include "platform/file_io.h"
#include "tools/cli/json.h"
#include "tools/cli/verbs.h"

namespace {

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string LowerExtension(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

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

int RunInfo(const Args& args) {
    // --timing: how long reading the file into the model took, on stderr.
    const bool timing = args.size() == 2 && args[1] == "--timing";
    if (args.size() != 1 && !timing) {
        std::fputs("usage: vorland-cli info FILE [--timing]\n", stderr);
        return 2;
    }
    const std::string& path = args[0];
    const std::string ext = LowerExtension(path);
    const auto start = std::chrono::steady_clock::now();
    CModel model;
    if (ext == ".dae") {
        CName daeExt;
        daeExt.SetAscii(EndsWith(path, ".dae") ? ".dae" : path.substr(path.size() - 4));
        std::string error;
        std::vector<std::string> notes;
        if (!LoadCollada(model, path, daeExt, &error, &notes)) {
            std::fprintf(stderr, "vorland-cli: %s\n", error.c_str());
            return 1;
        }
        for (const std::string& note : notes) std::fprintf(stderr, "vorland-cli: note: %s\n", note.c_str());
    } else if (ext == ".ani") {
        const auto bytes = ReadWholeFile(path);
        if (!bytes) {
            std::fprintf(stderr, "vorland-cli: cannot read %s\n", path.c_str());
            return 1;
        }
        ParseAnimation(model, *bytes, /*checkTarget=*/false);
    } else {
        // Anything else is read as a .mdl, whose reader takes any path.
        if (!ReadModel(model, path)) {
            std::fprintf(stderr, "vorland-cli: cannot read %s\n", path.c_str());
            return 1;
        }
    }
    if (timing)
        std::fprintf(stderr, "import: %.3f ms\n",
                     std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    PrintInfo(model, ext != ".ani");
    return 0;
}
