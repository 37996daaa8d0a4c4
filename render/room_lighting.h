#pragma once
// The lamps, sky and light shafts of the room as the viewer sets them up at
// start, and the per-tick animation of the lights.
#include <string>

#include "render/frame.h"
#include "render/point_light.h"
#include "render/sky.h"
#include "render/volume_light.h"

struct RoomLighting {
    CPointLight lamps[3];
    CPointLight* lampList[3] = {&lamps[0], &lamps[1], &lamps[2]};
    CSky sky;
    CVolumeLight volumeLight;
    bool shadowMapsBuilt = false;  // see FrameScene

    void Release();
};

// Creates the three lamps, fills the renderer's light table, builds the sky
// (evening, 19:20) and the light shafts. False when a lamp or the volume
// light cannot be created.
[[nodiscard]] bool CreateRoomLighting(CRenderer& renderer, RoomLighting& room, const SkyImages& images);
// The same with the sky's images decoded ahead.
[[nodiscard]] bool CreateRoomLighting(CRenderer& renderer, RoomLighting& room, const SkyPictures& pictures);

// One step of the lights' flicker at `angle` (radians): the lamps' intensity
// and the renderer's light table entries 0..13.
void AnimateRoomLights(float angle, CRenderer& renderer, CPointLight* const lamps[3]);

// The frame of the room with these models (the current model, then the two
// room models) and these lamps, sky and light shafts, at width x height.
FrameScene RoomFrameScene(CRenderer& renderer, CRenderModelGpu* const models[3], RoomLighting& room, int width,
                          int height, float aspect);

// Renders the room the way the viewer's first frame shows it, for the
// headless tool and the tests: lamps, sky and light shafts are created, the
// lights and the sky advance by one timer tick, then RenderFrame composes
// models[0] (the current model) and the room models into the back buffer
// over `background`. With `timings`, a second, steady frame follows the first
// (which also builds the cube maps) and both are measured. False when the
// lamps or the shafts cannot be created.
bool RenderRoomFrame(CRenderer& renderer, CRenderModelGpu* const models[3], const SkyImages& images, int width,
                     int height, const float background[3], FrameTimings timings[2] = nullptr);
