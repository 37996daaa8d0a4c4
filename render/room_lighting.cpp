#include "render/room_lighting.h"

#include <cmath>
#include <memory>

#include "platform/stage_timer.h"
#include "render/light_data.h"
#include "render/scene_lights.h"

void RoomLighting::Release() {
    for (CPointLight& lamp : lamps) lamp.Release();
    sky.Release();
    volumeLight.Release();
}

bool CreateRoomLighting(CRenderer& renderer, RoomLighting& room, const SkyImages& images) {
    return CreateRoomLighting(renderer, room, DecodeSkyPictures(images));
}

bool CreateRoomLighting(CRenderer& renderer, RoomLighting& room, const SkyPictures& pictures) {
    const stage_timer::Span span("lamps, sky, light shafts");
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        CPointLight& lamp = room.lamps[i];
        lamp.Position = {kRoomLamps[i].x, kRoomLamps[i].y, 2.0f, 1.0f};
        lamp.ShadowMapSize = 256;
        lamp.ColorWeight = 0.5f;
        ok = lamp.Create(&renderer) && ok;
        lamp.ShadowParam[0] = 2.5f;
        lamp.ShadowParam[1] = 1.5f;
        lamp.Color = {1.0f, 0.8f, 0.7f, 0.5f};
    }
    SetStartLights(renderer);

    CSky& sky = room.sky;
    sky.Size1 = 60.0f;
    sky.Size2 = 60.0f;
    {
        const stage_timer::Span skySpan("sky");
        sky.Create(renderer, pictures);
    }
    sky.MoonPos = {-100.0f, -1000.0f, 120.0f, 0.0f};
    sky.SunPos = {100.0f, 1000.0f, -100.0f, 0.0f};
    sky.TimeOfDay = 69600;
    sky.ParamW = 1.5f;

    room.volumeLight.Scale = 0.4f;
    room.volumeLight.Flag = 1;
    ok = room.volumeLight.Create(&renderer) && ok;
    return ok;
}

void AnimateRoomLights(float angle, CRenderer& renderer, CPointLight* const lamps[3]) {
    const double a = angle;
    const double lampPhase[3] = {2.36, 5.24, 4.58};
    for (int i = 0; i < 3; ++i) {
        const float intensity = static_cast<float>(std::sin(a + lampPhase[i]) * 0.03f + 0.3f);
        if (lamps && lamps[i]) {
            lamps[i]->ColorWeight = intensity;
            lamps[i]->Color.w = intensity;
            lamps[i]->ShadowMapsDone = 0;
        }
        renderer.LightColor[i] = {0.9f, 0.6f, 0.4f, intensity};
    }
    const double roomPhase[6] = {0.24, 3.89, 5.36, 7.47, 2.38, 5.79};
    for (int i = 0; i < 6; ++i)
        renderer.LightColor[3 + i] = {0.9f, 0.6f, 0.4f, static_cast<float>(std::sin(a + roomPhase[i]) * 0.5f + 0.8f)};
    const double outerPhase[5] = {1.35, 3.24, 5.87, 1.34, 6.46};
    for (int i = 0; i < 5; ++i)
        renderer.LightColor[9 + i] = {1.0f, 0.8f, 0.7f, static_cast<float>(std::sin(a + outerPhase[i]) * 10 + 50)};
}

FrameScene RoomFrameScene(CRenderer& renderer, CRenderModelGpu* const models[3], RoomLighting& room, int width,
                          int height, float aspect) {
    FrameScene scene;
    scene.renderer = &renderer;
    for (int i = 0; i < 3; ++i) scene.models[i] = models[i];
    scene.sky = &room.sky;
    scene.lights = room.lampList;
    scene.lightCount = 3;
    scene.volumeLight = &room.volumeLight;
    scene.shadowMapsBuilt = &room.shadowMapsBuilt;
    scene.screenWidth = width;
    scene.screenHeight = height;
    scene.aspect = aspect;
    return scene;
}

bool RenderRoomFrame(CRenderer& renderer, CRenderModelGpu* const models[3], const SkyImages& images, int width,
                     int height, const float background[3], FrameTimings timings[2]) {
    auto room = std::make_unique<RoomLighting>();
    const bool ok = CreateRoomLighting(renderer, *room, images);
    // One tick of the viewer's timer: the lights' flicker and the sky.
    AnimateRoomLights(0.03f, renderer, room->lampList);
    room->sky.Tick();

    FrameScene scene =
        RoomFrameScene(renderer, models, *room, width, height, static_cast<float>(width) / static_cast<float>(height));
    for (int i = 0; i < 3; ++i) scene.background[i] = background[i];
    if (ok) {
        RenderFrame(scene, timings ? &timings[0] : nullptr);
        if (timings) RenderFrame(scene, &timings[1]);
    }
    room->Release();
    return ok;
}
