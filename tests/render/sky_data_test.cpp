// The sky's colour ramp, seeded cloud waves, dome and moon geometry and tick.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "render/sky.h"
#include "render/sky_data.h"

namespace {

void ExpectColour(int time, int r, int g, int b) {
    const SkyRgb c = SkyColourAt(time);
    EXPECT_EQ(c.r, r) << "time " << time;
    EXPECT_EQ(c.g, g) << "time " << time;
    EXPECT_EQ(c.b, b) << "time " << time;
}

}  // namespace

TEST(SkyColour, FixedTimesOfDay) {
    ExpectColour(0, 10, 10, 60);  // midnight
    ExpectColour(6 * 3600, 255, 180, 100);
    ExpectColour(12 * 3600, 100, 180, 255);
    ExpectColour(18 * 3600, 255, 180, 100);
    ExpectColour(69600, 191, 97, 60);  // the room's 19:20
}

TEST(SkyColour, MemberUsesTheTimeOfDay) {
    CSky sky;
    EXPECT_EQ(sky.TimeOfDay, 43200);
    EXPECT_EQ(sky.ComputeColour().b, 255);
    sky.TimeOfDay = 69600;
    const SkyRgb c = sky.ComputeColour();
    EXPECT_EQ(c.r, 191);
    EXPECT_EQ(c.g, 97);
    EXPECT_EQ(c.b, 60);
}

TEST(SkyColour, NeverBelowTheFloorValues) {
    for (int t = 0; t < 86400; t += 97) {
        const SkyRgb c = SkyColourAt(t);
        ASSERT_GE(c.r, 10);
        ASSERT_GE(c.g, 10);
        ASSERT_GE(c.b, 60);
        ASSERT_LE(c.r, 255);
        ASSERT_LE(c.g, 255);
        ASSERT_LE(c.b, 255);
    }
}

TEST(SkyRandom, MatchesTheLinearCongruentialSequence) {
    // The first values of the classic generator seeded with 1.
    SkyRandom r(1);
    EXPECT_EQ(r.Next(), 41);
    EXPECT_EQ(r.Next(), 18467);
    EXPECT_EQ(r.Next(), 6334);
}

TEST(CloudParameters, Seed1238FromTheFormula) {
    // Recomputed here step by step from the generator's definition.
    std::uint64_t x = 1238;
    auto next = [&x]() {
        x = (x * 214013 + 2531011) % 4294967296ull;
        return static_cast<int>((x >> 16) & 0x7FFF);
    };
    SkyConstants mirror;
    FillCloudParameters(mirror, 1238);
    for (int i = 0; i < 16; ++i) {
        const int a = next(), b = next(), c = next(), d = next();
        const double angle1 = (a % 10000) * 0.1 / 1000.0 * 3.1415927 * 2.0;
        const double angle2 = (b % 10000) * 0.1 / 1000.0 * 3.1415927 * 2.0;
        EXPECT_NEAR(mirror.CloudParam2[i].x, std::sin(angle1), 1e-6) << i;
        EXPECT_NEAR(mirror.CloudParam2[i].y, std::cos(angle2), 1e-6) << i;
        EXPECT_NEAR(mirror.CloudParam2[i].z, (c % 10000) * 0.1 / 10000.0 + 0.001, 1e-7) << i;
        EXPECT_NEAR(mirror.CloudParam2[i].w, (d % 10000) * 0.1 / 10000.0 + 0.001, 1e-7) << i;
        EXPECT_GE(mirror.CloudParam2[i].z, 0.001f);
        EXPECT_LT(mirror.CloudParam2[i].z, 0.101f);
    }
    EXPECT_FLOAT_EQ(mirror.CloudParam1.x, 0.08f);
    EXPECT_FLOAT_EQ(mirror.CloudParam1.y, 0.015f);
    EXPECT_EQ(mirror.CloudParam1.z, 0.0f);
    // Everything else is zero, matrices included.
    for (int i = 0; i < 16; ++i) EXPECT_EQ(mirror.MatMoon.Data()[i], 0.0f);
    EXPECT_EQ(mirror.SkyColor.x, 0.0f);
    EXPECT_EQ(mirror.MoonPos.w, 0.0f);
}

TEST(CloudParameters, DifferentSeedsDiffer) {
    SkyConstants a, b;
    FillCloudParameters(a, 1238);
    FillCloudParameters(b, 1239);
    EXPECT_NE(a.CloudParam2[0].x, b.CloudParam2[0].x);
}

