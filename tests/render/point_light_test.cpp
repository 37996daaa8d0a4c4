// Lamp and shaft resources on the GPU: cube maps of an empty model, the
// one-time flag, the reduced shaft image, what the lamp images contain, and
// where a frame composes in normal and full-screen mode.
#include <cmath>
#include <vector>

#include "render/frame.h"
#include "render/point_light.h"
#include "render/volume_light.h"
#include "tests/render/gpu_fixture.h"

namespace {

std::vector<float> ReadFloatTexture(GLuint texture, int width, int height) {
    std::vector<float> px(static_cast<std::size_t>(width) * height * 4);
    glGetTextureImage(texture, 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(px.size() * sizeof(float)), px.data());
    return px;
}

// Colour channels only: alpha reads 1 from the two-channel face maps.
int CountNonZero(const std::vector<float>& px) {
    int n = 0;
    for (std::size_t i = 0; i < px.size(); ++i)
        if (i % 4 != 3 && px[i] != 0.0f) ++n;
    return n;
}

void FillFace(GLuint texture, float value) {
    const float v[4] = {value, value, value, value};
    glClearTexImage(texture, 0, GL_RGBA, GL_FLOAT, v);
}

}  // namespace

class PointLightGpuTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (!renderer) return;
        light.Position = {0.0f, 0.0f, 2.0f, 1.0f};
        ASSERT_TRUE(light.Create(renderer));
    }
    void TearDown() override {
        if (!renderer) return;
        light.Release();
        volume.Release();
        model.render.ReleaseGpu();
        room.render.ReleaseGpu();
    }
    struct Built {
        CModel model;
        CRenderModelGpu render;
    };
    CPointLight light;
    CVolumeLight volume;
    Built model, room;
};

TEST_F(PointLightGpuTest, ModelWithoutMeshesLeavesTheFacesCleared) {
    for (int k = 0; k < 6; ++k) FillFace(light.FaceMap(k).texture, 0.5f);
    ASSERT_TRUE(model.render.Build(*renderer, &model.model, false));
    EXPECT_TRUE(light.RenderShadowMaps(renderer, &model.render));
    EXPECT_EQ(light.ShadowMapsDone, 1);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(CountNonZero(ReadFloatTexture(light.FaceMap(k).texture, 256, 256)), 0) << "face " << k + 1;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PointLightGpuTest, ShadowMapsRenderOnlyOnce) {
    AddQuads(model.model, {{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}}, {0, 0, 1}, "");
    ASSERT_TRUE(model.render.Build(*renderer, &model.model, false));
    EXPECT_TRUE(light.RenderShadowMaps(renderer, &model.render));
    // Face 3 looks down at the quad 2 units below: depth in red, w in green.
    const std::vector<float> face3 = ReadFloatTexture(light.FaceMap(2).texture, 256, 256);
    const float* centre = &face3[(128 * 256 + 128) * 4];
    EXPECT_NEAR(centre[0], 1.00001f - 0.0100001f / 2.0f, 1e-5);
    EXPECT_NEAR(centre[1], 2.0f, 1e-3);
    EXPECT_EQ(centre[3], 1.0f);
    // The array copy that the shaft pass reads holds the same texels.
    std::vector<float> layers(static_cast<std::size_t>(256) * 256 * 4 * 6);
    glGetTextureImage(light.FaceArray(), 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(layers.size() * sizeof(float)),
                      layers.data());
    EXPECT_EQ(layers[(2 * 256 * 256 + 128 * 256 + 128) * 4], centre[0]);

    // A second call does nothing, even when the maps were disturbed.
    FillFace(light.FaceMap(2).texture, 0.25f);
    EXPECT_FALSE(light.RenderShadowMaps(renderer, &model.render));
    EXPECT_EQ(ReadFloatTexture(light.FaceMap(2).texture, 256, 256)[0], 0.25f);
}

