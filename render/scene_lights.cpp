#include "render/scene_lights.h"

#include "render/renderer.h"

namespace {
struct StartLight {
    float r, g, b, intensity;
    float x, y, z;
};
constexpr StartLight kStartLights[14] = {
    {1.0f, 0.8f, 0.6f, 1.0f, -3.5f, -10.8f, 2.5f},  {1.0f, 0.8f, 0.6f, 1.0f, -3.5f, -2.8f, 2.5f},
    {1.0f, 0.8f, 0.6f, 2.0f, 3.2f, 5.8f, 2.5f},     {1.0f, 0.8f, 0.6f, 1.0f, -7.0f, 20.0f, 1.5f},
    {1.0f, 0.8f, 0.6f, 1.0f, -7.0f, 3.0f, 1.5f},    {1.0f, 0.8f, 0.6f, 1.0f, 7.0f, 20.0f, 2.5f},
    {1.0f, 0.8f, 0.6f, 1.0f, 7.0f, 5.0f, 2.5f},     {1.0f, 0.8f, 0.6f, 1.0f, 7.0f, -14.0f, 2.5f},
    {1.0f, 0.8f, 0.6f, 1.0f, -7.0f, -14.0f, 2.5f},  {1.0f, 0.8f, 0.7f, 50.0f, 26.0f, 19.0f, 2.0f},
    {1.0f, 0.8f, 0.7f, 50.0f, 12.0f, -55.0f, 3.0f}, {1.0f, 0.8f, 0.7f, 50.0f, -15.0f, -47.0f, 3.0f},
    {1.0f, 0.8f, 0.7f, 50.0f, 26.0f, -30.0f, 4.0f}, {1.0f, 0.8f, 0.7f, 50.0f, -18.0f, -25.0f, 3.0f},
};
}  // namespace

void SetStartLights(CRenderer& renderer) {
    for (int i = 0; i < kLightCount; ++i) {
        renderer.LightColor[i] = {};
        renderer.LightPos[i] = {};
    }
    for (int i = 0; i < 14; ++i) {
        const StartLight& l = kStartLights[i];
        renderer.LightColor[i] = {l.r, l.g, l.b, l.intensity};
        renderer.LightPos[i] = {l.x, l.y, l.z, 0.0f};
    }
}
