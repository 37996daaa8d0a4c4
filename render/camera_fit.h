#pragma once
// Moves the renderer's orbit camera to show a box (the F key, render --fit).
#include "math/view_fit.h"

class CRenderer;

// Keeps RotationX / RotationZ; sets At to the box's centre and Distance to
// what shows it whole at this aspect, and moves LightTarget with At as a pan
// does. With `onlyWhenOutOfView`, only when less than half the box is in
// view. False when nothing moved.
bool FitCameraToBox(CRenderer& renderer, const Bounds3& box, float aspect, bool onlyWhenOutOfView = false);

// The front view: the eye on the -Y side of the target a little above it,
// looking along +Y (Blender's forward is -Y; glTF's +Z becomes -Y after its
// up-axis turn), so a model made in either faces the camera.
constexpr float kFrontRotationX = 1.3708f;   // 0.2 rad above the horizon
constexpr float kFrontRotationZ = -1.5708f;  // azimuth -90 degrees: the eye at -Y
void SetFrontView(CRenderer& renderer);
