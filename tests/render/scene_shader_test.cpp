// PsScene, PsRoom and PsComposite on real pixels, against the formulas
// evaluated on the CPU.
#include <QDir>
#include <QImage>

#include <algorithm>
#include <cmath>

#include "model/model.h"
#include "render/frame_passes.h"
#include "tests/render/gpu_fixture.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;

struct Vec3 {
    float x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(float s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Normalize(Vec3 a) { return (1.0f / std::sqrt(Dot(a, a))) * a; }
float Clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

// PsScene for one fragment: texture colour t, model position p0, normal n.
Vec3 SceneColour(const CRenderer& r, Vec3 t, Vec3 p0, Vec3 n) {
    const Vec3 N = Normalize(n);
    const Vec3 E = Normalize({r.At.x + r.EyeOffset.x, r.At.y + r.EyeOffset.y, r.At.z + r.EyeOffset.z});
    Vec3 ambient{0, 0, 0}, diffuse{0, 0, 0}, light{0, 0, 0};
    float specular = 0;
    int c = 0;
    for (int i = 0; i < kLightCount; ++i) {
        if (r.LightColor[i].w < 0.001f) continue;
        ++c;
        const Vec3 lp{r.LightPos[i].x, r.LightPos[i].y, r.LightPos[i].z};
        const Vec3 L = Normalize(Vec3{0, 0, 0} - n - lp);
        const float d = Dot(L, N);
        const Vec3 R = Normalize(2.0f * d * N - Normalize(Vec3{0, 0, 0} - lp));
        const float sp = Clamp01(Dot(R, E));
        ambient = ambient + 0.3f * t;
        diffuse = diffuse + Vec3{Clamp01(t.x * d), Clamp01(t.y * d), Clamp01(t.z * d)};
        specular += 0.2f * std::pow(sp, 5.0f);
        const Vec3 toLight = p0 - lp;
        const float a = 30.0f * r.LightColor[i].w / (Dot(toLight, toLight) + 1.0f);
        light = light + a * Vec3{r.LightColor[i].x, r.LightColor[i].y, r.LightColor[i].z};
    }
    const float k = static_cast<float>(std::max(c, 1));
    const Vec3 base = (1.0f / k) * ambient + (1.0f / k) * diffuse + Vec3{specular / k, specular / k, specular / k};
    const Vec3 lit = (1.0f / k) * light + Vec3{0.2f, 0.2f, 0.2f};
    return {Clamp01(base.x * lit.x), Clamp01(base.y * lit.y), Clamp01(base.z * lit.z)};
}

// A 2 x 2 quad in the plane y = 0 facing -Y (the test camera), textured with
// a 4 x 4 image of one colour.
struct TexturedQuad {
    CModel model;
    CRenderModelGpu render;
};

std::string WriteTexture(const char* name, QColor colour) {
    QImage image(4, 4, QImage::Format_RGBA8888);
    image.fill(colour);
    // Tests run in parallel processes: every test writes its own file.
    const std::string path = std::string(VORLAND_BINARY_DIR "/test-output/") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
    QDir().mkpath(VORLAND_BINARY_DIR "/test-output");
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
}

void BuildQuad(CRenderer& renderer, TexturedQuad& q, const std::string& texturePath) {
    AddQuads(q.model, {{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}}, {0, -1, 0}, "paint");
    auto* material = q.model.materials.AddNew();
    material->name.SetAscii("paint");
    material->textureName.SetAscii("tex");
    auto* texture = q.model.textures.AddNew();
    texture->id.SetAscii("tex");
    texture->fileName.SetAscii(texturePath);
    ASSERT_TRUE(q.render.Build(renderer, &q.model, true));
    ASSERT_NE(q.render.textures[0], 0u);
}

}  // namespace

class SceneShaderTest : public GpuTest {
protected:
    void TearDown() override {
        if (renderer) quad.render.ReleaseGpu();
    }
    TexturedQuad quad;
};

TEST_F(SceneShaderTest, QuadUnderOneLightHasTheComputedColour) {
    BuildQuad(*renderer, quad, WriteTexture("orange.png", QColor(200, 120, 40, 255)));
    renderer->LightColor[0] = {1.0f, 0.8f, 0.6f, 1.0f};
    renderer->LightPos[0] = {0.5f, -3.0f, 2.0f, 0.0f};
    const auto frame = RenderFrame(&quad.render, kW, kH);
    const auto scene = ReadSceneColor(kW, kH);
    SavePng("scene_quad_one_light", frame, kW, kH);

    // Sample a few points of the quad: each pixel's model position is the
    // point of the plane y = 0 under it.
    const Vec3 t{200 / 255.0f, 120 / 255.0f, 40 / 255.0f};
    for (const Vector3 p : {Vector3{0, 0, 0}, Vector3{0.5f, 0, 0.5f}, Vector3{-0.6f, 0, -0.3f}}) {
        const Pixel px = ProjectToPixel(*renderer, p, kW, kH);
        // Pixel centres sit half a pixel off the projected point: compare with
        // the colour at the exact point, the light varies slowly across it.
        const Vec3 expected = SceneColour(*renderer, t, {p.x, p.y, p.z}, {0, -1, 0});
        const unsigned char* s = PixelAt(scene, kW, px.x, px.y);
        EXPECT_NEAR(s[0], expected.x * 255.0f, 2.0f) << p.x << "," << p.z;
        EXPECT_NEAR(s[1], expected.y * 255.0f, 2.0f);
        EXPECT_NEAR(s[2], expected.z * 255.0f, 2.0f);
        EXPECT_EQ(s[3], 255);
        // The composition subtracts 0.3 where no lamp darkens and no shaft adds.
        const unsigned char* f = PixelAt(frame, kW, px.x, px.y);
        EXPECT_NEAR(f[0], std::max(expected.x - 0.3f, 0.0f) * 255.0f, 2.0f);
        EXPECT_NEAR(f[1], std::max(expected.y - 0.3f, 0.0f) * 255.0f, 2.0f);
        EXPECT_NEAR(f[2], std::max(expected.z - 0.3f, 0.0f) * 255.0f, 2.0f);
    }
    // Outside the quad the background shows through the composition.
    EXPECT_TRUE(IsBackground(PixelAt(frame, kW, 2, 2)));
}

TEST_F(SceneShaderTest, WithoutLightsTheModelIsOpaqueBlack) {
    BuildQuad(*renderer, quad, WriteTexture("grey.png", QColor(128, 128, 128, 255)));
    RenderFrame(&quad.render, kW, kH);
    const auto scene = ReadSceneColor(kW, kH);
    const unsigned char* s = PixelAt(scene, kW, kW / 2, kH / 2);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 0);
    EXPECT_EQ(s[3], 255);
}

