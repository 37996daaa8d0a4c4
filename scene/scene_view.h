#pragma once
// The part of the scene the caller changes directly: camera, picture size,
// background, full screen, playback. Under the scene's view lock; the render
// thread copies it at the start of a frame.
#include "scene/playback_clock.h"
#include "scene/scene_types.h"
#include "scene/view_camera.h"

struct SceneView {
    CViewCamera camera;
    CViewCamera home;  // the settings' camera (keys 5 and 0)
    bool fullScreen = false;
    float aspect = 1.0f;
    int pixelWidth = 1;  // the picture, as the view shows it
    int pixelHeight = 1;
    int renderWidth = 1536;  // the viewport inside the renderer's targets
    int renderHeight = 1080;
    float background[4] = {0, 0, 0, 1};
    CPlaybackClock playback;
    bool looping = true;  // off: playback pauses at the animation's end
    DisplayOptions display;
    Bounds3 room;  // the room models' box once they are built (KeepInRoom)
};
