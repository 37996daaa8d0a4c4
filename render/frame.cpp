#include "render/frame.h"

#include <algorithm>

#include "platform/stage_timer.h"
#include "render/pass_time.h"
#include "render/render_model_gpu.h"
#include "render/frame_passes.h"
#include "render/point_light.h"
#include "render/renderer.h"
#include "render/sky.h"
#include "render/volume_light.h"

namespace {

const float kZero[4] = {0, 0, 0, 0};

}  // namespace

bool ResizeFrameTargets(const FrameScene& scene, int width, int height) {
    if (!scene.renderer || !scene.renderer->ResizeTargets(width, height)) return false;
    if (scene.volumeLight) scene.volumeLight->Resize(*scene.renderer);
    return true;
}

bool RenderFrame(const FrameScene& scene, FrameTimings* timings) {
    const stage_timer::Span span("frame (all passes)");
    if (!scene.renderer || !scene.renderer->IsInitialized()) return false;
    CRenderer& renderer = *scene.renderer;
    PassClock<FrameTimings> clock(timings);
    CRenderModelGpu* model = scene.models[0];
    const int lightCount = scene.lights ? scene.lightCount : 0;

    // The viewport lies inside the targets, however they were sized.
    const int width = std::min(scene.screenWidth, renderer.RenderWidth);
    const int height = std::min(scene.screenHeight, renderer.RenderHeight);
    renderer.UpdateFrameConstants(scene.aspect);
    renderer.SetViewport(width, height);

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

    // The composition reads the first three lamps.
    const int shadowLamps = std::min(lightCount, 3);
    if (shadowLamps > 0) {
        float empty = scene.lights[0]->EmptyShadow();
        for (int i = 1; i < shadowLamps; ++i) empty = std::min(empty, scene.lights[i]->EmptyShadow());
        const float clearShadow[4] = {empty, 0.0f, 0.0f, 1.0f};
        glClearNamedFramebufferfv(renderer.LampShadow().framebuffer, GL_COLOR, 0, clearShadow);
    }
    for (int i = 0; i < shadowLamps; ++i) {
        scene.lights[i]->RenderLightImage(renderer, model, i > 0);
        clock.Lap(&PassTimes::lightImages, i);
    }

    // Main pass. The room's flicker runs with the sky's scroll angle: the room
    // sees the sky's block at b3, not the last lamp's.
    RenderMainPass(renderer, model, scene.models[1], scene.models[2], scene.sky ? scene.sky->ConstantBuffer() : 0);
    clock.Lap(&PassTimes::mainPass);

    const int shaftLamps = scene.volumeLight ? std::min(lightCount, 3) : 0;
    for (int i = 0; i < shaftLamps; ++i) {
        scene.volumeLight->Render(renderer, *scene.lights[i], i > 0);
        clock.Lap(&PassTimes::shafts, i);
    }

    float clear[3];
    for (int i = 0; i < 3; ++i) clear[i] = scene.fullScreen ? scene.fullScreenClear[i] / 255.0f : scene.background[i];
    CompositionInputs inputs;
    // With fewer than three lamps the frame stays unshadowed, as it did when
    // each of three lamp slots had an image of its own and an empty slot,
    // read as black, was the brightest.
    if (lightCount >= 3) inputs.lampShadow = renderer.LampShadow().texture;
    if (shaftLamps > 0) {
        inputs.shafts = scene.volumeLight->ReducedImage().texture;
        inputs.shaftConstants = scene.volumeLight->ConstantBuffer();
    }
    RenderComposition(renderer, clear, scene.fullScreen, width, height, inputs);
    clock.Lap(&PassTimes::composition);
    return true;
}