TEST_F(SceneShaderTest, NearWhiteBecomesGrey) {
    BuildQuad(*renderer, quad, WriteTexture("white.png", QColor(255, 255, 255, 255)));
    renderer->LightColor[0] = {1.0f, 1.0f, 1.0f, 50.0f};
    renderer->LightPos[0] = {0.0f, -2.0f, 0.0f, 0.0f};
    RenderFrame(&quad.render, kW, kH);
    const auto scene = ReadSceneColor(kW, kH);
    const unsigned char* s = PixelAt(scene, kW, kW / 2, kH / 2);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s[c], 0.96f * 255.0f, 1.0f);
}

TEST_F(SceneShaderTest, SceneDepthHoldsDepthOverWAndDepth) {
    BuildQuad(*renderer, quad, WriteTexture("grey.png", QColor(128, 128, 128, 255)));
    RenderFrame(&quad.render, kW, kH);
    const auto depth = ReadSceneDepth(kW, kH);
    const float* centre = &depth[(static_cast<std::size_t>(kH / 2) * kW + kW / 2) * 4];
    // The quad is 6 units in front of the eye: z = Q - Q near / 6, w = 6.
    const float z = 1.0000002f - 0.0010000002f / 6.0f;
    EXPECT_NEAR(centre[1], z, 1e-5);
    EXPECT_NEAR(centre[0], z / 6.0f, 1e-5);
    EXPECT_EQ(centre[3], 1.0f);
    const float* corner = &depth[0];
    EXPECT_EQ(corner[0], 10000.0f);
    EXPECT_EQ(corner[1], 10000.0f);
}

TEST_F(SceneShaderTest, RoomModelsWriteColourButNotSceneDepth) {
    BuildQuad(*renderer, quad, WriteTexture("grey.png", QColor(128, 128, 128, 255)));
    renderer->LightColor[0] = {1.0f, 0.8f, 0.6f, 1.0f};
    renderer->LightPos[0] = {0.0f, -3.0f, 0.0f, 0.0f};
    const auto frame = RenderFrame(nullptr, kW, kH, &quad.render, nullptr);
    SavePng("room_quad", frame, kW, kH);
    const auto depth = ReadSceneDepth(kW, kH);
    const auto scene = ReadSceneColor(kW, kH);
    const std::size_t centre = static_cast<std::size_t>(kH / 2) * kW + kW / 2;
    EXPECT_EQ(depth[centre * 4], 10000.0f);
    EXPECT_GT(scene[centre * 4 + 3], 0);
    // PsRoom: a floor of 40 on the light sum makes the room bright.
    EXPECT_GT(scene[centre * 4], 200);
}

