#pragma once
// Documents name the axis that points up; the viewer's world is Z-up. A
// Y-up or X-up document is turned into the viewer's frame by one fixed
// rotation, applied to everything that carries coordinates: points and
// directions through ToZUp(Vector3), transforms (node, bind-shape,
// inverse-bind and animation matrices) through ToZUp(Matrix4). Applying it
// to every part of a model keeps skinning and hierarchies consistent.
#include "math/math.h"

enum class UpAxis { X, Y, Z };

// The rotation R that takes the document's up axis to +Z (row vectors,
// v' = v * R): Y-up (x, y, z) -> (x, -z, y); X-up (x, y, z) -> (-y, -z, x);
// Z-up is the identity.
Matrix4 UpAxisRotation(UpAxis up);
// A point or direction in the viewer's frame.
Vector3 ToZUp(const Vector3& v, UpAxis up);
// A transform of the document's frame as the same transform of the
// viewer's: R^T * M * R.
Matrix4 ToZUp(const Matrix4& m, UpAxis up);
