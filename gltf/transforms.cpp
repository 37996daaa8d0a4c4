#include "gltf/transforms.h"

#include <cmath>

Matrix4 ComposeTrs(const Vec3& t, const Quat& q, const Vec3& s) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    // Rows of the rotation for row vectors (the transpose of the usual
    // column-vector matrix).
    const float r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w)},
                           {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w)},
                           {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y)}};
    Matrix4 m;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) m.m[row][col] = r[row][col] * s[static_cast<std::size_t>(row)];
    m.m[3][0] = t[0], m.m[3][1] = t[1], m.m[3][2] = t[2];
    return m;
}

Quat Normalized(Quat q) {
    const float n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(n > 0.0f)) return {0, 0, 0, 1};
    for (float& c : q) c /= n;
    return q;
}

Quat Slerp(Quat a, Quat b, float s) {
    float d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (d < 0.0f) {
        for (float& c : b) c = -c;
        d = -d;
    }
    float wa = 1.0f - s, wb = s;
    if (d < 0.9995f) {
        const float angle = std::acos(d);
        const float sine = std::sin(angle);
        wa = std::sin((1.0f - s) * angle) / sine;
        wb = std::sin(s * angle) / sine;
    }
    return Normalized({wa * a[0] + wb * b[0], wa * a[1] + wb * b[1], wa * a[2] + wb * b[2], wa * a[3] + wb * b[3]});
}

void StoreModelMatrix(const Matrix4& rowVector, float* out16) { TransposeMatrix(rowVector).ToFloats(out16); }
