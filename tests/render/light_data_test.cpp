// The lamps' constant-buffer layouts, cube faces, projections and the room's
// light table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

#include "render/constant_buffers.h"
#include "render/light_data.h"
#include "render/point_light.h"
#include "render/volume_light.h"

TEST(LightLayouts, PointLightOffsets) {
    EXPECT_EQ(sizeof(PointLightConstants), 560u);
    EXPECT_EQ(offsetof(PointLightConstants, MatLight), 0u);
    EXPECT_EQ(offsetof(PointLightConstants, MatLightFace), 64u);
    EXPECT_EQ(offsetof(PointLightConstants, MatLightFace) + 5 * sizeof(Matrix4), 384u);
    EXPECT_EQ(offsetof(PointLightConstants, MatProjLight), 448u);
    EXPECT_EQ(offsetof(PointLightConstants, PointLightPos), 512u);
    EXPECT_EQ(offsetof(PointLightConstants, PointLightColor), 528u);
    EXPECT_EQ(offsetof(PointLightConstants, ShadowParam), 544u);
}

TEST(LightLayouts, SkyAndVolumeLightOffsets) {
    EXPECT_EQ(sizeof(SkyConstants), 400u);
    EXPECT_EQ(offsetof(SkyConstants, SkyColor), 64u);
    EXPECT_EQ(offsetof(SkyConstants, SkyParam), 80u);
    EXPECT_EQ(offsetof(SkyConstants, SunPos), 96u);
    EXPECT_EQ(offsetof(SkyConstants, MoonPos), 112u);
    EXPECT_EQ(offsetof(SkyConstants, CloudParam1), 128u);
    EXPECT_EQ(offsetof(SkyConstants, CloudParam2), 144u);
    EXPECT_EQ(sizeof(VolumeLightConstants), 256u);
    EXPECT_EQ(offsetof(VolumeLightConstants, MatViewVL), 64u);
    EXPECT_EQ(offsetof(VolumeLightConstants, MatProjVL), 128u);
    EXPECT_EQ(offsetof(VolumeLightConstants, EyeVL), 192u);
    EXPECT_EQ(offsetof(VolumeLightConstants, MoveVL), 208u);
    EXPECT_EQ(offsetof(VolumeLightConstants, VolumeLightParam1), 224u);
    EXPECT_EQ(offsetof(VolumeLightConstants, VolumeLightParam2), 240u);
}

TEST(CubeFaces, EachFaceLooksAlongItsAxis) {
    const Vector3 axes[6] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const Vector3 lamp{-3.0f, -2.8f, 2.0f};
    const Matrix4 proj = CubeFaceProjection();
    for (int k = 0; k < 6; ++k) {
        const CubeFace& f = kCubeFaces[k];
        EXPECT_NEAR(
            std::sqrt(f.direction.x * f.direction.x + f.direction.y * f.direction.y + f.direction.z * f.direction.z),
            0.001, 1e-9);
        const Matrix4 view = LookToMatrix(lamp, f.direction, f.up);
        // A point 5 units along the face's axis lands in the middle of the face.
        const Vector4 p{lamp.x + 5 * axes[k].x, lamp.y + 5 * axes[k].y, lamp.z + 5 * axes[k].z, 1};
        const Vector4 c = TransformRow(TransformRow(p, view), proj);
        EXPECT_NEAR(c.x / c.w, 0.0f, 1e-5) << k;
        EXPECT_NEAR(c.y / c.w, 0.0f, 1e-5) << k;
        EXPECT_NEAR(c.w, 5.0f, 1e-4) << k;
        EXPECT_GT(c.z / c.w, 0.0f);
        EXPECT_LT(c.z / c.w, 1.0f);
    }
    // Faces 3 and 6 look down and up with -Y as their up vector.
    EXPECT_EQ(kCubeFaces[2].up.y, -1.0f);
    EXPECT_EQ(kCubeFaces[5].up.y, -1.0f);
}

TEST(CubeFaces, ProjectionConstants) {
    const Matrix4 p = CubeFaceProjection();
    EXPECT_NEAR(p.m[0][0], 1.0f, 1e-5);  // 90 degrees
    EXPECT_NEAR(p.m[1][1], 1.0f, 1e-5);
    EXPECT_EQ(p.m[2][2], 1.00001f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_EQ(p.m[3][2], -0.0100001f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    const Matrix4 v = VolumeLightProjection();
    EXPECT_NEAR(v.m[0][0], 1.0 / std::tan(3.14159265 / 8), 1e-4);
    EXPECT_EQ(v.m[2][2], 1.0000019f);
    EXPECT_EQ(v.m[3][2], -0.010000018f);
}

TEST(RoomLights, LampPositions) {
    EXPECT_EQ(kRoomLamps[0].x, -3.0f);
    EXPECT_EQ(kRoomLamps[0].y, -10.8f);
    EXPECT_EQ(kRoomLamps[1].y, -2.8f);
    EXPECT_EQ(kRoomLamps[2].x, 3.2f);
    EXPECT_EQ(kRoomLamps[2].y, 5.2f);
}

TEST(PointLight, StartsWithTheConstructionValues) {
    CPointLight light;
    EXPECT_EQ(light.Color.x, 1.0f);
    EXPECT_EQ(light.Color.w, 1.0f);
    EXPECT_EQ(light.ShadowParam[0], 1.0f);
    EXPECT_EQ(light.ShadowParam[1], 1.0f);
    EXPECT_EQ(light.ShadowMapsDone, 0);
    EXPECT_EQ(light.Mirror().MatProjLight.m[0][0], 0.0f);  // zeroed, not an identity
    EXPECT_FALSE(light.Create(nullptr));
    EXPECT_FALSE(light.RenderShadowMaps(nullptr, nullptr));
    CVolumeLight volume;
    EXPECT_FALSE(volume.Create(nullptr));
    EXPECT_EQ(volume.Scale, 0.4f);
    EXPECT_EQ(volume.Flag, 1);
}
