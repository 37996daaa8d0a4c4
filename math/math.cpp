#include "math/math.h"

#include <cmath>

Matrix4 Matrix4::FromFloats(const float* f) {
    Matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i / 4][i % 4] = f[i];
    return r;
}

void Matrix4::ToFloats(float* f) const {
    for (int i = 0; i < 16; ++i) f[i] = m[i / 4][i % 4];
}

namespace {

Vector3 Normalize(const Vector3& v) {
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    // A zero or infinite length gives the zero vector instead of a division by zero.
    const float s = (len > 0.0f && std::isfinite(len)) ? 1.0f / len : 0.0f;
    return {v.x * s, v.y * s, v.z * s};
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

}  // namespace

Matrix4 LookToMatrix(const Vector3& eye, const Vector3& direction, const Vector3& up) {
    const Vector3 z = Normalize(direction);
    const Vector3 x = Normalize(Cross(up, z));
    const Vector3 y = Cross(z, x);
    Matrix4 r;
    r.m[0][0] = x.x;
    r.m[0][1] = y.x;
    r.m[0][2] = z.x;
    r.m[0][3] = 0;
    r.m[1][0] = x.y;
    r.m[1][1] = y.y;
    r.m[1][2] = z.y;
    r.m[1][3] = 0;
    r.m[2][0] = x.z;
    r.m[2][1] = y.z;
    r.m[2][2] = z.z;
    r.m[2][3] = 0;
    r.m[3][0] = -Dot(x, eye);
    r.m[3][1] = -Dot(y, eye);
    r.m[3][2] = -Dot(z, eye);
    r.m[3][3] = 1;
    return r;
}

Matrix4 InverseMatrix(const Matrix4& a, Vector4* determinant) {
    // Cofactor expansion over the transposed input, by 2x2 sub-determinants.
    const Matrix4 t = TransposeMatrix(a);
    const float* s = t.Data();
    float tmp[12];
    float c[16];

    tmp[0] = s[10] * s[15];
    tmp[1] = s[11] * s[14];
    tmp[2] = s[9] * s[15];
    tmp[3] = s[11] * s[13];
    tmp[4] = s[9] * s[14];
    tmp[5] = s[10] * s[13];
    tmp[6] = s[8] * s[15];
    tmp[7] = s[11] * s[12];
    tmp[8] = s[8] * s[14];
    tmp[9] = s[10] * s[12];
    tmp[10] = s[8] * s[13];
    tmp[11] = s[9] * s[12];

    c[0] = tmp[0] * s[5] + tmp[3] * s[6] + tmp[4] * s[7] - (tmp[1] * s[5] + tmp[2] * s[6] + tmp[5] * s[7]);
    c[1] = tmp[1] * s[4] + tmp[6] * s[6] + tmp[9] * s[7] - (tmp[0] * s[4] + tmp[7] * s[6] + tmp[8] * s[7]);
    c[2] = tmp[2] * s[4] + tmp[7] * s[5] + tmp[10] * s[7] - (tmp[3] * s[4] + tmp[6] * s[5] + tmp[11] * s[7]);
    c[3] = tmp[5] * s[4] + tmp[8] * s[5] + tmp[11] * s[6] - (tmp[4] * s[4] + tmp[9] * s[5] + tmp[10] * s[6]);
    c[4] = tmp[1] * s[1] + tmp[2] * s[2] + tmp[5] * s[3] - (tmp[0] * s[1] + tmp[3] * s[2] + tmp[4] * s[3]);
    c[5] = tmp[0] * s[0] + tmp[7] * s[2] + tmp[8] * s[3] - (tmp[1] * s[0] + tmp[6] * s[2] + tmp[9] * s[3]);
    c[6] = tmp[3] * s[0] + tmp[6] * s[1] + tmp[11] * s[3] - (tmp[2] * s[0] + tmp[7] * s[1] + tmp[10] * s[3]);
    c[7] = tmp[4] * s[0] + tmp[9] * s[1] + tmp[10] * s[2] - (tmp[5] * s[0] + tmp[8] * s[1] + tmp[11] * s[2]);

    tmp[0] = s[2] * s[7];
    tmp[1] = s[3] * s[6];
    tmp[2] = s[1] * s[7];
    tmp[3] = s[3] * s[5];
    tmp[4] = s[1] * s[6];
    tmp[5] = s[2] * s[5];
    tmp[6] = s[0] * s[7];
    tmp[7] = s[3] * s[4];
    tmp[8] = s[0] * s[6];
    tmp[9] = s[2] * s[4];
    tmp[10] = s[0] * s[5];
    tmp[11] = s[1] * s[4];

    c[8] = tmp[0] * s[13] + tmp[3] * s[14] + tmp[4] * s[15] - (tmp[1] * s[13] + tmp[2] * s[14] + tmp[5] * s[15]);
    c[9] = tmp[1] * s[12] + tmp[6] * s[14] + tmp[9] * s[15] - (tmp[0] * s[12] + tmp[7] * s[14] + tmp[8] * s[15]);
    c[10] = tmp[2] * s[12] + tmp[7] * s[13] + tmp[10] * s[15] - (tmp[3] * s[12] + tmp[6] * s[13] + tmp[11] * s[15]);
    c[11] = tmp[5] * s[12] + tmp[8] * s[13] + tmp[11] * s[14] - (tmp[4] * s[12] + tmp[9] * s[13] + tmp[10] * s[14]);
    c[12] = tmp[2] * s[10] + tmp[5] * s[11] + tmp[1] * s[9] - (tmp[4] * s[11] + tmp[0] * s[9] + tmp[3] * s[10]);
    c[13] = tmp[8] * s[11] + tmp[0] * s[8] + tmp[7] * s[10] - (tmp[6] * s[10] + tmp[9] * s[11] + tmp[1] * s[8]);
    c[14] = tmp[6] * s[9] + tmp[11] * s[11] + tmp[3] * s[8] - (tmp[10] * s[11] + tmp[2] * s[8] + tmp[7] * s[9]);
    c[15] = tmp[10] * s[10] + tmp[4] * s[8] + tmp[9] * s[9] - (tmp[8] * s[9] + tmp[11] * s[10] + tmp[5] * s[8]);

    const float det = s[0] * c[0] + s[1] * c[1] + s[2] * c[2] + s[3] * c[3];
    if (determinant) *determinant = {det, det, det, det};
    const float inv = 1.0f / det;
    Matrix4 r;
    for (int i = 0; i < 16; ++i) r.m[i / 4][i % 4] = c[i] * inv;
    return r;
}

void SinCos(float angle, float* sine, float* cosine) {
    // Reduce into [-pi, pi): truncation toward zero, not floor.
    const float a = angle + kPi;
    const float absA = std::fabs(a);
    float r = absA - std::trunc(absA / kTwoPi) * kTwoPi - kPi;
    if (a < 0.0f) r = -r;

    static constexpr float kSin[12] = {1.0f,
                                       -1.0f / 6.0f,
                                       1.0f / 120.0f,
                                       -1.0f / 5040.0f,
                                       1.0f / 362880.0f,
                                       -1.0f / 39916800.0f,
                                       1.0f / 6227020800.0f,
                                       -1.0f / 1307674368000.0f,
                                       1.0f / 355687428096000.0f,
                                       -1.0f / 121645100408832000.0f,
                                       1.0f / 51090942171709440000.0f,
                                       -1.0f / 25852016738884976640000.0f};
    static constexpr float kCos[12] = {1.0f,
                                       -1.0f / 2.0f,
                                       1.0f / 24.0f,
                                       -1.0f / 720.0f,
                                       1.0f / 40320.0f,
                                       -1.0f / 3628800.0f,
                                       1.0f / 479001600.0f,
                                       -1.0f / 87178291200.0f,
                                       1.0f / 20922789888000.0f,
                                       -1.0f / 6402373705728000.0f,
                                       1.0f / 2432902008176640000.0f,
                                       -1.0f / 1124000727777607680000.0f};

    const float r2 = r * r;
    float s = 0.0f, c = 0.0f;
    float ps = r, pc = 1.0f;
    for (int i = 0; i < 12; ++i) {
        s += kSin[i] * ps;
        c += kCos[i] * pc;
        ps *= r2;
        pc *= r2;
    }
    if (sine) *sine = s;
    if (cosine) *cosine = c;
}

Matrix4 PerspectiveMatrix(float fovY, float aspect, float nearZ, float farZ) {
    float s = 0, c = 0;
    SinCos(fovY * 0.5f, &s, &c);
    const float h = c / s;
    const float w = h / aspect;
    const float q = farZ / (farZ - nearZ);
    Matrix4 r;
    r.m[0][0] = w;
    r.m[0][1] = 0;
    r.m[0][2] = 0;
    r.m[0][3] = 0;
    r.m[1][0] = 0;
    r.m[1][1] = h;
    r.m[1][2] = 0;
    r.m[1][3] = 0;
    r.m[2][0] = 0;
    r.m[2][1] = 0;
    r.m[2][2] = q;
    r.m[2][3] = 1;
    r.m[3][0] = 0;
    r.m[3][1] = 0;
    r.m[3][2] = -q * nearZ;
    r.m[3][3] = 0;
    return r;
}

Matrix4 MultiplyMatrix(const Matrix4& a, const Matrix4& b) {
    // Row i of the product is a weighted sum of b's rows; written this way
    // the compiler keeps each row in one vector register. The sums run in the
    // same order as a0*b0 + a1*b1 + a2*b2 + a3*b3.
    Matrix4 r;
    for (int i = 0; i < 4; ++i) {
        float row[4];
        for (int j = 0; j < 4; ++j) row[j] = a.m[i][0] * b.m[0][j];
        for (int k = 1; k < 4; ++k)
            for (int j = 0; j < 4; ++j) row[j] += a.m[i][k] * b.m[k][j];
        for (int j = 0; j < 4; ++j) r.m[i][j] = row[j];
    }
    return r;
}

Matrix4 TransposeMatrix(const Matrix4& a) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = a.m[j][i];
    return r;
}

Vector4 TransformRow(const Vector4& v, const Matrix4& a) {
    return {v.x * a.m[0][0] + v.y * a.m[1][0] + v.z * a.m[2][0] + v.w * a.m[3][0],
            v.x * a.m[0][1] + v.y * a.m[1][1] + v.z * a.m[2][1] + v.w * a.m[3][1],
            v.x * a.m[0][2] + v.y * a.m[1][2] + v.z * a.m[2][2] + v.w * a.m[3][2],
            v.x * a.m[0][3] + v.y * a.m[1][3] + v.z * a.m[2][3] + v.w * a.m[3][3]};
}
