// The room as far as the renderer supports it: the light table, the main pass
// and the composition. Lamps, sky and light shafts join when they exist.
#include "app/display_scene.h"

#include <cmath>

#include "model/render_model.h"
#include "render/frame_passes.h"
#include "render/scene_lights.h"

void CreateDisplayLighting(CRenderer& renderer, CDisplayLighting& lighting, const DisplaySkyImages& images,
                           std::string* problems) {
    (void)images;
    (void)problems;
    lighting.lightCount = 3;
    SetStartLights(renderer);
}

void TickDisplaySky(CDisplayLighting& lighting) { (void)lighting; }

void AnimateDisplayLights(float angle, CRenderer& renderer, CDisplayLighting& lighting) {
    (void)lighting;
    const double a = angle;
    const double lampPhase[3] = {2.36, 5.24, 4.58};
    for (int i = 0; i < 3; ++i) {
        const float intensity = static_cast<float>(std::sin(a + lampPhase[i]) * 0.03f + 0.3f);
        renderer.LightColor[i] = {0.9f, 0.6f, 0.4f, intensity};
    }
    const double roomPhase[6] = {0.24, 3.89, 5.36, 7.47, 2.38, 5.79};
    for (int i = 0; i < 6; ++i)
        renderer.LightColor[3 + i] = {0.9f, 0.6f, 0.4f, static_cast<float>(std::sin(a + roomPhase[i]) * 0.5f + 0.8f)};
    const double outerPhase[5] = {1.35, 3.24, 5.87, 1.34, 6.46};
    for (int i = 0; i < 5; ++i)
        renderer.LightColor[9 + i] = {1.0f, 0.8f, 0.7f, static_cast<float>(std::sin(a + outerPhase[i]) * 10 + 50)};
}

void ClearDisplayShadowFlags(CDisplayLighting& lighting) { (void)lighting; }

void ReleaseDisplayLighting(CDisplayLighting& lighting) { (void)lighting; }

void RenderDisplayFrame(const DisplayFrame& f) {
    CRenderer& renderer = *f.renderer;
    renderer.UpdateFrameConstants(f.aspect);
    renderer.SetViewport(f.renderWidth, f.renderHeight);
    RenderMainPass(renderer, f.models[0], f.models[1], f.models[2], 0);
    float clear[3];
    for (int i = 0; i < 3; ++i) clear[i] = f.fullScreen ? f.fullScreenClear[i] / 255.0f : f.background[i];
    RenderComposition(renderer, clear, f.fullScreen, f.renderWidth, f.renderHeight, CompositionInputs{});
}
