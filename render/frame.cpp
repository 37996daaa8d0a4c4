#include "render/frame.h"

#include <chrono>

#include "model/render_model.h"
#include "render/frame_passes.h"
#include "render/point_light.h"
#include "render/renderer.h"
#include "render/sky.h"
#include "render/volume_light.h"

namespace {

bool g_shadowMapsBuilt = false;

// Measures passes when the caller asked for timings.
class PassClock {
public:
    explicit PassClock(FrameTimings* timings) : on_(timings != nullptr) {
        if (on_) {
            glFinish();
            start_ = last_ = std::chrono::steady_clock::now();
        }
    }
    void Lap(double* slot) {
        if (!on_) return;
        glFinish();
        const auto now = std::chrono::steady_clock::now();
        *slot += std::chrono::duration<double, std::milli>(now - last_).count();
        last_ = now;
    }
    double Total() const {
        return std::chrono::duration<double, std::milli>(last_ - start_).count();
    }

private:
    bool on_;
    std::chrono::steady_clock::time_point start_, last_;
};

const float kZero[4] = {0, 0, 0, 0};

}  // namespace

void ResetShadowMapsBuilt() { g_shadowMapsBuilt = false; }
bool ShadowMapsBuilt() { return g_shadowMapsBuilt; }

bool RenderFrame(const FrameScene& scene, FrameTimings* timings) {
    CRenderer& renderer = *scene.renderer;
    FrameTimings discard;
    FrameTimings& t = timings ? *timings : discard;
    t = FrameTimings{};
    PassClock clock(timings);
    CRenderModel* model = scene.models[0];

    renderer.UpdateFrameConstants(scene.aspect);
    renderer.SetViewport(scene.screenWidth, scene.screenHeight);

    if (scene.lights && !g_shadowMapsBuilt) {
        g_shadowMapsBuilt = true;
        for (int i = 0; i < scene.lightCount; ++i) scene.lights[i]->RenderShadowMaps(&renderer, model);
        clock.Lap(&t.shadowMaps);
    }

    if (scene.sky) {
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.SceneColor().framebuffer);
        glClearNamedFramebufferfv(renderer.SceneColor().framebuffer, GL_COLOR, 0, kZero);
        scene.sky->Draw(renderer);
        clock.Lap(&t.sky);
    }

    for (int i = 0; i < scene.lightCount; ++i) {
        scene.lights[i]->RenderLightImage(renderer, model);
        clock.Lap(&t.lightImages[i < 3 ? i : 2]);
    }

    // Main pass. The room's flicker runs with the sky's scroll angle: the room
    // sees the sky's block at b3, not the last lamp's.
    RenderMainPass(renderer, model, scene.models[1], scene.models[2],
                   scene.sky ? scene.sky->ConstantBuffer() : 0);
    clock.Lap(&t.mainPass);

    if (scene.volumeLight) {
        for (int i = 0; i < 3 && i < scene.lightCount; ++i) {
            scene.volumeLight->Render(renderer, *scene.lights[i]);
            clock.Lap(&t.shafts[i]);
        }
    }

    float clear[3];
    for (int i = 0; i < 3; ++i)
        clear[i] = scene.fullScreen ? scene.fullScreenClear[i] / 255.0f : scene.background[i];
    CompositionInputs inputs;
    for (int i = 0; i < 3 && scene.lights && i < scene.lightCount; ++i) {
        inputs.lampImages[i] = scene.lights[i]->FinalImage().texture;
        inputs.shaftImages[i] = scene.lights[i]->LightShaftImage().texture;
    }
    RenderComposition(renderer, clear, scene.fullScreen, scene.screenWidth, scene.screenHeight, inputs);
    clock.Lap(&t.composition);
    t.total = clock.Total();
    return true;
}
