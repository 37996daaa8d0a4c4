#pragma once
// Mouse moves of the viewer's orbit camera. They change the view's
// RotationX / RotationZ / Distance / At / LightTarget; the renderer takes
// them over at the next frame.
#include "math/math.h"
#include "math/view_fit.h"

class CRenderer;

// The camera fields of the renderer, as the interface thread moves them.
// EyeOffset follows RotationX / RotationZ / Distance as a frame computes it.
struct CViewCamera {
    float RotationX = 0;
    float RotationZ = 0;
    float Distance = 6.0f;
    Vector3 EyeOffset;
    Vector3 At;
    Vector3 LightTarget;
};
CViewCamera CameraOf(const CRenderer& renderer);
void PutCamera(const CViewCamera& camera, CRenderer& renderer);
// EyeOffset from the angles and the distance, as the frame's camera has it.
void UpdateEyeOffset(CViewCamera& camera);

constexpr float kMinPolarAngle = 0.001f;      // never exactly overhead
constexpr float kMaxPolarAngle = 1.5707964f;  // never below the horizontal through At
constexpr float kMinDistance = 0.1f;

// Right drag by (dx, dy) pixels: the polar angle stays in
// [kMinPolarAngle, kMaxPolarAngle]; the azimuth wraps by whole turns toward
// zero, so a negative azimuth stays negative.
void OrbitCamera(CViewCamera& camera, int dx, int dy);
// Left drag by (dx, dy) pixels over a width x height area: moves At and
// LightTarget by the same vector in the view plane of the current EyeOffset.
// False (nothing moved) when that view cannot be inverted, e.g. before the
// first frame has set EyeOffset.
bool PanCamera(CViewCamera& camera, int dx, int dy, int width, int height);
// The same drag at the scale of the view: the point at the target's depth
// moves with the cursor over a view `viewHeight` pixels high.
bool FollowCursor(CViewCamera& camera, int dx, int dy, int viewHeight);
// Mouse wheel: each 120 units (one notch) toward the target take a fifth of
// the distance away (1.2 at the default 6); back out undoes it. The
// distance stays at or above kMinDistance.
void ZoomCamera(CViewCamera& camera, int wheelDelta);
// The room view. The sky dome is no dome around the room: a cone 1000 m wide
// centred 1 km off along -Y (render/sky_data.cpp, placed by the moon's
// matrix), which the open side of the room looks out on. The room sits
// outside it, so the eye cannot be kept inside it; it is kept inside the
// room's own box instead (`room`, shrunk by kRoomMargin), where walls,
// floor, roof and that sky fill every view: the target is held in the box
// and the distance shortened until the eye is in it too. Neither goes past
// kRoomReach / 2 from the origin. An empty box: that reach alone.
constexpr float kRoomReach = 40.0f;
constexpr float kRoomMargin = 0.3f;
void KeepInRoom(CViewCamera& camera, const Bounds3& room = Bounds3());

// The aspect the frame is drawn with: the frame is stretched over the whole
// display window, maximised or in full screen alike, so it is the window's
// own shape (1 for a collapsed window).
float DisplayAspect(int windowWidth, int windowHeight);
