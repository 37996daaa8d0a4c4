#include "scene/view_camera.h"

#include <algorithm>
#include <cmath>

#include "math/view_fit.h"
#include "render/renderer.h"

namespace {

constexpr double kTurn = 3.14159265358979323846 * 2.0;

// Removes whole turns, truncating toward zero.
float WrapTurns(float angle) { return static_cast<float>(angle - std::trunc(angle / kTurn) * kTurn); }

bool Finite(const Matrix4& m) {
    for (const auto& row : m.m)
        for (float v : row)
            if (!std::isfinite(v)) return false;
    return true;
}

// Moves At and LightTarget by (sx, sy) in the view plane of the current EyeOffset.
bool PanBy(CViewCamera& r, float sx, float sy) {
    const Vector3 eye = {r.At.x + r.EyeOffset.x, r.At.y + r.EyeOffset.y, r.At.z + r.EyeOffset.z};
    const Vector3 back = {-r.EyeOffset.x, -r.EyeOffset.y, -r.EyeOffset.z};
    const Matrix4 inverse = InverseMatrix(LookToMatrix(eye, back, {0.0f, 0.0f, 1.0f}));
    if (!Finite(inverse)) return false;
    const Vector3 move = {sx * inverse.m[0][0] + sy * inverse.m[1][0], sx * inverse.m[0][1] + sy * inverse.m[1][1],
                          sx * inverse.m[0][2] + sy * inverse.m[1][2]};
    r.At = {r.At.x + move.x, r.At.y + move.y, r.At.z + move.z};
    r.LightTarget = {r.LightTarget.x + move.x, r.LightTarget.y + move.y, r.LightTarget.z + move.z};
    return true;
}
}  // namespace

void OrbitCamera(CViewCamera& r, int dx, int dy) {
    r.RotationX = static_cast<float>(r.RotationX - dy * 0.03);
    r.RotationZ = static_cast<float>(r.RotationZ - dx * 0.03);
    r.RotationX = WrapTurns(r.RotationX);
    if (r.RotationX < kMinPolarAngle) r.RotationX = kMinPolarAngle;
    if (r.RotationX > kMaxPolarAngle) r.RotationX = kMaxPolarAngle;
    r.RotationZ = WrapTurns(r.RotationZ);
}

bool PanCamera(CViewCamera& r, int dx, int dy, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    return PanBy(r, static_cast<float>(dx) * 10.0f / static_cast<float>(width),
                 static_cast<float>(dy) * 10.0f / static_cast<float>(height));
}

bool FollowCursor(CViewCamera& r, int dx, int dy, int viewHeight) {
    if (viewHeight <= 0) return false;
    // The view is 2 d tan(half angle) high at the target's depth.
    const double perPixel = 2.0 * r.Distance * std::tan(static_cast<double>(kViewHalfFovY)) / viewHeight;
    return PanBy(r, static_cast<float>(dx * perPixel), static_cast<float>(dy * perPixel));
}

void ZoomCamera(CViewCamera& r, int wheelDelta) {
    r.Distance = static_cast<float>(r.Distance * std::pow(0.8, wheelDelta / 120.0));
    if (!(r.Distance >= kMinDistance)) r.Distance = kMinDistance;  // a non-number too
}

namespace {
// Moves At (and LightTarget with it) to `at`.
void MoveTarget(CViewCamera& r, Vector3 at) {
    r.LightTarget = {r.LightTarget.x + at.x - r.At.x, r.LightTarget.y + at.y - r.At.y, r.LightTarget.z + at.z - r.At.z};
    r.At = at;
}
}  // namespace

void KeepInRoom(CViewCamera& r, const Bounds3& room) {
    constexpr float kHalf = kRoomReach * 0.5f;
    r.Distance = std::min(r.Distance, kHalf);
    const float length = std::sqrt(r.At.x * r.At.x + r.At.y * r.At.y + r.At.z * r.At.z);
    if (!(length <= kHalf)) {
        // Back toward the room along the same line.
        const float k = std::isfinite(length) && length > 0 ? kHalf / length : 0.0f;
        MoveTarget(r, {r.At.x * k, r.At.y * k, r.At.z * k});
    }
    if (room.Empty()) return;
    float lo[3] = {room.min.x + kRoomMargin, room.min.y + kRoomMargin, room.min.z + kRoomMargin};
    float hi[3] = {room.max.x - kRoomMargin, room.max.y - kRoomMargin, room.max.z - kRoomMargin};
    for (int i = 0; i < 3; ++i)
        if (lo[i] > hi[i]) lo[i] = hi[i] = (lo[i] + hi[i]) * 0.5f;  // a room thinner than the margins
    float at[3] = {r.At.x, r.At.y, r.At.z};
    for (int i = 0; i < 3; ++i) at[i] = std::clamp(at[i], lo[i], hi[i]);
    MoveTarget(r, {at[0], at[1], at[2]});
    // The eye on the line from the target, as far as the box lets it.
    UpdateEyeOffset(r);
    const float offset[3] = {r.EyeOffset.x, r.EyeOffset.y, r.EyeOffset.z};
    float t = 1.0f;
    for (int i = 0; i < 3; ++i) {
        if (at[i] + offset[i] > hi[i]) t = std::min(t, (hi[i] - at[i]) / offset[i]);
        if (at[i] + offset[i] < lo[i]) t = std::min(t, (lo[i] - at[i]) / offset[i]);
    }
    if (t < 1.0f) r.Distance = std::max(kMinDistance, r.Distance * std::max(t, 0.0f));
    UpdateEyeOffset(r);
}

CViewCamera CameraOf(const CRenderer& r) {
    return {r.RotationX, r.RotationZ, r.Distance, r.EyeOffset, r.At, r.LightTarget};
}

void PutCamera(const CViewCamera& c, CRenderer& r) {
    r.RotationX = c.RotationX;
    r.RotationZ = c.RotationZ;
    r.Distance = c.Distance;
    r.EyeOffset = c.EyeOffset;
    r.At = c.At;
    r.LightTarget = c.LightTarget;
}

void UpdateEyeOffset(CViewCamera& c) {
    const double rx = c.RotationX, rz = c.RotationZ, d = c.Distance;
    c.EyeOffset = {static_cast<float>(d * std::cos(rz) * std::sin(rx)),
                   static_cast<float>(d * std::sin(rz) * std::sin(rx)), static_cast<float>(d * std::cos(rx))};
}

float DisplayAspect(int w, int h) {
    if (w <= 0 || h <= 0) return 1.0f;  // a collapsed window: any finite aspect will do
    return static_cast<float>(w) / static_cast<float>(h);
}
