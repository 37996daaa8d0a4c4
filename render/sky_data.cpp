#include "render/sky_data.h"

#include <cmath>
#include <cstring>

SkyRgb SkyColourAt(int timeOfDay) {
    const double a = timeOfDay / 86400.0 * 2.0 * 3.14159265;
    const double d = std::sin(a) * std::sin(a);
    const double e = -std::cos(a);
    // Truncations toward zero, as the integer conversions do.
    int r = static_cast<int>(e * 100.0) - static_cast<int>(d * -255.0);
    int g = static_cast<int>(e * 180.0) - static_cast<int>(d * -180.0);
    int b = static_cast<int>(e * 255.0) - static_cast<int>(d * -100.0);
    if (r < 10) r = 10;
    if (g < 10) g = 10;
    if (b < 60) b = 60;
    if (r > 255) r = 255;
    if (g > 255) g = 255;
    if (b > 255) b = 255;
    return {r, g, b};
}

void FillCloudParameters(SkyConstants& mirror, std::uint32_t seed) {
    std::memset(static_cast<void*>(&mirror), 0, sizeof mirror);  // zero matrices, not identities
    SkyRandom random(seed);
    for (Vector4& c : mirror.CloudParam2) {
        const float r1 = static_cast<float>(random.Next() % 10000 * 0.1 / 1000.0 * 3.1415927 * 2.0);
        const float r2 = static_cast<float>(random.Next() % 10000 * 0.1 / 1000.0 * 3.1415927 * 2.0);
        const float r3 = static_cast<float>(random.Next() % 10000 * 0.1 / 10000.0 + 0.001);
        const float r4 = static_cast<float>(random.Next() % 10000 * 0.1 / 10000.0 + 0.001);
        c = {std::sin(r1), std::cos(r2), r3, r4};
    }
    mirror.CloudParam1 = {0.08f, 0.015f, 0.0f, 0.0f};
}

Matrix4 MoonMatrix(float angle, const Vector4& moon) {
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const float c = static_cast<float>(std::cos(static_cast<double>(angle)));
    Matrix4 m;
    m.m[1][1] = c;
    m.m[1][2] = s;
    m.m[2][1] = -s;
    m.m[2][2] = c;
    m.m[3][0] = moon.x;
    m.m[3][1] = moon.y;
    m.m[3][2] = moon.z;
    return m;
}

namespace {

SkyVertex DomeVertex(float azimuth, float elevation) {
    const double a = azimuth;
    const double e = elevation;
    const float radius = static_cast<float>(1000.0 * std::cos(e));
    const float height = static_cast<float>(333.33334 - 500.0 * std::cos(e));
    SkyVertex v{};
    v.position[0] = static_cast<float>(std::sin(a) * radius);
    v.position[1] = static_cast<float>(std::cos(a) * radius);
    v.position[2] = height;
    std::memcpy(v.normal, v.position, sizeof v.normal);
    v.texcoord[0] = static_cast<float>(a / 6.2831855);
    v.texcoord[1] = static_cast<float>(2.0 * std::cos(e) + 0.1);
    return v;
}

}  // namespace

std::vector<SkyVertex> BuildDomeVertices() {
    constexpr float kRowStep = 0.09817477f;    // pi / 32
    constexpr float kColumnStep = 0.3926991f;  // pi / 8
    std::vector<SkyVertex> out;
    // Single-precision accumulation decides the row and column counts.
    float e0 = 0.0f;
    for (;;) {
        const float e1 = e0 + kRowStep;
        // A cell is generated before its end is tested: 16 columns.
        float a0 = 0.0f;
        for (;;) {
            const float a1 = a0 + kColumnStep;
            out.push_back(DomeVertex(a0, e0));
            out.push_back(DomeVertex(a0, e1));
            out.push_back(DomeVertex(a1, e0));
            out.push_back(DomeVertex(a1, e1));
            if (!(a1 < 6.2821856f)) break;
            a0 = a1;
        }
        if (!(e1 < 1.5717964f)) break;
        e0 = e1;
    }
    return out;
}

std::vector<SkyVertex> BuildMoonVertices(float s) {
    const float corners[4][4] = {
        {s, s, -1.0f, -1.0f}, {-s, s, 1.0f, -1.0f}, {s, -s, -1.0f, 1.0f}, {-s, -s, 1.0f, 1.0f}};
    std::vector<SkyVertex> out;
    for (const auto& c : corners) {
        SkyVertex v{};
        v.position[0] = c[0];
        v.position[1] = 0.0f;
        v.position[2] = c[1];
        v.normal[2] = 1.0f;
        v.texcoord[0] = c[2];
        v.texcoord[1] = c[3];
        out.push_back(v);
    }
    return out;
}
