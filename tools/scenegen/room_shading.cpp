#include "tools/scenegen/room_shading.h"

#include <cmath>

namespace scenegen {
namespace {

// The room pass's three lamps and their usual intensity.
const Vec3 kLamps[3] = {{-3.5, -10.8, 2.5}, {-3.5, -2.8, 2.5}, {3.2, 5.8, 2.5}};
constexpr double kLampIntensity = 0.3;
constexpr double kLampRed = 0.9;
// The pass's floor on the lamp sum; with real distances it always applies.
constexpr double kSumFloor = 40.0;
constexpr double kPhaseTolerance = 0.15;

double WrapAngle(double a) {
    while (a > kPi) a -= 2 * kPi;
    while (a < -kPi) a += 2 * kPi;
    return a;
}

}  // namespace

double LampTerm(const Vec3& p) {
    double sum = 0;
    for (const Vec3& l : kLamps) sum += 0.8 * kLampIntensity / std::max(Length(p - l), 0.05);
    return sum;
}

double RoomLevel(double level, const Vec3& p) { return level * Clamp(std::pow(LampTerm(p) / 0.12, 0.45), 0.45, 1.35); }

Vec2 RoomUv(int column, double level, const Vec3& p) {
    const double term = LampTerm(p);
    const double gain = RoomLevel(level, p) / (kLampRed * term);
    const double u = (column + 0.5) / kPaletteColumns;
    const double du = (u - 0.8) * 0.5;
    double f = (kSumFloor / gain - 0.5) / 5.0;
    f = Clamp(f, du * du + 0.0001, 900.0);
    return {u, -0.6 + std::sqrt(f - du * du)};
}

double FlickerPhase(int pair) { return ((pair * 2 * 67) % 100) * 0.1; }

int RoomBuilder::Slot(const std::string& material, double phase) {
    int& next = nextPair_[material];
    int pair = next;
    while (std::fabs(WrapAngle(FlickerPhase(pair) - phase)) > kPhaseTolerance) ++pair;
    const int skipped = pair - next;
    next = pair + 1;
    return skipped;
}

void RoomBuilder::Quad(const RoomMaterial& m, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, double phase,
                       const double shade[4]) {
    const Vec3 pts[4] = {a, b, c, d};
    Vec2 uv[4];
    for (int i = 0; i < 4; ++i) {
        double s = shade ? shade[i] : 1.0;
        if (occlusion) s *= occlusion(pts[i]);
        uv[i] = RoomUv(m.column, m.level * s, pts[i]);
    }
    const int skipped = Slot(m.id, phase);
    const Vec3 n = Normalize(Cross(b - a, d - a));
    int idx[4];
    for (int i = 0; i < 4; ++i) idx[i] = mesh_.Add({pts[i], n, uv[i], {}});
    // Skipped slots get empty triangles on the quad's first corner.
    for (int k = 0; k < 2 * skipped; ++k) mesh_.Triangle(m.id, idx[0], idx[0], idx[0]);
    mesh_.Triangle(m.id, idx[0], idx[1], idx[2]);
    mesh_.Triangle(m.id, idx[0], idx[2], idx[3]);
}

void RoomBuilder::Box(const RoomMaterial& m, const Vec3& lo, const Vec3& hi, double phase, int faces) {
    const Vec3 p000{lo.x, lo.y, lo.z}, p100{hi.x, lo.y, lo.z}, p010{lo.x, hi.y, lo.z}, p110{hi.x, hi.y, lo.z};
    const Vec3 p001{lo.x, lo.y, hi.z}, p101{hi.x, lo.y, hi.z}, p011{lo.x, hi.y, hi.z}, p111{hi.x, hi.y, hi.z};
    if (faces & 1) Quad(m, p000, p010, p011, p001, phase);
    if (faces & 2) Quad(m, p100, p101, p111, p110, phase);
    if (faces & 4) Quad(m, p000, p001, p101, p100, phase);
    if (faces & 8) Quad(m, p010, p110, p111, p011, phase);
    if (faces & 16) Quad(m, p000, p100, p110, p010, phase);
    if (faces & 32) Quad(m, p001, p011, p111, p101, phase);
}

void RoomBuilder::Prism(const RoomMaterial& m, const Vec3& base, double radius, double height, int sides, double phase,
                        bool caps, double topRadius) {
    if (topRadius < 0) topRadius = radius;
    auto ring = [&](int k, double r, double z) {
        const double a = 2 * kPi * k / sides;
        return base + Vec3{r * std::cos(a), r * std::sin(a), z};
    };
    for (int k = 0; k < sides; ++k)
        Quad(m, ring(k, radius, 0), ring(k + 1, radius, 0), ring(k + 1, topRadius, height), ring(k, topRadius, height),
             phase);
    if (!caps) return;
    // Caps as quads of two adjacent rim edges and the centre.
    const Vec3 top = base + Vec3{0, 0, height};
    for (int k = 0; k < sides; k += 2) {
        Quad(m, top, ring(k, topRadius, height), ring(k + 1, topRadius, height), ring(k + 2, topRadius, height), phase);
        Quad(m, base, ring(k + 2, radius, 0), ring(k + 1, radius, 0), ring(k, radius, 0), phase);
    }
}

}  // namespace scenegen
