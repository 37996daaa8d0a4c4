#include "tools/scenegen/mesh.h"

#include <cmath>

namespace scenegen {

TriangleGroup& Mesh::Group(const std::string& material) {
    for (TriangleGroup& g : groups)
        if (g.material == material) return g;
    groups.push_back({material, {}});
    return groups.back();
}

int Mesh::Add(const Vertex& v) {
    vertices.push_back(v);
    return static_cast<int>(vertices.size()) - 1;
}

void Mesh::Triangle(const std::string& material, int a, int b, int c) {
    TriangleGroup& g = Group(material);
    g.indices.insert(g.indices.end(), {a, b, c});
}

void Mesh::Quad(const std::string& material, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec2& ua,
                const Vec2& ub, const Vec2& uc, const Vec2& ud) {
    const Vec3 n = Normalize(Cross(b - a, d - a));
    const int ia = Add({a, n, ua, {}});
    const int ib = Add({b, n, ub, {}});
    const int ic = Add({c, n, uc, {}});
    const int id = Add({d, n, ud, {}});
    Triangle(material, ia, ib, ic);
    Triangle(material, ia, ic, id);
}

void Mesh::Surface(const std::string& material, int ns, int nt, const SurfaceFn& fn) {
    const int base = static_cast<int>(vertices.size());
    for (int j = 0; j <= nt; ++j)
        for (int i = 0; i <= ns; ++i) Add(fn(static_cast<double>(i) / ns, static_cast<double>(j) / nt));
    for (int j = 0; j < nt; ++j)
        for (int i = 0; i < ns; ++i) {
            const int a = base + j * (ns + 1) + i, b = a + 1, c = a + ns + 1, d = c + 1;
            Triangle(material, a, c, d);
            Triangle(material, a, d, b);
        }
}

size_t Mesh::TriangleCount() const {
    size_t n = 0;
    for (const TriangleGroup& g : groups) n += g.indices.size() / 3;
    return n;
}

Mesh::SurfaceFn Ellipsoid(const Vec3& centre, const Vec3& r, std::function<Vec2(double, double)> uv) {
    return [=](double s, double t) {
        const double a = 2.0 * kPi * s, p = kPi * t;
        const Vec3 dir{-std::sin(a) * std::sin(p), -std::cos(a) * std::sin(p), std::cos(p)};
        Vertex v;
        v.position = centre + Vec3{dir.x * r.x, dir.y * r.y, dir.z * r.z};
        v.normal = Normalize({dir.x / r.x, dir.y / r.y, dir.z / r.z});
        v.uv = uv(s, t);
        return v;
    };
}

}  // namespace scenegen
