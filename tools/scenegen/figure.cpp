#include "tools/scenegen/figure.h"

#include <algorithm>
#include <cmath>

namespace scenegen {
namespace {

enum Joint { kBody, kHead, kArm, kPaw, kTail1, kTail2, kJointCount };

// Positions below are relative to the figure's base; the bind pose is the
// raised-paw stance. Shoulder, elbow and paw of the raised arm:
const Vec3 kShoulder{0.22, 0.03, 0.66};
const Vec3 kElbow{0.40, 0.07, 0.80};
const Vec3 kPawTip{0.42, 0.11, 1.08};
const Vec3 kHip{0.0, 0.0, 0.10};
const Vec3 kNeck{0.0, 0.02, 0.82};
const Vec3 kTailRoot{0.0, -0.24, 0.10};
const Vec3 kTailMid{0.24, -0.36, 0.10};

// Solid swatches in the bottom strip of the texture, and the striped band
// for the tail.
const Vec2 kWhite{0.0625, 0.0625};
const Vec2 kPink{0.1875, 0.0625};
const Vec2 kRed{0.3125, 0.0625};
const Vec2 kGold{0.4375, 0.0625};

const char* kMaterial = "cat-material";

Vec3 At(const Vec3& p) { return kFigureBase + p; }

void SetWeights(Mesh& mesh, size_t from, const std::function<std::vector<std::pair<int, double>>(const Vec3&)>& fn) {
    for (size_t i = from; i < mesh.vertices.size(); ++i) {
        auto w = fn(mesh.vertices[i].position - kFigureBase);
        double sum = 0;
        for (auto& p : w) sum += p.second;
        std::vector<std::pair<int, double>> kept;
        for (auto& p : w)
            if (p.second / sum > 0.001) kept.push_back({p.first, std::round(p.second / sum * 1e4) / 1e4});
        mesh.vertices[i].weights = kept;
    }
}

std::vector<std::pair<int, double>> Only(int joint) { return {{joint, 1.0}}; }

void FlatTriangle(Mesh& mesh, const Vec3& a, const Vec3& b, const Vec3& c, const Vec2& uv) {
    const Vec3 n = Normalize(Cross(b - a, c - a));
    const int ia = mesh.Add({a, n, uv, {}}), ib = mesh.Add({b, n, uv, {}}), ic = mesh.Add({c, n, uv, {}});
    mesh.Triangle(kMaterial, ia, ib, ic);
}

// A tube of varying radius along a Catmull-Rom curve through `points`;
// returns the curve parameter of each added vertex (0 at points[1], one unit
// per span) through `param`. Both ends are closed with caps.
void Tube(Mesh& mesh, const std::vector<Vec3>& points, const std::function<double(double)>& radius,
          const std::function<Vec2(double, double)>& uv, std::vector<double>& param) {
    const int spans = static_cast<int>(points.size()) - 3;
    const int perSpan = 8, around = 14;
    auto curve = [&](double s) {
        const int i = std::clamp(static_cast<int>(s), 0, spans - 1);
        const double t = s - i;
        const Vec3 &p0 = points[i], &p1 = points[i + 1], &p2 = points[i + 2], &p3 = points[i + 3];
        const double t2 = t * t, t3 = t2 * t;
        return (p1 * 2.0 + (p2 - p0) * t + (p0 * 2.0 - p1 * 5.0 + p2 * 4.0 - p3) * t2 +
                (p1 * 3.0 - p0 - p2 * 3.0 + p3) * t3) *
               0.5;
    };
    const int rings = spans * perSpan;
    Vec3 ref{0, 0, 1};
    const int base = static_cast<int>(mesh.vertices.size());
    for (int r = 0; r <= rings; ++r) {
        const double s = static_cast<double>(r) / perSpan;
        const Vec3 tangent = Normalize(curve(std::min(s + 0.01, double(spans))) - curve(std::max(s - 0.01, 0.0)));
        if (std::fabs(Dot(tangent, ref)) > 0.9) ref = {1, 0, 0};
        const Vec3 side = Normalize(Cross(tangent, ref));
        const Vec3 up = Cross(side, tangent);
        const Vec3 c = curve(s);
        const double rad = radius(s);
        for (int k = 0; k <= around; ++k) {
            const double a = 2.0 * kPi * k / around;
            const Vec3 n = side * std::cos(a) + up * std::sin(a);
            mesh.Add({c + n * rad, n, uv(s, static_cast<double>(k) / around), {}});
            param.push_back(s);
        }
    }
    for (int r = 0; r < rings; ++r)
        for (int k = 0; k < around; ++k) {
            const int a = base + r * (around + 1) + k, b = a + 1, c = a + around + 1, d = c + 1;
            mesh.Triangle(kMaterial, a, c, d);
            mesh.Triangle(kMaterial, a, d, b);
        }
    // Caps: a fan around the end centres.
    for (int end = 0; end < 2; ++end) {
        const double s = end ? spans : 0.0;
        const Vec3 t = Normalize(curve(end ? s : 0.01) - curve(end ? s - 0.01 : 0.0)) * (end ? 1.0 : -1.0);
        const int centre = mesh.Add({curve(s), t, uv(s, 0.0), {}});
        param.push_back(s);
        const int ring = base + (end ? rings : 0) * (around + 1);
        for (int k = 0; k < around; ++k) mesh.Triangle(kMaterial, centre, ring + k, ring + k + 1);
    }
}

std::vector<DaeJoint> Skeleton() {
    std::vector<DaeJoint> j(kJointCount);
    j[kBody] = {"Body", -1, Mat4::Translation(At(kHip))};
    j[kHead] = {"Head", kBody, Mat4::Translation(kNeck - kHip)};
    j[kArm] = {"ArmL", kBody, Mat4::Translation(kShoulder - kHip)};
    j[kPaw] = {"PawL", kArm, Mat4::Translation(kElbow - kShoulder)};
    j[kTail1] = {"Tail1", kBody, Mat4::Translation(kTailRoot - kHip)};
    j[kTail2] = {"Tail2", kTail1, Mat4::Translation(kTailMid - kTailRoot)};
    return j;
}

Mesh BuildMesh() {
    Mesh mesh;
    // Body: an egg, flattened where it sits; the neck follows the head.
    size_t from = mesh.vertices.size();
    mesh.Surface(kMaterial, 32, 20, [](double s, double t) {
        Vertex v = Ellipsoid(At({0, 0, 0.41}), {0.30, 0.27, 0.41}, [](double u, double p) {
            return Vec2{u, 0.5 - 0.375 * p};
        })(s, t);
        const double rel = v.position.z - kFigureBase.z;
        // A fuller lower half.
        const double bulge = 1.0 + 0.12 * SmoothStep(0.6, 0.1, rel);
        v.position.x = kFigureBase.x + (v.position.x - kFigureBase.x) * bulge;
        v.position.y = kFigureBase.y + (v.position.y - kFigureBase.y) * bulge;
        v.position.z = std::max(v.position.z, kFigureBase.z + 0.01);
        return v;
    });
    SetWeights(mesh, from, [](const Vec3& p) {
        const double h = SmoothStep(0.62, 0.84, p.z);
        return std::vector<std::pair<int, double>>{{kBody, 1.0 - h}, {kHead, h}};
    });

    // Head with ears, collar and bell.
    from = mesh.vertices.size();
    mesh.Surface(kMaterial, 36, 24, Ellipsoid(At({0, 0.03, 1.02}), {0.34, 0.28, 0.27}, [](double u, double p) {
                     return Vec2{u, 1.0 - 0.5 * p};
                 }));
    for (int side = -1; side <= 1; side += 2) {
        const Vec3 a = At({side * 0.07, -0.02, 1.24}), b = At({side * 0.27, -0.02, 1.16}),
                   back = At({side * 0.18, -0.13, 1.20}), tip = At({side * 0.23, 0.01, 1.43});
        FlatTriangle(mesh, a, b, tip, kPink);  // inner ear, facing forward
        FlatTriangle(mesh, a, tip, back, kWhite);
        FlatTriangle(mesh, b, back, tip, kWhite);
    }
    SetWeights(mesh, from, [](const Vec3&) { return Only(kHead); });
    from = mesh.vertices.size();
    mesh.Surface(kMaterial, 36, 8, [](double s, double t) {
        const double a = 2.0 * kPi * s, b = 2.0 * kPi * t;
        const Vec3 ring{-std::sin(a), -std::cos(a), 0};
        const Vec3 n = ring * std::cos(b) + Vec3{0, 0, std::sin(b)};
        const Vec3 centre = At({0, 0.02, 0.80}) + Vec3{ring.x * 0.25, ring.y * 0.23, 0};
        return Vertex{centre + n * 0.045, n, kRed, {}};
    });
    mesh.Surface(kMaterial, 16, 10,
                 Ellipsoid(At({0, 0.29, 0.72}), {0.065, 0.065, 0.065}, [](double, double) { return kGold; }));
    SetWeights(mesh, from, [](const Vec3&) { return std::vector<std::pair<int, double>>{{kBody, 0.4}, {kHead, 0.6}}; });

    // The other paw holds a gold coin in front of the belly; two feet.
    from = mesh.vertices.size();
    mesh.Surface(kMaterial, 20, 12,
                 Ellipsoid(At({-0.02, 0.30, 0.42}), {0.13, 0.035, 0.18}, [](double, double) { return kGold; }));
    mesh.Surface(kMaterial, 16, 10,
                 Ellipsoid(At({-0.17, 0.27, 0.50}), {0.09, 0.09, 0.10}, [](double, double) { return kWhite; }));
    for (int side = -1; side <= 1; side += 2)
        mesh.Surface(kMaterial, 16, 8, Ellipsoid(At({side * 0.13, 0.22, 0.05}), {0.09, 0.11, 0.06}, [](double, double) {
                         return kWhite;
                     }));
    SetWeights(mesh, from, [](const Vec3&) { return Only(kBody); });

    // Raised arm: one tube from inside the body through the elbow, blended
    // over three joints so that the beckoning bends it smoothly.
    from = mesh.vertices.size();
    std::vector<double> param;
    const Vec3 inside{0.05, 0.0, 0.56};
    Tube(
        mesh, {At(inside), At(kShoulder), At(kElbow), At(kPawTip), At(kPawTip + Vec3{0, 0.02, 0.2})},
        [](double s) { return 0.085 - 0.012 * s / 2.0; }, [](double, double) { return kWhite; }, param);
    for (size_t i = from; i < mesh.vertices.size(); ++i) {
        const double s = param[i - from];
        const double body = 1.0 - SmoothStep(0.0, 0.45, s);
        const double paw = SmoothStep(0.72, 1.3, s);
        mesh.vertices[i].weights.clear();
        for (auto [j, w] : {std::pair<int, double>{kBody, body}, {kArm, std::max(0.0, 1.0 - body - paw)}, {kPaw, paw}})
            if (w > 0.001) mesh.vertices[i].weights.push_back({j, std::round(w * 1e4) / 1e4});
    }
    // The paw itself, with a pink pad facing forward.
    from = mesh.vertices.size();
    mesh.Surface(kMaterial, 18, 12,
                 Ellipsoid(At(kPawTip + Vec3{0, 0.0, 0.0}), {0.10, 0.09, 0.10}, [](double u, double p) {
                     const bool pad = std::fabs(u - 0.5) < 0.12 && p > 0.3 && p < 0.75;
                     return pad ? kPink : kWhite;
                 }));
    SetWeights(mesh, from, [](const Vec3&) { return Only(kPaw); });

    // Tail curling round the right side on the floor, striped.
    from = mesh.vertices.size();
    param.clear();
    Tube(
        mesh,
        {At({0, -0.10, 0.14}), At(kTailRoot), At(kTailMid), At({0.36, -0.16, 0.12}), At({0.38, 0.06, 0.16}),
         At({0.34, 0.16, 0.22})},
        [](double s) { return 0.055 - 0.01 * s / 3.0; },
        [](double s, double) {
            return Vec2{0.52 + 0.46 * s / 3.0, 0.0625};
        },
        param);
    for (size_t i = from; i < mesh.vertices.size(); ++i) {
        const double s = param[i - from];
        const double body = 1.0 - SmoothStep(0.0, 0.35, s);
        const double tip = SmoothStep(0.7, 1.4, s);
        mesh.vertices[i].weights.clear();
        for (auto [j, w] :
             {std::pair<int, double>{kBody, body}, {kTail1, std::max(0.0, 1.0 - body - tip)}, {kTail2, tip}})
            if (w > 0.001) mesh.vertices[i].weights.push_back({j, std::round(w * 1e4) / 1e4});
    }
    return mesh;
}

// Local transform of each joint at loop phase `phase` (radians).
Mat4 Pose(const std::vector<DaeJoint>& joints, int joint, double phase) {
    const Mat4& bind = joints[joint].local;
    const double beckon = 0.5 - 0.5 * std::cos(3.0 * phase);
    switch (joint) {
        case kBody:
            return bind * Mat4::Rotation({0, 0, 1}, 0.07 * std::sin(phase)) *
                   Mat4::Rotation({0, 1, 0}, 0.03 * std::sin(2.0 * phase));
        case kHead:
            return bind * Mat4::Rotation({0, 1, 0}, 0.16 * std::sin(phase)) *
                   Mat4::Rotation({1, 0, 0}, 0.06 * std::sin(3.0 * phase + 0.6));
        case kArm: return bind * Mat4::Rotation({1, 0, 0}, -0.2 * beckon) * Mat4::Rotation({0, 1, 0}, -0.08 * beckon);
        case kPaw: return bind * Mat4::Rotation({1, 0, 0}, -1.25 * beckon);
        case kTail1: return bind * Mat4::Rotation({0, 0, 1}, 0.30 * std::sin(phase));
        case kTail2: return bind * Mat4::Rotation({0, 0, 1}, 0.45 * std::sin(phase - 0.9));
        default: return bind;
    }
}

}  // namespace

DaeDocument BuildFigure() {
    DaeDocument doc;
    doc.name = "Cat";
    doc.mesh = BuildMesh();
    DaeMaterial m;
    m.id = kMaterial;
    m.imageFile = kFigureTextureFile;
    doc.materials.push_back(m);
    doc.joints = Skeleton();
    const int keys = 49;  // every 0.25 units, the last equal to the first
    for (int j = 0; j < kJointCount; ++j) {
        DaeChannel ch;
        ch.joint = j;
        for (int k = 0; k < keys; ++k) {
            const double t = kFigureLoop * k / (keys - 1);
            ch.times.push_back(t);
            ch.matrices.push_back(Pose(doc.joints, j, 2.0 * kPi * k / (keys - 1)));
        }
        doc.channels.push_back(ch);
    }
    return doc;
}

}  // namespace scenegen
