#include "render/light_data.h"

#include <cstring>

const CubeFace kCubeFaces[6] = {
    {{-0.001f, 0, 0}, {0, 0, 1}}, {{0, -0.001f, 0}, {0, 0, 1}}, {{0, 0, -0.001f}, {0, -1, 0}},
    {{0.001f, 0, 0}, {0, 0, 1}},  {{0, 0.001f, 0}, {0, 0, 1}},  {{0, 0, 0.001f}, {0, -1, 0}},
};

const RoomLamp kRoomLamps[3] = {{-3.0f, -10.8f}, {-3.0f, -2.8f}, {3.2f, 5.2f}};

namespace {

Matrix4 FixedProjection(float halfFov, float q, float qNear) {
    float s = 0, c = 0;
    SinCos(halfFov, &s, &c);
    const float h = c / s;
    Matrix4 m;
    m.m[0][0] = h;
    m.m[1][1] = h;
    m.m[2][2] = q;
    m.m[2][3] = 1.0f;
    m.m[3][2] = qNear;
    m.m[3][3] = 0.0f;
    return m;
}

}  // namespace

Matrix4 CubeFaceProjection() { return FixedProjection(0.7853975f, 1.00001f, -0.0100001f); }

Matrix4 VolumeLightProjection() { return FixedProjection(0.39269909f, 1.0000019f, -0.010000018f); }
