#pragma once
// Small double-precision vector and matrix helpers for building the bundled
// scene. Matrices follow the COLLADA file convention: row-major storage,
// column vectors, translation in elements 3, 7 and 11.
#include <array>
#include <cmath>

namespace scenegen {

constexpr double kPi = 3.14159265358979323846;

struct Vec2 {
    double x = 0, y = 0;
};

struct Vec3 {
    double x = 0, y = 0, z = 0;
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator*(double s) const { return {x * s, y * s, z * s}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
};

inline double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(const Vec3& a) {
    const double l = Length(a);
    return l > 1e-12 ? a * (1.0 / l) : Vec3{0, 0, 1};
}
inline Vec3 Lerp(const Vec3& a, const Vec3& b, double t) { return a + (b - a) * t; }
inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline double SmoothStep(double e0, double e1, double x) {
    const double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

struct Mat4 {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    double& at(int r, int c) { return m[r * 4 + c]; }
    double at(int r, int c) const { return m[r * 4 + c]; }

    static Mat4 Translation(const Vec3& t) {
        Mat4 r;
        r.at(0, 3) = t.x;
        r.at(1, 3) = t.y;
        r.at(2, 3) = t.z;
        return r;
    }
    // Rotation by `angle` radians about the unit `axis` (right-handed).
    static Mat4 Rotation(const Vec3& axis, double angle) {
        const Vec3 a = Normalize(axis);
        const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
        Mat4 r;
        r.at(0, 0) = t * a.x * a.x + c;
        r.at(0, 1) = t * a.x * a.y - s * a.z;
        r.at(0, 2) = t * a.x * a.z + s * a.y;
        r.at(1, 0) = t * a.x * a.y + s * a.z;
        r.at(1, 1) = t * a.y * a.y + c;
        r.at(1, 2) = t * a.y * a.z - s * a.x;
        r.at(2, 0) = t * a.x * a.z - s * a.y;
        r.at(2, 1) = t * a.y * a.z + s * a.x;
        r.at(2, 2) = t * a.z * a.z + c;
        return r;
    }
    Mat4 operator*(const Mat4& o) const {
        Mat4 r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                double s = 0;
                for (int k = 0; k < 4; ++k) s += at(i, k) * o.at(k, j);
                r.at(i, j) = s;
            }
        return r;
    }
    Vec3 Point(const Vec3& p) const {
        return {at(0, 0) * p.x + at(0, 1) * p.y + at(0, 2) * p.z + at(0, 3),
                at(1, 0) * p.x + at(1, 1) * p.y + at(1, 2) * p.z + at(1, 3),
                at(2, 0) * p.x + at(2, 1) * p.y + at(2, 2) * p.z + at(2, 3)};
    }
    Vec3 Direction(const Vec3& d) const {
        return {at(0, 0) * d.x + at(0, 1) * d.y + at(0, 2) * d.z, at(1, 0) * d.x + at(1, 1) * d.y + at(1, 2) * d.z,
                at(2, 0) * d.x + at(2, 1) * d.y + at(2, 2) * d.z};
    }
    // Inverse of a rigid transform (rotation plus translation).
    Mat4 RigidInverse() const {
        Mat4 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r.at(i, j) = at(j, i);
        const Vec3 t{at(0, 3), at(1, 3), at(2, 3)};
        const Vec3 it = r.Direction(t);
        r.at(0, 3) = -it.x;
        r.at(1, 3) = -it.y;
        r.at(2, 3) = -it.z;
        return r;
    }
};

// Deterministic pseudo-random numbers (32-bit LCG), the same on every machine.
class Random {
public:
    explicit Random(unsigned seed) : state_(seed) {}
    unsigned Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    // Uniform in [0, 1).
    double Uniform() { return (Next() & 0xFFFFFF) / 16777216.0; }
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

private:
    unsigned state_;
};

}  // namespace scenegen
