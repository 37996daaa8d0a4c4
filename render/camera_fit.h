#pragma once
// Moves the renderer's orbit camera to show a box (the F key, render --fit).
#include "math/view_fit.h"

class CRenderer;

// Keeps RotationX / RotationZ; sets At to the box's centre and Distance to
// what shows it whole at this aspect, and moves LightTarget with At as a pan
// does. With `onlyWhenOutOfView`, only when less than half the box is in
// view. False when nothing moved.
bool FitCameraToBox(CRenderer& renderer, const Bounds3& box, float aspect, bool onlyWhenOutOfView = false);
