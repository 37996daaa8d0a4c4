#pragma once
// Node transforms: translation, rotation (unit quaternion x, y, z, w) and
// scale composed into row-vector matrices (v' = v * M), interpolation of
// their keys, and the model side's storage of matrices.
#include <array>

#include "math/math.h"

using Vec3 = std::array<float, 3>;
using Quat = std::array<float, 4>;  // x, y, z, w

// Scale, then rotate, then translate.
Matrix4 ComposeTrs(const Vec3& t, const Quat& r, const Vec3& s);
// The shortest-arc spherical interpolation of unit quaternions.
Quat Slerp(Quat a, Quat b, float s);
Quat Normalized(Quat q);
// A row-vector matrix as the model records keep it: column-vector order,
// translation in elements 3, 7 and 11.
void StoreModelMatrix(const Matrix4& rowVector, float* out16);