TEST_F(PointLightGpuTest, LightConstantsFollowTheFaceTable) {
    light.ShadowParam[0] = 2.5f;
    light.ShadowParam[1] = 1.5f;
    light.Color = {1.0f, 0.8f, 0.7f, 0.3f};
    light.UpdateLightConstants(*renderer);
    const PointLightConstants& m = light.Mirror();
    EXPECT_EQ(m.ShadowParam.x, 2.5f);
    EXPECT_EQ(m.ShadowParam.y, 1.5f);
    EXPECT_EQ(m.ShadowParam.z, 0.0f);
    EXPECT_EQ(m.PointLightColor.w, 0.3f);
    EXPECT_EQ(m.PointLightPos.z, 2.0f);
    // Stored transposed: row 3 of the face view is the column the GPU reads.
    for (int k = 0; k < 6; ++k) {
        const Matrix4 view = TransposeMatrix(m.MatLightFace[k]);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(view.m[r][c], light.FaceView(k).m[r][c]);
    }
    EXPECT_EQ(m.MatProjLight.m[3][2], 1.0f);         // transposed (2, 3)
    EXPECT_EQ(m.MatProjLight.m[2][3], -0.0100001f);  // transposed (3, 2)
    // MatLight is left as the one-time pass wrote it: zero until then.
    EXPECT_EQ(m.MatLight.m[0][0], 0.0f);
}

TEST_F(PointLightGpuTest, ReducedShaftImageAndItsConstants) {
    ASSERT_TRUE(volume.Create(renderer));
    EXPECT_EQ(volume.FullWidth, 1536);
    EXPECT_EQ(volume.FullHeight, 1080);
    EXPECT_EQ(volume.ReducedImage().width, 614);
    EXPECT_EQ(volume.ReducedImage().height, 432);
    renderer->At = {1, 2, 3};
    renderer->EyeOffset = {0, -6, 0};
    renderer->LightTarget = {0.5f, 0, 0};
    volume.FillConstants(*renderer, 256);
    const VolumeLightConstants& v = volume.Mirror();
    EXPECT_EQ(v.VolumeLightParam1.x, 614.0f);
    EXPECT_EQ(v.VolumeLightParam1.y, 432.0f);
    EXPECT_EQ(v.VolumeLightParam1.z, 0.4f);
    EXPECT_EQ(v.VolumeLightParam1.w, 1.0f);
    EXPECT_EQ(v.VolumeLightParam2.x, 0.8f);
    EXPECT_EQ(v.VolumeLightParam2.y, 256.0f);
    EXPECT_EQ(v.EyeVL.y, -6.0f);
    EXPECT_EQ(v.EyeVL.w, 1.0f);
    EXPECT_EQ(v.MoveVL.x, 0.5f);
    // The shaft camera looks from At + EyeOffset towards At, unmirrored.
    const Matrix4 view = TransposeMatrix(v.MatViewVL);
    const Vector4 at = TransformRow({1, 2, 3, 1}, view);
    EXPECT_NEAR(at.x, 0.0f, 1e-5);
    EXPECT_NEAR(at.y, 0.0f, 1e-5);
    EXPECT_NEAR(at.z, 6.0f, 1e-5);
    EXPECT_EQ(TransposeMatrix(v.MatProjVL).m[2][2], 1.0000019f);
}

TEST_F(PointLightGpuTest, LampImagesShowOnlyTheCurrentModel) {
    // The room model stands where the camera looks; the current model is
    // absent, so nothing lands in the lamp's images.
    AddQuads(room.model, {{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}}, {0, -1, 0}, "");
    ASSERT_TRUE(room.render.Build(*renderer, &room.model, false));
    renderer->LightColor[0] = {1, 1, 1, 1};
    renderer->LightPos[0] = {0, -2, 0, 0};
    CPointLight* lights[1] = {&light};
    FrameScene s;
    s.renderer = renderer;
    s.models[1] = &room.render;
    s.lights = lights;
    s.lightCount = 1;
    ::RenderFrame(s);
    EXPECT_EQ(CountNonZero(ReadFloatTexture(renderer->LampRaw().texture, 1536, 1080)), 0);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(CountNonZero(ReadFloatTexture(light.FaceMap(k).texture, 256, 256)), 0);
    // The room itself is in the picture.
    const std::vector<unsigned char> colour = ReadSceneColor(1536, 1080);
    EXPECT_GT(colour[(540 * 1536 + 768) * 4 + 0] + colour[(540 * 1536 + 768) * 4 + 1], 0);
}

