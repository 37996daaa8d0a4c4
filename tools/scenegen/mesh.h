#pragma once
// Triangle meshes for the bundled scene: one vertex list shared by several
// material groups. Every vertex carries its own position, normal and texture
// coordinate, so a written document indexes all three with one index.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tools/scenegen/geom.h"

namespace scenegen {

struct Vertex {
    Vec3 position;
    Vec3 normal;
    Vec2 uv;
    std::vector<std::pair<int, double>> weights;  // (joint index, weight)
};

struct TriangleGroup {
    std::string material;      // material id, also the primitive's material symbol
    std::vector<int> indices;  // three per triangle
};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<TriangleGroup> groups;

    TriangleGroup& Group(const std::string& material);
    int Add(const Vertex& v);
    void Triangle(const std::string& material, int a, int b, int c);
    // A flat quad a-b-c-d (counter-clockwise seen from the side `normal`
    // points to) with its own four vertices.
    void Quad(const std::string& material, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Vec2& ua,
              const Vec2& ub, const Vec2& uc, const Vec2& ud);
    // A grid surface: point(s, t) for s, t in [0, 1] gives position, normal and
    // texture coordinate; (ns + 1) x (nt + 1) shared vertices.
    using SurfaceFn = std::function<Vertex(double s, double t)>;
    void Surface(const std::string& material, int ns, int nt, const SurfaceFn& fn);
    size_t TriangleCount() const;
};

// An ellipsoid surface function around `centre` with radii `r`; `uv` maps
// (azimuth fraction, polar fraction) to a texture coordinate. Azimuth 0.5
// faces +Y, 0.25 faces -X, 0.75 faces +X; polar 0 is the top.
Mesh::SurfaceFn Ellipsoid(const Vec3& centre, const Vec3& r, std::function<Vec2(double, double)> uv);

}  // namespace scenegen
