// The building: floor, walls, tokonoma, ceiling and veranda.
#include <algorithm>
#include <cmath>

#include "tools/scenegen/room.h"
#include "tools/scenegen/room_materials.h"

namespace scenegen {
namespace {

using namespace room;

// Corners near the walls and the wall feet get a little darker.
double WallOcclusion(const Vec3& p) {
    const double d = std::min(kRight - std::fabs(p.x), kBack - p.y);
    const double nearWall = SmoothStep(0.0, 1.2, std::max(d, 0.0));
    const double nearCeiling = SmoothStep(kHeight, kHeight - 0.6, p.z);
    return (0.8 + 0.2 * nearWall) * (0.85 + 0.15 * nearCeiling);
}

// Tatami in blocks of two mats, turning every other block, with a strip of
// crosswise mats at the back.
void Floor(RoomBuilder& rb) {
    auto mat = [&](double x0, double y0, double x1, double y1, bool alongY, int n) {
        static const double kVariation[3] = {-0.45, 0.0, 0.45};
        const double phase = kPhase + kVariation[(n * 7 + 3) % 3];
        rb.Quad(kTatami, {x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, phase);
        const double e = 0.07, z = 0.004;
        if (alongY) {
            rb.Quad(kHeri, {x0, y0, z}, {x0 + e, y0, z}, {x0 + e, y1, z}, {x0, y1, z}, kPhase);
            rb.Quad(kHeri, {x1 - e, y0, z}, {x1, y0, z}, {x1, y1, z}, {x1 - e, y1, z}, kPhase);
        } else {
            rb.Quad(kHeri, {x0, y0, z}, {x1, y0, z}, {x1, y0 + e, z}, {x0, y0 + e, z}, kPhase);
            rb.Quad(kHeri, {x0, y1 - e, z}, {x1, y1 - e, z}, {x1, y1, z}, {x0, y1, z}, kPhase);
        }
    };
    int n = 0;
    for (int k = 0; k < 7; ++k)
        for (int i = 0; i < 5; ++i) {
            const double x0 = kLeft + 2 * i, y0 = kFar + 2 * k;
            if ((i + k) % 2 == 0) {
                mat(x0, y0, x0 + 1, y0 + 2, true, n++);
                mat(x0 + 1, y0, x0 + 2, y0 + 2, true, n++);
            } else {
                mat(x0, y0, x0 + 2, y0 + 1, false, n++);
                mat(x0, y0 + 1, x0 + 2, y0 + 2, false, n++);
            }
        }
    for (int i = 0; i < 5; ++i) mat(kLeft + 2 * i, kBack - 1, kLeft + 2 * i + 2, kBack, false, n++);
}

// One shoji panel in the plane x = const (facing the room), from y0 to y1.
void ShojiPanel(RoomBuilder& rb, double x, double y0, double y1, double inward) {
    const double z0 = 0.05, z1 = 2.2, koshi = 0.32, frame = 0.045, bar = 0.018;
    const double xf = x + inward * 0.02, xb = x + inward * 0.03;
    auto face = [&](const RoomMaterial& m, double ya, double za, double yb, double zb, double xx) {
        rb.Quad(m, {xx, ya, za}, {xx, yb, za}, {xx, yb, zb}, {xx, ya, zb}, kPhase);
    };
    face(kShoji, y0, koshi, y1, z1, x);
    face(kLightWood, y0, z0, y1, koshi, xf);  // kick board
    face(kLightWood, y0, z0, y0 + frame, z1, xb);
    face(kLightWood, y1 - frame, z0, y1, z1, xb);
    face(kLightWood, y0, z1 - frame, y1, z1, xb);
    face(kLightWood, y0, koshi, y1, koshi + frame, xb);
    // Lattice: three columns, six rows of paper.
    for (int c = 1; c < 3; ++c) {
        const double y = y0 + (y1 - y0) * c / 3.0;
        face(kLightWood, y - bar / 2, koshi, y + bar / 2, z1, xf);
    }
    for (int r = 1; r < 6; ++r) {
        const double z = koshi + (z1 - koshi) * r / 6.0;
        face(kLightWood, y0, z - bar / 2, y1, z + bar / 2, xf);
    }
}

// One fusuma panel in a plane facing the room: `origin` is its lower left
// corner, `along` its width vector, `normal` points into the room.
void FusumaPanel(RoomBuilder& rb, const Vec3& origin, const Vec3& along, const Vec3& normal, int n) {
    const Vec3 up{0, 0, 2.15};
    const Vec3 off = normal * 0.02;
    const Vec3 a = origin + Vec3{0, 0, 0.05};
    static const double kVariation[3] = {-0.25, 0.0, 0.25};
    rb.Quad(kFusuma, a, a + along, a + along + up, a + up, kPhase + kVariation[n % 3]);
    const double f = 0.04;
    const Vec3 u = Normalize(along);
    auto strip = [&](const Vec3& p, const Vec3& w, const Vec3& h) {
        rb.Quad(kDarkWood, p + off, p + w + off, p + w + h + off, p + h + off, kPhase);
    };
    strip(a, u * f, up);
    strip(a + along - u * f, u * f, up);
    strip(a + up - Vec3{0, 0, f}, along, {0, 0, f});
    strip(a, along, {0, 0, f});
    // Recessed pull, at hand height near the leading edge.
    const Vec3 pull = a + along - u * 0.16 + Vec3{0, 0, 0.95};
    rb.Quad(kHeri, pull + off + u * -0.04, pull + off + u * 0.04, pull + off + u * 0.04 + Vec3{0, 0, 0.1},
            pull + off + u * -0.04 + Vec3{0, 0, 0.1}, kPhase);
}

// The wall above the lintels, the lintel and the sill along one wall line.
void WallBand(RoomBuilder& rb, const Vec3& from, const Vec3& to, const Vec3& inward) {
    const Vec3 up{0, 0, 1};
    const Vec3 l = inward * 0.05;
    rb.Quad(kPlaster, from + up * 2.32, to + up * 2.32, to + up * (kHeight - 0.15), from + up * (kHeight - 0.15),
            kPhase);
    // Lintel: front face and underside.
    rb.Quad(kLightWood, from + up * 2.2 + l, to + up * 2.2 + l, to + up * 2.32 + l, from + up * 2.32 + l, kPhase);
    rb.Quad(kLightWood, from + up * 2.2, to + up * 2.2, to + up * 2.2 + l, from + up * 2.2 + l, kPhase);
    // Sill.
    rb.Quad(kLightWood, from + up * 0.005, to + up * 0.005, to + up * 0.005 + l * 1.6, from + up * 0.005 + l * 1.6,
            kPhase);
    // Cornice at the ceiling.
    rb.Quad(kDarkWood, from + up * (kHeight - 0.15) + l, to + up * (kHeight - 0.15) + l, to + up * kHeight + l,
            from + up * kHeight + l, kPhase);
    rb.Quad(kDarkWood, from + up * (kHeight - 0.15), to + up * (kHeight - 0.15), to + up * (kHeight - 0.15) + l,
            from + up * (kHeight - 0.15) + l, kPhase);
}

void Post(RoomBuilder& rb, double x, double y, double bottom = 0.0, double top = kHeight, double half = 0.08) {
    rb.Box(kDarkWood, {x - half, y - half, bottom}, {x + half, y + half, top}, kPhase, 15);
}

void Walls(RoomBuilder& rb) {
    // Right: shoji all along, between posts.
    const double posts[] = {kFar, -3.0, 1.0, 5.0, kBack};
    for (int b = 0; b + 1 < 5; ++b) {
        const double y0 = posts[b], y1 = posts[b + 1];
        const int panels = static_cast<int>(std::lround(y1 - y0));
        for (int p = 0; p < panels; ++p)
            ShojiPanel(rb, kRight, y0 + (y1 - y0) * p / panels, y0 + (y1 - y0) * (p + 1) / panels, -1.0);
    }
    WallBand(rb, {kRight, kFar, 0}, {kRight, kBack, 0}, {-1, 0, 0});
    for (double y : posts) Post(rb, kRight, y);

    // Left: fusuma from the tokonoma to the back.
    const double tokoEnd = -4.4;
    int n = 0;
    for (double y = tokoEnd; y < kBack - 0.01; y += (kBack - tokoEnd) / 12.0)
        FusumaPanel(rb, {kLeft, y, 0}, {0, (kBack - tokoEnd) / 12.0, 0}, {1, 0, 0}, n++);
    WallBand(rb, {kLeft, tokoEnd, 0}, {kLeft, kBack, 0}, {1, 0, 0});
    for (double y : {tokoEnd, 1.8, kBack}) Post(rb, kLeft, y);

    // Back: fusuma across.
    for (int i = 0; i < 10; ++i) FusumaPanel(rb, {kRight - i, kBack, 0}, {-1, 0, 0}, {0, -1, 0}, n++);
    WallBand(rb, {kRight, kBack, 0}, {kLeft, kBack, 0}, {0, -1, 0});
    Post(rb, 0.0, kBack);

    // Far side: open to the veranda between three bays of posts, with a
    // high beam and a sill.
    for (double x : {kLeft, -2.5, 2.5, kRight}) Post(rb, x, kFar);
    rb.Box(kDarkWood, {kLeft, kFar - 0.1, kHeight - 0.25}, {kRight, kFar + 0.1, kHeight}, kPhase, 60);
    rb.Box(kLightWood, {kLeft, kFar - 0.06, 0}, {kRight, kFar + 0.06, 0.03}, kPhase, 44);
}

void Tokonoma(RoomBuilder& rb) {
    const double y0 = kFar, y1 = -4.4, depth = 0.95, floorZ = 0.18, top = 2.25;
    const double x = kLeft - depth;
    // Raised floor with its black-lacquered front edge.
    rb.Quad(kLightWood, {x, y0, floorZ}, {kLeft, y0, floorZ}, {kLeft, y1, floorZ}, {x, y1, floorZ}, kPhase);
    rb.Quad(kLacquer, {kLeft, y0, 0}, {kLeft, y1, 0}, {kLeft, y1, floorZ}, {kLeft, y0, floorZ}, kPhase);
    rb.Quad(kLacquer, {kLeft, y0, floorZ}, {kLeft, y1, floorZ}, {kLeft - 0.08, y1, floorZ + 0.005},
            {kLeft - 0.08, y0, floorZ + 0.005}, kPhase);
    // Alcove walls and ceiling.
    rb.Quad(kPlaster, {x, y0, floorZ}, {x, y1, floorZ}, {x, y1, top}, {x, y0, top}, kPhase);
    rb.Quad(kPlaster, {x, y0, floorZ}, {x, y0, top}, {kLeft, y0, top}, {kLeft, y0, floorZ}, kPhase);
    rb.Quad(kPlaster, {x, y1, floorZ}, {kLeft, y1, floorZ}, {kLeft, y1, top}, {x, y1, top}, kPhase);
    rb.Quad(kCeiling, {x, y0, top}, {kLeft, y0, top}, {kLeft, y1, top}, {x, y1, top}, kPhase);
    // Wall above the opening, down to the hanging beam.
    rb.Quad(kPlaster, {kLeft, y0, top}, {kLeft, y1, top}, {kLeft, y1, kHeight - 0.15}, {kLeft, y0, kHeight - 0.15},
            kPhase);
    rb.Box(kLightWood, {kLeft - 0.02, y0, top - 0.1}, {kLeft + 0.05, y1, top}, kPhase, 62);
    rb.Box(kDarkWood, {kLeft, y0, kHeight - 0.15}, {kLeft + 0.05, y1, kHeight}, kPhase, 2);
    // The alcove post, rounder and lighter than the others.
    rb.Prism(kLightWood, {kLeft, y1, 0}, 0.09, kHeight, 8, kPhase, false);
}

void Ceiling(RoomBuilder& rb) {
    // Boards across the room, battens along it, and four heavy beams.
    int n = 0;
    for (double y = kFar; y < kBack - 0.01; y += 0.5, ++n) {
        static const double kVariation[4] = {0.0, 0.3, -0.3, 0.15};
        for (double x = kLeft; x < kRight - 0.01; x += 2.5)
            rb.Quad(kCeiling, {x, y, kHeight}, {x, y + 0.5, kHeight}, {x + 2.5, y + 0.5, kHeight},
                    {x + 2.5, y, kHeight}, kPhase + kVariation[n % 4]);
    }
    for (double x = kLeft + 0.5; x < kRight - 0.01; x += 0.5)
        rb.Box(kLightWood, {x - 0.02, kFar, kHeight - 0.05}, {x + 0.02, kBack, kHeight}, kPhase, 19);
    for (double y : {-3.0, 1.0, 5.0})
        rb.Box(kDarkWood, {kLeft, y - 0.12, kHeight - 0.3}, {kRight, y + 0.12, kHeight}, kPhase, 28);
}

void Veranda(RoomBuilder& rb) {
    const double y0 = kFar - 2.2, z = -0.04, x0 = kLeft - 0.6, x1 = kRight + 0.6;
    int n = 0;
    for (double y = y0; y < kFar - 0.01; y += 0.22, ++n) {
        const double ye = std::min(y + 0.22, kFar);
        rb.Quad(kLightWood, {x0, y, z}, {x1, y, z}, {x1, ye, z}, {x0, ye, z}, kPhase + (n % 2 ? 0.35 : -0.2));
    }
    rb.Quad(kDarkWood, {x0, y0, -0.45}, {x1, y0, -0.45}, {x1, y0, z}, {x0, y0, z}, kPhase);
    rb.Quad(kDarkWood, {x0, y0, -0.45}, {x0, y0, z}, {x0, kFar, z}, {x0, kFar, -0.45}, kPhase);
    rb.Quad(kDarkWood, {x1, y0, -0.45}, {x1, kFar, -0.45}, {x1, kFar, z}, {x1, y0, z}, kPhase);
    // Short posts under the edge.
    for (double x = x0 + 0.1; x < x1; x += 2.2)
        rb.Box(kDarkWood, {x, y0 + 0.02, -0.45}, {x + 0.12, y0 + 0.14, z}, kPhase, 15);
}

std::vector<DaeMaterial> MaterialsOf(const Mesh& mesh) {
    std::vector<DaeMaterial> out;
    for (const TriangleGroup& g : mesh.groups) {
        for (const RoomMaterial* m : kAll)
            if (m->id == g.material) {
                DaeMaterial d;
                d.id = m->id;
                d.imageFile = kRoomTextureFile;
                for (int i = 0; i < 3; ++i) d.colour[i] = m->rgb[i] / 255.0;
                out.push_back(d);
            }
    }
    return out;
}

}  // namespace

std::vector<DaeMaterial> RoomMaterialsOf(const Mesh& mesh) { return MaterialsOf(mesh); }

DaeDocument BuildRoomShell() {
    DaeDocument doc;
    doc.name = "Washitsu";
    RoomBuilder rb(doc.mesh);
    rb.occlusion = WallOcclusion;
    Floor(rb);
    Walls(rb);
    Tokonoma(rb);
    Ceiling(rb);
    rb.occlusion = nullptr;
    Veranda(rb);
    doc.materials = MaterialsOf(doc.mesh);
    return doc;
}

QImage PaintRoomPalette() {
    QImage img(kPaletteColumns * 8, 8, QImage::Format_ARGB32);
    for (const RoomMaterial* m : kAll)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) img.setPixel(m->column * 8 + x, y, qRgb(m->rgb[0], m->rgb[1], m->rgb[2]));
    return img;
}

}  // namespace scenegen
