// Frame cost on the headless renderer (Mesa llvmpipe here): the main pass at
// 1536 x 1080 with the corpus figure, with and without the room, the
// composition, the whole room frame pass by pass, and the inspection frame. Every iteration waits
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
#include "model/posed_bounds.h"
#include "render/camera_fit.h"
#include "render/headless_context.h"
#include "render/render_model_gpu.h"
#include "render/inspect_frame.h"
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

// The inspection view of the figure at 1280 x 720 as the viewer would draw
// it: gradient, figure, grid; with arg 1 also its edges and bones. Counters
// are the process's CPU milliseconds per frame, as for BM_RoomFrame.
void BM_InspectFrame(benchmark::State& state) {
    Scene& s = TheScene();
    if (!s.ok) {
        state.SkipWithError(s.error.c_str());
        return;
    }
    static CInspectPasses passes;
    if (!passes.IsCreated() && !passes.Create()) {
        state.SkipWithError("the inspection passes cannot be set up");
        return;
    }
    InspectFrame frame;
    frame.renderer = &s.renderer;
    frame.passes = &passes;
    frame.model = s.render[0].get();
    frame.options.wireframe = frame.options.bones = state.range(0) != 0;
    frame.screenWidth = 1280;
    frame.screenHeight = 720;
    frame.aspect = 1280.0f / 720.0f;
    frame.model->pose.UpdatePose();
    frame.ground = PosedBounds(s.models[0], frame.model->pose);
    // The other cases keep the viewer's default camera.
    const float rx = s.renderer.RotationX, rz = s.renderer.RotationZ, distance = s.renderer.Distance;
    const Vector3 at = s.renderer.At, lightTarget = s.renderer.LightTarget;
    SetFrontView(s.renderer);
    FitCameraToBox(s.renderer, frame.ground, frame.aspect);
    RenderInspectFrame(frame);  // the rasteriser's first look at every program

    InspectPassTimes sum;
    std::uint32_t counter = 0;
    for (auto _ : state) {
        frame.model->pose.frameCounter = counter += 3;
        InspectTimings t;
        RenderInspectFrame(frame, &t);
        sum.background += t.cpu.background;
        sum.model += t.cpu.model;
        sum.grid += t.cpu.grid;
        sum.overlays += t.cpu.overlays;
        sum.total += t.cpu.total;
    }
    const auto perFrame = [&](double ms) { return benchmark::Counter(ms / static_cast<double>(state.iterations())); };
    state.counters["cpu_background"] = perFrame(sum.background);
    state.counters["cpu_model"] = perFrame(sum.model);
    state.counters["cpu_grid"] = perFrame(sum.grid);
    state.counters["cpu_overlays"] = perFrame(sum.overlays);
    state.counters["cpu_frame"] = perFrame(sum.total);
    s.renderer.RotationX = rx, s.renderer.RotationZ = rz, s.renderer.Distance = distance;
    s.renderer.At = at, s.renderer.LightTarget = lightTarget;
}

}  // namespace

BENCHMARK(BM_MainPassFigure)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MainPassFigureInRoom)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Composition)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RoomFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);
BENCHMARK(BM_InspectFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
#endif  // VORLAND_HAVE_RENDER
