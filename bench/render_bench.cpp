// Frame cost on the headless renderer (Mesa llvmpipe here): the main pass at
// 1536 x 1080 with the corpus figure, with and without the room, the
// composition, and the whole room frame pass by pass. Every iteration waits
// for the GPU (glFinish).
#ifdef VORLAND_HAVE_RENDER
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "settings/settings.h"
#include "collada/collada.h"
#include "render/frame.h"
#include "render/frame_passes.h"
#include "render/headless_context.h"
#include "render/render_model_gpu.h"
#include "render/renderer.h"
#include "render/room_lighting.h"
#include "render/scene_lights.h"

namespace {

struct Scene {
    CHeadlessContext context;
    CRenderer renderer;
    CModel models[3];
    std::unique_ptr<CRenderModelGpu> render[3];
    bool ok = false;
    std::string error;

    bool Load(CModel& model, const std::string& path) {
        CName ext;
        ext.SetAscii(".dae");
        const Outcome loaded = LoadCollada(model, path, ext);
        error = loaded.Why();
        return loaded.IsOk();
    }

    Scene() {
        if (const Status created = context.Create(); !created) {
            error = created.Why();
            return;
        }
        if (const Status initialized = renderer.Initialize(1920, 1080); !initialized) {
            error = initialized.Why();
            return;
        }
        const CSettings settings;
        renderer.RotationX = settings.RotationX;
        renderer.RotationZ = settings.RotationZ;
        renderer.At = {settings.AtX, settings.AtY, settings.AtZ};
        SetStartLights(renderer);
        if (!Load(models[0], VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae")) return;
        render[0] = std::make_unique<CRenderModelGpu>();
        (void)render[0]->Build(renderer, &models[0], true);
        // The room, when the bundled data is there; textures resolve against it.
        namespace fs = std::filesystem;
        std::error_code ec;
        const fs::path start = fs::current_path(ec);
        if (fs::current_path(VORLAND_SOURCE_DIR "/model/washitu", ec), !ec) {
            const char* files[2] = {"washitu2.dae", "washitu3.dae"};
            for (int i = 0; i < 2; ++i) {
                if (!Load(models[i + 1], files[i])) continue;
                render[i + 1] = std::make_unique<CRenderModelGpu>();
                (void)render[i + 1]->Build(renderer, &models[i + 1], true);
            }
            fs::current_path(start, ec);
        }
        ok = true;
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void MainPass(benchmark::State& state, bool withRoom) {
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    if (withRoom && !s.render[1]) {
        state.SkipWithError("no model/washitu room in the source tree");
        return;
    }
    s.renderer.SetViewport(1536, 1080);
    std::uint32_t counter = 0;
    for (auto _ : state) {
        s.render[0]->pose.frameCounter = counter += 3;
        s.renderer.UpdateFrameConstants(1536.0f / 1080.0f);
        RenderMainPass(s.renderer, s.render[0].get(), withRoom ? s.render[1].get() : nullptr,
                       withRoom ? s.render[2].get() : nullptr, 0);
        glFinish();
    }
}

void BM_MainPassFigure(benchmark::State& state) { MainPass(state, false); }
void BM_MainPassFigureInRoom(benchmark::State& state) { MainPass(state, true); }

void BM_Composition(benchmark::State& state) {
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    s.renderer.SetViewport(1536, 1080);
    const float clear[3] = {0.86f, 0.86f, 0.86f};
    for (auto _ : state) {
        RenderComposition(s.renderer, clear, false, 1536, 1080, CompositionInputs{});
        glFinish();
    }
}

// The whole frame as the viewer draws it after its first: the figure in the
// room, three lamps with their images and shafts, the sky. Counters are the
// process's CPU milliseconds per frame (all threads, the rasteriser's too) of
// each pass and of the frame.
void BM_RoomFrame(benchmark::State& state) {
    Scene& s = TheScene();
    if (!s.ok || !s.render[1]) {
        state.SkipWithError(s.ok ? "no model/washitu room in the source tree" : s.error.c_str());
        return;
    }
    static RoomLighting room;
    static const bool lit = CreateRoomLighting(s.renderer, room, SkyImages{VORLAND_SOURCE_DIR "/img"});
    if (!lit) {
        state.SkipWithError("the lamps cannot be set up");
        return;
    }
    AnimateRoomLights(0.03f, s.renderer, room.lampList);
    room.sky.Tick();
    CRenderModelGpu* const models[3] = {s.render[0].get(), s.render[1].get(), s.render[2].get()};
    FrameScene scene = RoomFrameScene(s.renderer, models, room, 1536, 1080, 1536.0f / 1080.0f);
    RenderFrame(scene);  // the cube maps, and the rasteriser's first look at every program

    PassTimes sum;
    std::uint32_t counter = 0;
    for (auto _ : state) {
        s.render[0]->pose.frameCounter = counter += 3;
        FrameTimings t;
        RenderFrame(scene, &t);
        sum.sky += t.cpu.sky;
        sum.mainPass += t.cpu.mainPass;
        sum.composition += t.cpu.composition;
        sum.total += t.cpu.total;
        for (int i = 0; i < 3; ++i) {
            sum.lightImages[i] += t.cpu.lightImages[i];
            sum.shafts[i] += t.cpu.shafts[i];
        }
    }
    const auto perFrame = [&](double ms) { return benchmark::Counter(ms / static_cast<double>(state.iterations())); };
    state.counters["cpu_sky"] = perFrame(sum.sky);
    state.counters["cpu_lamps"] = perFrame(sum.lightImages[0] + sum.lightImages[1] + sum.lightImages[2]);
    state.counters["cpu_main"] = perFrame(sum.mainPass);
    state.counters["cpu_shafts"] = perFrame(sum.shafts[0] + sum.shafts[1] + sum.shafts[2]);
    state.counters["cpu_compose"] = perFrame(sum.composition);
    state.counters["cpu_frame"] = perFrame(sum.total);
}

}  // namespace

BENCHMARK(BM_MainPassFigure)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MainPassFigureInRoom)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Composition)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RoomFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);
#endif  // VORLAND_HAVE_RENDER
