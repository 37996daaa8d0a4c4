#pragma once
// The lamps, sky and light shafts of the room as the viewer sets them up at
// start, and the per-tick animation of the lights.
#include <string>

#include "render/point_light.h"
#include "render/sky.h"
#include "render/volume_light.h"

struct RoomLighting {
    CPointLight lamps[3];
    CPointLight* lampList[3] = {&lamps[0], &lamps[1], &lamps[2]};
    CSky sky;
    CVolumeLight volumeLight;

    void Release();
};

struct SkyImages {
    std::string folder = "img";
    std::string cloud = "cloud.png";
    std::string star = "star.png";
    std::string moon = "moon.png";
};

// Creates the three lamps, fills the renderer's light table, builds the sky
// (evening, 19:20) and the light shafts. False when a lamp or the volume
// light cannot be created.
bool CreateRoomLighting(CRenderer& renderer, RoomLighting& room, const SkyImages& images);

// One step of the lights' flicker at `angle` (radians): the lamps' intensity
// and the renderer's light table entries 0..13.
void AnimateRoomLights(float angle, CRenderer& renderer, CPointLight* const lamps[3]);