TEST(SkyGeometry, DomeHas17RowsOf16Cells) {
    const std::vector<SkyVertex> dome = BuildDomeVertices();
    ASSERT_EQ(dome.size(), 1088u);
    // First cell: (a0, e0), (a0, e1), (a1, e0), (a1, e1) at azimuth 0 and pi/8.
    EXPECT_FLOAT_EQ(dome[0].position[0], 0.0f);
    EXPECT_FLOAT_EQ(dome[0].position[1], 1000.0f);
    EXPECT_NEAR(dome[0].position[2], 333.33334f - 500.0f, 1e-3);
    EXPECT_FLOAT_EQ(dome[0].texcoord[0], 0.0f);
    EXPECT_FLOAT_EQ(dome[0].texcoord[1], 2.1f);
    EXPECT_NEAR(dome[1].position[1], 1000.0 * std::cos(0.09817477), 1e-2);
    EXPECT_NEAR(dome[2].position[0], 1000.0 * std::sin(0.3926991), 1e-2);
    EXPECT_NEAR(dome[2].texcoord[0], 0.3926991 / 6.2831855, 1e-6);
    // The normal is the position.
    for (int k = 0; k < 3; ++k) EXPECT_EQ(dome[5].normal[k], dome[5].position[k]);
    // The last row reaches past the zenith: its upper elevation is 17 pi / 32.
    const SkyVertex& top = dome[dome.size() - 1];
    EXPECT_NEAR(top.texcoord[1], 2.0 * std::cos(17 * 0.09817477) + 0.1, 1e-4);
    EXPECT_GT(top.position[2], 333.0f);
    // The last column ends near a full turn.
    EXPECT_NEAR(dome[dome.size() - 2].texcoord[0], 1.0, 1e-5);
}

TEST(SkyGeometry, MoonQuad) {
    const std::vector<SkyVertex> moon = BuildMoonVertices(60.0f);
    ASSERT_EQ(moon.size(), 4u);
    const float expected[4][4] = {{60, 60, -1, -1}, {-60, 60, 1, -1}, {60, -60, -1, 1}, {-60, -60, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(moon[i].position[0], expected[i][0]);
        EXPECT_EQ(moon[i].position[1], 0.0f);
        EXPECT_EQ(moon[i].position[2], expected[i][1]);
        EXPECT_EQ(moon[i].texcoord[0], expected[i][2]);
        EXPECT_EQ(moon[i].texcoord[1], expected[i][3]);
        EXPECT_EQ(moon[i].normal[2], 1.0f);
    }
}

TEST(SkyGeometry, MoonMatrixRotatesAboutXThenTranslates) {
    const Matrix4 m = MoonMatrix(0.5f, {-100, -1000, 120, 0});
    const Vector4 p = TransformRow({0, 1, 0, 1}, m);
    EXPECT_NEAR(p.x, -100.0f, 1e-4);
    EXPECT_NEAR(p.y, -1000.0f + std::cos(0.5), 1e-4);
    EXPECT_NEAR(p.z, 120.0f + std::sin(0.5), 1e-4);
}

TEST(SkyTick, ColourScrollAndPositions) {
    CSky sky;
    sky.TimeOfDay = 69600;
    sky.ParamW = 1.5f;
    sky.SunPos = {100, 1000, -100, 0};
    sky.MoonPos = {-100, -1000, 120, 0};
    sky.Tick();
    const SkyConstants m = sky.Mirror();
    EXPECT_FLOAT_EQ(m.SkyColor.x, 191 / 400.0f);
    EXPECT_FLOAT_EQ(m.SkyColor.y, 97 / 400.0f);
    EXPECT_FLOAT_EQ(m.SkyColor.z, 60 / 400.0f);
    EXPECT_EQ(m.SkyColor.w, 1.0f);
    EXPECT_FLOAT_EQ(m.SkyParam.x, 0.0002f);
    EXPECT_FLOAT_EQ(m.SkyParam.y, 0.005f);
    EXPECT_EQ(m.SkyParam.z, 0.0f);
    EXPECT_EQ(m.SkyParam.w, 1.5f);
    EXPECT_EQ(m.SunPos.z, -100.0f);
    EXPECT_EQ(m.MoonPos.y, -1000.0f);
}

TEST(SkyTick, ScrollAnglesWrapInSinglePrecision) {
    CSky sky;
    int wrap2 = 0;
    for (int i = 1; i <= 2000 && wrap2 == 0; ++i) {
        sky.Tick();
        if (sky.ScrollAngle2 == 0.0f) wrap2 = i;
    }
    EXPECT_NEAR(wrap2, 1257, 2);
    CSky slow;
    int wrap1 = 0;
    for (int i = 1; i <= 40000 && wrap1 == 0; ++i) {
        slow.Tick();
        if (slow.ScrollAngle1 == 0.0f) wrap1 = i;
    }
    EXPECT_NEAR(wrap1, 31416, 60);
}
