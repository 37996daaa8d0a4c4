#include "render/frame.h"

#include <chrono>
#include <ctime>

#include "model/render_model.h"
#include "platform/stage_timer.h"
#include "render/frame_passes.h"
#include "render/point_light.h"
#include "render/renderer.h"
#include "render/sky.h"
#include "render/volume_light.h"

namespace {

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1.0e6;
}

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Measures passes when the caller asked for timings.
class PassClock {
public:
    explicit PassClock(FrameTimings* timings) : timings_(timings) {
        if (!timings_) return;
        *timings_ = FrameTimings{};
        glFinish();
        wallStart_ = wallLast_ = WallMs();
        cpuStart_ = cpuLast_ = CpuMs();
    }
    // Adds the time since the last lap to the pass `slot` picks.
    void Lap(double PassTimes::*slot) { Lap([slot](PassTimes& p) -> double& { return p.*slot; }); }
    void Lap(double (PassTimes::*slot)[3], int i) {
        Lap([slot, i](PassTimes& p) -> double& { return (p.*slot)[i]; });
    }
    void Finish() {
        if (!timings_) return;
        timings_->wall.total = wallLast_ - wallStart_;
        timings_->cpu.total = cpuLast_ - cpuStart_;
    }

private:
    template <class Pick>
    void Lap(Pick pick) {
        if (!timings_) return;
        glFinish();
        const double wall = WallMs(), cpu = CpuMs();
        pick(timings_->wall) += wall - wallLast_;
        pick(timings_->cpu) += cpu - cpuLast_;
        wallLast_ = wall;
        cpuLast_ = cpu;
    }

    FrameTimings* timings_;
    double wallStart_ = 0, wallLast_ = 0, cpuStart_ = 0, cpuLast_ = 0;
};

const float kZero[4] = {0, 0, 0, 0};

}  // namespace

bool RenderFrame(const FrameScene& scene, FrameTimings* timings) {
    const stage_timer::Span span("frame (all passes)");
    if (!scene.renderer || !scene.renderer->IsInitialized()) return false;
    CRenderer& renderer = *scene.renderer;
    PassClock clock(timings);
    CRenderModel* model = scene.models[0];
    const int lightCount = scene.lights ? scene.lightCount : 0;

    renderer.UpdateFrameConstants(scene.aspect);
    renderer.SetViewport(scene.screenWidth, scene.screenHeight);

    if (scene.lights && !(scene.shadowMapsBuilt && *scene.shadowMapsBuilt)) {
        if (scene.shadowMapsBuilt) *scene.shadowMapsBuilt = true;
        const stage_timer::Span shadows("frame: shadow maps");
        for (int i = 0; i < lightCount; ++i) scene.lights[i]->RenderShadowMaps(&renderer, model);
        clock.Lap(&PassTimes::shadowMaps);
    }

    if (scene.sky) {
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.SceneColor().framebuffer);
        glClearNamedFramebufferfv(renderer.SceneColor().framebuffer, GL_COLOR, 0, kZero);
        scene.sky->Draw(renderer);
        clock.Lap(&PassTimes::sky);
    }

    for (int i = 0; i < lightCount; ++i) {
        scene.lights[i]->RenderLightImage(renderer, model);
        clock.Lap(&PassTimes::lightImages, i < 3 ? i : 2);
    }

    // Main pass. The room's flicker runs with the sky's scroll angle: the room
    // sees the sky's block at b3, not the last lamp's.
    RenderMainPass(renderer, model, scene.models[1], scene.models[2],
                   scene.sky ? scene.sky->ConstantBuffer() : 0);
    clock.Lap(&PassTimes::mainPass);

    if (scene.volumeLight) {
        for (int i = 0; i < 3 && i < lightCount; ++i) {
            scene.volumeLight->Render(renderer, *scene.lights[i]);
            clock.Lap(&PassTimes::shafts, i);
        }
    }

    float clear[3];
    for (int i = 0; i < 3; ++i)
        clear[i] = scene.fullScreen ? scene.fullScreenClear[i] / 255.0f : scene.background[i];
    CompositionInputs inputs;
    for (int i = 0; i < 3 && i < lightCount; ++i) {
        inputs.lampImages[i] = scene.lights[i]->FinalImage().texture;
        inputs.shaftImages[i] = scene.lights[i]->LightShaftImage().texture;
    }
    RenderComposition(renderer, clear, scene.fullScreen, scene.screenWidth, scene.screenHeight, inputs);
    clock.Lap(&PassTimes::composition);
    clock.Finish();
    return true;
}
