// The display window's orbit camera, rebuilt every frame.
#include <cmath>

#include "render/renderer.h"

namespace {
constexpr float kFieldOfView = 0.7853975f;  // 3.14159 / 4; halved to 0.39269876
constexpr float kNear = 0.001f;
constexpr float kDepthScale = 1.0000002f;       // Q
constexpr float kDepthOffset = -0.0010000002f;  // -Q * near
}  // namespace

void ComputeCamera(CRenderer& r, float aspect) {
    const double rx = r.RotationX;
    const double rz = r.RotationZ;
    const double d = r.Distance;
    r.EyeOffset = {static_cast<float>(d * std::cos(rz) * std::sin(rx)),
                   static_cast<float>(d * std::sin(rz) * std::sin(rx)), static_cast<float>(d * std::cos(rx))};
    const Vector3 eye = {r.At.x + r.EyeOffset.x, r.At.y + r.EyeOffset.y, r.At.z + r.EyeOffset.z};
    const Vector3 direction = {r.At.x - eye.x, r.At.y - eye.y, r.At.z - eye.z};

    r.MatWorld = Matrix4::Identity();
    r.MatView = LookToMatrix(eye, direction, {0.0f, 0.0f, 1.0f});
    // Mirror x: the product with diag(-1, 1, 1, 1) negates the first column.
    for (int row = 0; row < 4; ++row) r.MatView.m[row][0] = -r.MatView.m[row][0];

    r.MatProj = PerspectiveMatrix(kFieldOfView, aspect, kNear, 1.0f);
    r.MatProj.m[2][2] = kDepthScale;
    r.MatProj.m[3][2] = kDepthOffset;
}
