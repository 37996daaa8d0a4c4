#pragma once
// Framing a box with the orbit camera: the eye sits at At + Distance *
// (cos rz sin rx, sin rz sin rx, cos rx) and looks at At with +Z up, through
// a perspective of half vertical angle kViewHalfFovY.
#include "math/math.h"

constexpr float kViewHalfFovY = 0.39269876f;

struct Bounds3 {
    Vector3 min{1, 1, 1};
    Vector3 max{-1, -1, -1};  // min > max: empty

    bool Empty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    void Add(const Vector3& p);
    Vector3 Center() const;
};

struct OrbitView {
    float rotationX = 0;  // polar angle of the eye from +Z
    float rotationZ = 0;  // azimuth about +Z
    Vector3 at;
    float distance = 1;
};

// The same direction of view, moved so that the whole box shows with a
// little room at the edges: At becomes the box's centre and Distance the
// least that keeps every corner inside the picture of the given aspect
// (width / height). An empty or non-finite box leaves the view unchanged.
OrbitView FitOrbitView(const Bounds3& box, const OrbitView& view, float aspect);

// The share (0..1) of the box's volume the view sees, sampled on a regular
// grid of points; 0 for an empty box.
float ShareInView(const Bounds3& box, const OrbitView& view, float aspect);
