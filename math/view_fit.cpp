#include "math/view_fit.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMargin = 0.9f;       // the box fills at most 90 % of either side
constexpr float kNearGap = 0.01f;     // the nearest corner stays this far ahead of the eye
constexpr float kMinDistance = 0.1f;  // as close as the wheel may zoom

float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The camera's right, up and forward axes for an orbit angle pair.
struct Axes {
    Vector3 right, up, forward;
};

Axes AxesOf(const OrbitView& v) {
    const double sx = std::sin(v.rotationX), cx = std::cos(v.rotationX);
    const double sz = std::sin(v.rotationZ), cz = std::cos(v.rotationZ);
    const Vector3 f{static_cast<float>(-cz * sx), static_cast<float>(-sz * sx), static_cast<float>(-cx)};
    // forward x (0, 0, 1), normalised; the polar angle never reaches 0.
    Vector3 r{f.y, -f.x, 0.0f};
    const float length = std::sqrt(r.x * r.x + r.y * r.y);
    if (length > 0) r = {r.x / length, r.y / length, 0.0f};
    else r = {1.0f, 0.0f, 0.0f};
    const Vector3 u{r.y * f.z - r.z * f.y, r.z * f.x - r.x * f.z, r.x * f.y - r.y * f.x};
    return {r, u, f};
}

bool Finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

void Bounds3::Add(const Vector3& p) {
    if (!Finite(p)) return;
    if (Empty()) {
        min = max = p;
        return;
    }
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

Vector3 Bounds3::Center() const { return {(min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f, (min.z + max.z) * 0.5f}; }

OrbitView FitOrbitView(const Bounds3& box, const OrbitView& view, float aspect) {
    if (box.Empty() || !Finite(box.min) || !Finite(box.max) || !(aspect > 0)) return view;
    const Axes a = AxesOf(view);
    const float ty = std::tan(kViewHalfFovY) * kMargin;
    const float tx = ty * aspect;
    const Vector3 c = box.Center();
    float distance = kMinDistance;
    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 p{corner & 1 ? box.max.x : box.min.x, corner & 2 ? box.max.y : box.min.y,
                        corner & 4 ? box.max.z : box.min.z};
        const Vector3 rel{p.x - c.x, p.y - c.y, p.z - c.z};
        const float x = std::fabs(Dot(rel, a.right)), y = std::fabs(Dot(rel, a.up)), z = Dot(rel, a.forward);
        // Depth of the corner is distance + z; it must see x and y inside.
        distance = std::max({distance, x / tx - z, y / ty - z, kNearGap - z});
    }
    OrbitView fitted = view;
    fitted.at = c;
    fitted.distance = distance;
    return fitted;
}

float ShareInView(const Bounds3& box, const OrbitView& view, float aspect) {
    if (box.Empty()) return 0.0f;
    const Axes a = AxesOf(view);
    const double sx = std::sin(view.rotationX);
    const Vector3 eye{static_cast<float>(view.at.x + view.distance * std::cos(view.rotationZ) * sx),
                      static_cast<float>(view.at.y + view.distance * std::sin(view.rotationZ) * sx),
                      static_cast<float>(view.at.z + view.distance * std::cos(view.rotationX))};
    const float ty = std::tan(kViewHalfFovY);
    const float tx = ty * aspect;
    constexpr int kSteps = 5;
    int inside = 0;
    for (int i = 0; i < kSteps; ++i)
        for (int j = 0; j < kSteps; ++j)
            for (int k = 0; k < kSteps; ++k) {
                // Cell centres, so a flat box still counts.
                const auto at = [](float lo, float hi, int n) { return lo + (hi - lo) * (n + 0.5f) / kSteps; };
                const Vector3 p{at(box.min.x, box.max.x, i), at(box.min.y, box.max.y, j), at(box.min.z, box.max.z, k)};
                const Vector3 rel{p.x - eye.x, p.y - eye.y, p.z - eye.z};
                const float depth = Dot(rel, a.forward);
                if (depth > 0.001f && std::fabs(Dot(rel, a.right)) <= depth * tx &&
                    std::fabs(Dot(rel, a.up)) <= depth * ty)
                    ++inside;
            }
    return static_cast<float>(inside) / (kSteps * kSteps * kSteps);
}
