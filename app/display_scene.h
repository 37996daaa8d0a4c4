#pragma once
// What the display window draws besides its models: the room's lamps, sky and
// light shafts, their per-tick animation, and one frame in pass order. The
// window owns the objects; these functions set them up and run them.
#include <string>

#include "render/renderer.h"

class CRenderModel;

struct DisplaySkyImages {
    std::string folder;  // absolute, or relative to the working directory
    std::string cloud, star, moon;
};

// The room's light sources. Until the lamps are available this holds the
// light table only.
struct CDisplayLighting {
    int lightCount = 3;
};

// Creates lamps, light table, sky and light shafts on `renderer` (a GL
// context is current). Messages about what could not be made go to
// `problems`, one line each.
void CreateDisplayLighting(CRenderer& renderer, CDisplayLighting& lighting, const DisplaySkyImages& images,
                           std::string* problems);
// One tick: the sky moves on.
void TickDisplaySky(CDisplayLighting& lighting);
// The flicker of the lights at `angle` (radians): the lamps' intensities and
// the renderer's light table entries 0..13.
void AnimateDisplayLights(float angle, CRenderer& renderer, CDisplayLighting& lighting);
// Lets the lamps render their shadow maps again.
void ClearDisplayShadowFlags(CDisplayLighting& lighting);
// Releases the GL objects of the lighting (context current).
void ReleaseDisplayLighting(CDisplayLighting& lighting);

struct DisplayFrame {
    CRenderer* renderer = nullptr;
    CDisplayLighting* lighting = nullptr;
    CRenderModel* models[3] = {};  // the current model, then the two room models
    unsigned char skinning = 0;
    bool fullScreen = false;
    int fullScreenClear[3] = {255, 255, 255};
    float background[4] = {0, 0, 0, 1};
    int renderWidth = 1536;  // the viewport inside the fixed-size targets
    int renderHeight = 1080;
    float aspect = 1536.0f / 1080.0f;
};

// Renders one frame into the renderer's back buffer (normal mode) or screen
// target (full screen).
void RenderDisplayFrame(const DisplayFrame& frame);
