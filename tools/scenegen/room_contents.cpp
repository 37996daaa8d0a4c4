// What stands in the room and beyond it: the figure's cushion, the low table
// with its cushions, the hanging lamps, and the garden.
#include <cmath>

#include "tools/scenegen/figure.h"
#include "tools/scenegen/room.h"
#include "tools/scenegen/room_materials.h"

namespace scenegen {
namespace {

using namespace room;

constexpr double kLampPhase = kPhase + 0.7;
constexpr double kGround = -0.45;

void Cushion(RoomBuilder& rb, const Vec3& centre, double size, double height) {
    const double h = size / 2;
    rb.Box(kCushion, centre + Vec3{-h, -h, 0}, centre + Vec3{h, h, height}, kPhase, 47);
    // Tufts in the middle.
    rb.Box(kHeri, centre + Vec3{-0.03, -0.03, height}, centre + Vec3{0.03, 0.03, height + 0.01}, kPhase, 32);
}

void Table(RoomBuilder& rb, const Vec3& c) {
    const double hx = 0.8, hy = 0.5, top = 0.36, t = 0.05, leg = 0.05;
    rb.Box(kLacquer, c + Vec3{-hx, -hy, top - t}, c + Vec3{hx, hy, top}, kPhase, 63);
    for (int sx = -1; sx <= 1; sx += 2)
        for (int sy = -1; sy <= 1; sy += 2) {
            const Vec3 l = c + Vec3{sx * (hx - 0.1), sy * (hy - 0.1), 0};
            rb.Box(kLacquer, l + Vec3{-leg, -leg, 0}, l + Vec3{leg, leg, top - t}, kPhase, 15);
        }
    // A teapot and two cups on a tray.
    rb.Box(kLightWood, c + Vec3{-0.3, -0.22, top}, c + Vec3{0.3, 0.22, top + 0.02}, kPhase, 63);
    rb.Prism(kStone, c + Vec3{-0.1, 0, top + 0.02}, 0.1, 0.13, 8, kPhase, true, 0.07);
    rb.Prism(kStone, c + Vec3{0.16, 0.08, top + 0.02}, 0.045, 0.06, 8, kPhase);
    rb.Prism(kStone, c + Vec3{0.16, -0.09, top + 0.02}, 0.045, 0.06, 8, kPhase);
}

// A paper lantern hanging on a cord from `hook`, its shade centred at `centre`.
void Lantern(RoomBuilder& rb, const Vec3& centre, double hookZ) {
    const double r = 0.27, half = 0.3;
    const Vec3 bottom = centre - Vec3{0, 0, half};
    rb.Prism(kLampPaper, bottom, r, 2 * half, 8, kLampPhase, false);
    rb.Prism(kDarkWood, bottom - Vec3{0, 0, 0.04}, r + 0.015, 0.05, 8, kPhase, true);
    rb.Prism(kDarkWood, centre + Vec3{0, 0, half - 0.01}, r + 0.015, 0.06, 8, kPhase, true, r - 0.05);
    // Ribs at the corners.
    for (int k = 0; k < 8; ++k) {
        const double a = 2 * kPi * k / 8;
        const Vec3 d{std::cos(a), std::sin(a), 0};
        const Vec3 side{-d.y, d.x, 0};
        const Vec3 p = bottom + d * (r + 0.006);
        rb.Quad(kDarkWood, p - side * 0.012, p + side * 0.012, p + side * 0.012 + Vec3{0, 0, 2 * half},
                p - side * 0.012 + Vec3{0, 0, 2 * half}, kPhase);
    }
    const double top = centre.z + half + 0.05;
    rb.Box(kDarkWood, {centre.x - 0.008, centre.y - 0.008, top}, {centre.x + 0.008, centre.y + 0.008, hookZ}, kPhase,
           15);
}

void Garden(RoomBuilder& rb) {
    // Raked sand in strips, darker far away.
    const double y0 = kFar - 2.2, y1 = -17.0;
    int n = 0;
    for (double y = y0; y > y1 + 0.01; y -= 0.4, ++n)
        for (double x = -24.0; x < 24.0 - 0.01; x += 4.0) {
            const double ye = std::max(y - 0.4, y1);
            const double far0 = 1.0 - 0.35 * SmoothStep(y0, y1, y), far1 = 1.0 - 0.35 * SmoothStep(y0, y1, ye);
            const double raked = (n % 2) ? 1.0 : 0.86;
            const double shade[4] = {far0 * raked, far1 * raked, far1 * raked, far0 * raked};
            rb.Quad(kSand, {x, y, kGround}, {x, ye, kGround}, {x + 4.0, ye, kGround}, {x + 4.0, y, kGround},
                    kPhase + (n % 2 ? 0.25 : -0.25), shade);
        }
    // Stepping stones from the veranda.
    const Vec3 stones[] = {{-0.6, -9.8, kGround}, {0.3, -10.9, kGround}, {-0.2, -12.1, kGround}, {0.7, -13.3, kGround}};
    for (const Vec3& s : stones) rb.Prism(kStone, s, 0.36, 0.08, 8, kPhase);
    // Stone lantern on the right.
    const Vec3 t{3.6, -12.6, kGround};
    rb.Prism(kStone, t, 0.34, 0.16, 6, kPhase);
    rb.Prism(kStone, t + Vec3{0, 0, 0.16}, 0.13, 0.75, 8, kPhase);
    rb.Prism(kStone, t + Vec3{0, 0, 0.91}, 0.3, 0.1, 6, kPhase);
    rb.Box(kLampPaper, t + Vec3{-0.16, -0.16, 1.01}, t + Vec3{0.16, 0.16, 1.3}, kLampPhase, 15);
    rb.Prism(kStone, t + Vec3{0, 0, 1.3}, 0.5, 0.22, 6, kPhase, true, 0.1);
    rb.Prism(kStone, t + Vec3{0, 0, 1.52}, 0.08, 0.1, 6, kPhase);
    // Shrubs along the fence.
    const Vec3 shrubs[] = {{-7.5, -15.6, kGround},
                           {-4.8, -15.9, kGround},
                           {-1.5, -15.7, kGround},
                           {6.8, -15.7, kGround},
                           {9.5, -15.5, kGround}};
    int k = 0;
    for (const Vec3& s : shrubs) {
        // A clipped, rounded bush: a stack of rings on a half-ellipsoid.
        const double r = 0.9 + 0.25 * (k++ % 3), h = r * 1.1;
        const int rings = 5;
        for (int j = 0; j < rings; ++j) {
            const double a0 = 0.5 * kPi * j / rings, a1 = 0.5 * kPi * (j + 1) / rings;
            rb.Prism(kFoliage, s + Vec3{0, 0, h * std::sin(a0)}, r * std::cos(a0), h * (std::sin(a1) - std::sin(a0)),
                     14, kPhase, j == rings - 1, r * std::cos(a1));
        }
    }
    // Bamboo fence closing the garden.
    const double fy = -16.4, top = 1.05;
    for (double x = -24.0; x < 24.0; x += 0.12)
        rb.Quad(kBamboo, {x, fy, kGround}, {x + 0.09, fy, kGround}, {x + 0.09, fy, top}, {x, fy, top},
                kPhase + ((static_cast<int>((x + 24) / 0.12)) % 3 - 1) * 0.3);
    for (double z : {0.0, 0.7}) rb.Box(kDarkWood, {-24, fy + 0.02, z}, {24, fy + 0.08, z + 0.05}, kPhase, 60);
    for (double x = -24.0; x <= 24.0; x += 3.0)
        rb.Box(kDarkWood, {x, fy + 0.02, kGround}, {x + 0.1, fy + 0.12, top + 0.1}, kPhase, 47);
}

void Scroll(RoomBuilder& rb) {
    // Hanging scroll with an ink circle on the alcove's back wall.
    const double x = kLeft - 0.95 + 0.01, y = -5.7, w = 0.34;
    rb.Quad(kScroll, {x, y - w, 0.7}, {x, y + w, 0.7}, {x, y + w, 2.05}, {x, y - w, 2.05}, kPhase);
    rb.Box(kDarkWood, {x, y - w - 0.04, 0.66}, {x + 0.04, y + w + 0.04, 0.7}, kPhase, 63);
    rb.Box(kDarkWood, {x, y - w - 0.02, 2.05}, {x + 0.03, y + w + 0.02, 2.08}, kPhase, 63);
    const double cz = 1.45, r = 0.2, ring = 0.035;
    for (int k = 0; k < 16; ++k) {
        const double a0 = 2 * kPi * k / 16, a1 = 2 * kPi * (k + 1) / 16;
        auto p = [&](double a, double rr) { return Vec3{x + 0.004, y + rr * std::cos(a), cz + rr * std::sin(a)}; };
        rb.Quad(kHeri, p(a0, r - ring), p(a1, r - ring), p(a1, r), p(a0, r), kPhase);
    }
    // A vase on the alcove floor.
    rb.Prism(kLacquer, {kLeft - 0.5, -6.4, 0.18}, 0.1, 0.32, 8, kPhase, true, 0.06);
}

}  // namespace

DaeDocument BuildRoomContents() {
    DaeDocument doc;
    doc.name = "Furnishings";
    RoomBuilder rb(doc.mesh);
    Cushion(rb, {kFigureBase.x, kFigureBase.y, 0}, 0.95, kFigureBase.z);
    Table(rb, {2.4, -5.1, 0});
    Cushion(rb, {2.4, -3.9, 0}, 0.7, 0.08);
    Cushion(rb, {2.4, -6.3, 0}, 0.7, 0.08);
    // The three hanging lamps: two from the ceiling, one from a post outside.
    Lantern(rb, {-3.0, -2.8, 2.0}, kHeight);
    Lantern(rb, {3.2, 5.2, 2.0}, kHeight);
    rb.Box(kDarkWood, {-3.72, -10.86, kGround}, {-3.6, -10.74, 2.62}, kPhase, 63);
    rb.Box(kDarkWood, {-3.72, -10.85, 2.52}, {-2.9, -10.75, 2.6}, kPhase, 63);
    Lantern(rb, {-3.0, -10.8, 2.0}, 2.52);
    Scroll(rb);
    Garden(rb);
    doc.materials = RoomMaterialsOf(doc.mesh);
    return doc;
}

}  // namespace scenegen
