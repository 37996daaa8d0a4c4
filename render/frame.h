#pragma once
// One frame of the scene: the order of all passes, from the camera constants
// to the composition into the back buffer or the screen target.
#include <cstdint>

class CRenderer;
class CRenderModelGpu;
class CSky;
class CPointLight;
class CVolumeLight;

// What a frame reads: the display window's scene and view state.
struct FrameScene {
    CRenderer* renderer = nullptr;
    CRenderModelGpu* models[3] = {};  // the current model, then the two room models
    CSky* sky = nullptr;
    CPointLight** lights = nullptr;
    int lightCount = 0;
    CVolumeLight* volumeLight = nullptr;
    // The lamps' cube maps are drawn once, from the model as posed on the
    // first frame, and this remembers it (the lamps' owner keeps it). Null:
    // they are drawn on every frame with lamps.
    bool* shadowMapsBuilt = nullptr;
    std::uint8_t skinning = 0;
    bool fullScreen = false;
    int fullScreenClear[3] = {255, 255, 255};
    float background[4] = {0, 0, 0, 1};
    int screenWidth = 1536;  // the viewport inside the targets (clamped to their size)
    int screenHeight = 1080;
    float aspect = 1536.0f / 1080.0f;
};

// Milliseconds per pass of the last frame, when asked for: wall-clock time
// and the process's CPU time (all threads, the software rasteriser's too).
// Asking waits for the GPU after every pass, so it slows the frame a little.
struct PassTimes {
    double sky = 0;
    double shadowMaps = 0;
    double lightImages[3] = {};
    double mainPass = 0;
    double shafts[3] = {};
    double composition = 0;
    double total = 0;
};
struct FrameTimings {
    PassTimes wall;
    PassTimes cpu;
};

// Renders one frame; the composed image ends in the renderer's back buffer
// (normal mode) or its screen target (full screen). False, drawing nothing,
// without a set-up renderer.
bool RenderFrame(const FrameScene& scene, FrameTimings* timings = nullptr);

// Sizes every target of the render size (the renderer's and the shaft pass's
// reduced image) to width x height, clamped to
// 1 .. 1536 x 1080: a view smaller than that keeps targets no larger than
// itself. Call it with the frame's context current, between frames, when the
// view's size changes; the next frame draws everything anew (the cube maps
// do not depend on it). False, changing nothing, without a set-up renderer.
bool ResizeFrameTargets(const FrameScene& scene, int width, int height);