TEST_F(PointLightGpuTest, LampImagesAfterAModelElsewhereAreThoseOfFreshTargets) {
    // The lamp passes clear only what the last one drew: a model in another
    // place, three lamps apart, must still leave what cleared targets give.
    AddQuads(model.model, {{{-1.5f, 0, -1}, {-0.5f, 0, -1}, {-0.5f, 0, 1}, {-1.5f, 0, 1}}}, {0, -1, 0}, "");
    AddQuads(room.model, {{{0.2f, 0, -0.5f}, {1.2f, 0, -0.5f}, {1.2f, 0, 0.5f}, {0.2f, 0, 0.5f}}}, {0, -1, 0}, "");
    ASSERT_TRUE(model.render.Build(*renderer, &model.model, false));
    ASSERT_TRUE(room.render.Build(*renderer, &room.model, false));
    CPointLight more[2];
    CPointLight* lights[3] = {&light, &more[0], &more[1]};
    for (int i = 0; i < 2; ++i) {
        more[i].Position = {i ? -1.0f : 1.0f, -1.0f, 0.5f, 1.0f};
        more[i].Color = {1.0f, 0.5f, 0.2f, 2.0f + i};
        ASSERT_TRUE(more[i].Create(renderer));
    }
    auto render = [&](CRenderModelGpu* shown) {
        FrameScene s;
        s.renderer = renderer;
        s.models[0] = shown;
        s.lights = lights;
        s.lightCount = 3;
        ::RenderFrame(s);
        return std::pair{ReadFloatTexture(renderer->LampRaw().texture, 1536, 1080),
                         ReadFloatTexture(renderer->LampShadow().texture, 1536, 1080)};
    };
    render(&model.render);
    const auto after = render(&room.render);
    ASSERT_TRUE(renderer->ResizeTargets(768, 540) && renderer->ResizeTargets(1536, 1080));
    const auto fresh = render(&room.render);
    EXPECT_GT(CountNonZero(fresh.first), 0);
    EXPECT_TRUE(after.first == fresh.first);
    EXPECT_TRUE(after.second == fresh.second);
    for (CPointLight& l : more) l.Release();
}

TEST_F(PointLightGpuTest, FullScreenComposesIntoTheScreenTargetOnly) {
    const float marker[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    glClearNamedFramebufferfv(renderer->BackBuffer().framebuffer, GL_COLOR, 0, marker);
    FrameScene s;
    s.renderer = renderer;
    s.fullScreen = true;
    s.fullScreenClear[0] = 255;
    s.fullScreenClear[1] = 0;
    s.fullScreenClear[2] = 0;
    ::RenderFrame(s);
    std::vector<unsigned char> back(64 * 4);
    CRenderer::ReadTarget(renderer->BackBuffer(), 8, 8, back.data());
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(back[1], 255);  // untouched
    // Normal mode clears the screen target with the viewer's colour and
    // composes into the back buffer.
    const float marker2[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    glClearNamedFramebufferfv(renderer->Screen().framebuffer, GL_COLOR, 0, marker2);
    s.fullScreen = false;
    s.background[0] = 0.2f;
    s.background[1] = 0.4f;
    s.background[2] = 0.6f;
    ::RenderFrame(s);
    std::vector<unsigned char> screen(64 * 4);
    CRenderer::ReadTarget(renderer->Screen(), 8, 8, screen.data());
    EXPECT_NEAR(screen[0], 51, 1);
    EXPECT_NEAR(screen[1], 102, 1);
    EXPECT_NEAR(screen[2], 153, 1);
    CRenderer::ReadTarget(renderer->BackBuffer(), 8, 8, back.data());
    EXPECT_NE(back[1], 255);
}

TEST(RenderFrameWithoutRenderer, DrawsNothing) {
    FrameScene s;
    EXPECT_FALSE(RenderFrame(s));
    CRenderer idle;  // never initialised: no GL objects
    s.renderer = &idle;
    EXPECT_FALSE(RenderFrame(s));
}