TEST_F(SceneShaderTest, CompositionDarkensByTheLampShadowAndAddsShafts) {
    // Scene colour of one value everywhere, lamp and (reduced) shaft images
    // of one colour each: every pixel of the result follows the formula.
    const float sceneColour[4] = {0.8f, 0.6f, 0.4f, 1.0f};
    glClearNamedFramebufferfv(renderer->SceneColor().framebuffer, GL_COLOR, 0, sceneColour);
    auto solid = [](float r, float g, float b) {
        GLuint t = 0;
        glCreateTextures(GL_TEXTURE_2D, 1, &t);
        glTextureStorage2D(t, 1, GL_RGBA32F, 1, 1);
        const float texel[4] = {r, g, b, 1.0f};
        glTextureSubImage2D(t, 0, 0, 0, 1, 1, GL_RGBA, GL_FLOAT, texel);
        return t;
    };
    CompositionInputs inputs;
    inputs.lampShadow = solid(0.25f, 0.0f, 0.0f);  // lit 1 - 0.25
    inputs.shafts = solid(0.1f, 0.05f, 0.02f);
    VolumeLightConstants march{};
    march.VolumeLightParam1 = {1.0f, 1.0f, 1.0f, 1.0f};
    march.VolumeLightParam2 = {0.0f, 0.0f, static_cast<float>(kW), static_cast<float>(kH)};
    inputs.shaftConstants = CRenderer::CreateDynamicBuffer(sizeof march, &march);
    renderer->UpdateFrameConstants(static_cast<float>(kW) / kH);
    renderer->SetViewport(kW, kH);
    const float clear[3] = {0.2f, 0.4f, 0.6f};
    renderer->SetBlendState(BlendState::AlphaToCoverage);
    RenderComposition(*renderer, clear, false, kW, kH, inputs);
    std::vector<unsigned char> frame(static_cast<std::size_t>(kW) * kH * 4);
    CRenderer::ReadTarget(renderer->BackBuffer(), kW, kH, frame.data());
    const float expected[3] = {0.8f * 0.75f - 0.3f + 0.1f, 0.6f * 0.75f - 0.3f + 0.05f, 0.4f * 0.75f - 0.3f + 0.02f};
    for (const Pixel p : {Pixel{0, 0}, Pixel{kW / 2, kH / 2}, Pixel{kW - 1, kH - 1}})
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(PixelAt(frame, kW, p.x, p.y)[c], expected[c] * 255.0f, 1.5f);

    // In full-screen mode the screen target receives the image instead.
    RenderComposition(*renderer, clear, true, kW, kH, inputs);
    CRenderer::ReadTarget(renderer->Screen(), kW, kH, frame.data());
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(PixelAt(frame, kW, 5, 5)[c], expected[c] * 255.0f, 1.5f);
    glDeleteTextures(1, &inputs.lampShadow);
    glDeleteTextures(1, &inputs.shafts);
    glDeleteBuffers(1, &inputs.shaftConstants);
}

TEST_F(SceneShaderTest, RoomColourFollowsTheThreeLampsAndTheSkyTime) {
    // Every corner at uv (0.8, -0.6) makes f = 0, so g = max(sum, 40) / 0.5.
    CGeometry* g = AddQuads(quad.model, {{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}}, {0, -1, 0}, "");
    CFloatArray* uvs = g->FindFloatArray(CName(u"uvs"));
    for (int i = 0; i < uvs->values->Count(); ++i) {
        auto* uv = static_cast<float*>(uvs->values->GetAt(i));
        uv[0] = 0.8f;
        uv[1] = -0.6f;
    }
    ASSERT_TRUE(quad.render.Build(*renderer, &quad.model, true));
    // Lamp 0 five units away; lamp 3 is not one of the three and changes nothing.
    renderer->LightColor[0] = {1.0f, 0.5f, 0.25f, 0.01f};
    renderer->LightPos[0] = {0.0f, -5.0f, 0.0f, 0.0f};
    renderer->LightColor[3] = {1.0f, 1.0f, 1.0f, 50.0f};
    renderer->LightPos[3] = {0.0f, -1.0f, 0.0f, 0.0f};

    SkyConstants sky{};
    sky.SkyParam.x = 0.01f;  // the sky's time
    const GLuint skyBuffer = CRenderer::CreateDynamicBuffer(sizeof sky, &sky);
    renderer->UpdateFrameConstants(static_cast<float>(kW) / kH);
    renderer->SetViewport(kW, kH);
    const float zero[4] = {0, 0, 0, 0};
    glClearNamedFramebufferfv(renderer->SceneColor().framebuffer, GL_COLOR, 0, zero);
    RenderMainPass(*renderer, nullptr, &quad.render, nullptr, skyBuffer);
    const auto scene = ReadSceneColor(kW, kH);
    glDeleteBuffers(1, &skyBuffer);

    const float a = 0.8f * 0.01f / 5.0f;
    const float g40 = 40.0f / 0.5f;
    // Primitives 0 and 1 share q = 0: flicker = sin(0.01 * 60) / 3.
    const float flicker = std::sin(0.6f) / 3.0f;
    const float expected[3] = {g40 * a * 1.0f + flicker, g40 * a * 0.5f + flicker, g40 * a * 0.25f + flicker};
    const unsigned char* s = PixelAt(scene, kW, kW / 2 + 3, kH / 2 + 3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(s[c], expected[c] * 255.0f, 2.0f) << c;
    EXPECT_EQ(s[3], 255);
}
