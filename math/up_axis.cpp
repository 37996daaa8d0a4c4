#include "math/up_axis.h"

Matrix4 UpAxisRotation(UpAxis up) {
    Matrix4 r;
    if (up == UpAxis::Y) {
        r.m[1][1] = 0, r.m[1][2] = 1;
        r.m[2][1] = -1, r.m[2][2] = 0;
    } else if (up == UpAxis::X) {
        r.m[0][0] = 0, r.m[0][2] = 1;
        r.m[1][0] = -1, r.m[1][1] = 0;
        r.m[2][1] = -1, r.m[2][2] = 0;
    }
    return r;
}

Vector3 ToZUp(const Vector3& v, UpAxis up) {
    switch (up) {
        case UpAxis::Y: return {v.x, -v.z, v.y};
        case UpAxis::X: return {-v.y, -v.z, v.x};
        default: return v;
    }
}

Matrix4 ToZUp(const Matrix4& m, UpAxis up) {
    if (up == UpAxis::Z) return m;
    const Matrix4 r = UpAxisRotation(up);
    return MultiplyMatrix(MultiplyMatrix(TransposeMatrix(r), m), r);
}
