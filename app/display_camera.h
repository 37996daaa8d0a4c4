#pragma once
// Mouse moves of the display window's orbit camera. They change the
// renderer's RotationX / RotationZ / Distance / At / LightTarget; the camera
// matrices follow at the next frame.
class CRenderer;

constexpr float kMinPolarAngle = 0.001f;   // never exactly overhead
constexpr float kMaxPolarAngle = 1.5707964f;  // never below the horizontal through At
constexpr float kMinDistance = 0.1f;

// Right drag by (dx, dy) pixels: the polar angle stays in
// [kMinPolarAngle, kMaxPolarAngle]; the azimuth wraps by whole turns toward
// zero, so a negative azimuth stays negative.
void OrbitCamera(CRenderer& renderer, int dx, int dy);
// Left drag by (dx, dy) pixels over a width x height area: moves At and
// LightTarget by the same vector in the view plane of the current EyeOffset.
// False (nothing moved) when that view cannot be inverted, e.g. before the
// first frame has set EyeOffset.
bool PanCamera(CRenderer& renderer, int dx, int dy, int width, int height);
// Mouse wheel: 120 units (one notch) bring the eye 1.2 closer; the distance
// stays at or above kMinDistance.
void ZoomCamera(CRenderer& renderer, int wheelDelta);

// The aspect the frame is drawn with: the frame is stretched over the whole
// display window, maximised or in full screen alike, so it is the window's
// own shape (1 for a collapsed window).
float DisplayAspect(int windowWidth, int windowHeight);
