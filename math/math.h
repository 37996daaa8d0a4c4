#pragma once
// Single-precision 4x4 matrices and vectors. Matrices are row-major and
// transform row vectors (v' = v * M, translation in row 3); composing "A then
// B" is A * B. The world is Z-up, angles are radians. Free of any GPU API so
// that the model library and tests can use it.

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Matrix4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static Matrix4 Identity() { return {}; }
    static Matrix4 FromFloats(const float* f16);  // row by row
    void ToFloats(float* f16) const;
    const float* Data() const { return &m[0][0]; }
    float* Data() { return &m[0][0]; }
};

constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;

Matrix4 LookToMatrix(const Vector3& eye, const Vector3& direction, const Vector3& up);
// General inverse by cofactors; writes the determinant into every component
// of `determinant` when given. A singular input yields non-finite elements.
Matrix4 InverseMatrix(const Matrix4& a, Vector4* determinant = nullptr);
// Sine and cosine by a twelve-term series after reduction into [-pi, pi).
void SinCos(float angle, float* sine, float* cosine);
Matrix4 PerspectiveMatrix(float fovY, float aspect, float nearZ, float farZ);
Matrix4 MultiplyMatrix(const Matrix4& a, const Matrix4& b);
Matrix4 TransposeMatrix(const Matrix4& a);
Vector4 TransformRow(const Vector4& v, const Matrix4& a);
