// The sky, the lamps' shadows and the light shafts in whole frames, on the
// GPU: real pixels read back from the targets.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "render/frame.h"
#include "render/point_light.h"
#include "render/room_lighting.h"
#include "render/sky.h"
#include "render/volume_light.h"
#include "tests/render/gpu_fixture.h"

namespace {

const std::string kOutput = VORLAND_BINARY_DIR "/test-output";

// Sky pictures made here, so the tests do not depend on the bundled ones:
// soft cloud bands, a sparse star field, a white disc.
SkyImages WriteSkyImages() {
    const QString dir = QString::fromStdString(kOutput + "/sky");
    QDir().mkpath(dir);
    QImage cloud(256, 256, QImage::Format_RGBA8888);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const double v = 0.5 + 0.25 * std::sin(x * 0.1) + 0.25 * std::sin(y * 0.07 + x * 0.03);
            const int b = static_cast<int>(std::clamp(v, 0.0, 1.0) * 255);
            cloud.setPixel(x, y, qRgba(b, b, b, 255));
        }
    cloud.save(dir + "/cloud.png");
    QImage star(256, 256, QImage::Format_RGBA8888);
    star.fill(QColor(0, 0, 0, 255));
    unsigned seed = 7;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int x = static_cast<int>((seed >> 8) % 254);
        seed = seed * 1103515245u + 12345u;
        const int y = static_cast<int>((seed >> 8) % 254);
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) star.setPixel(x + dx, y + dy, qRgba(255, 255, 255, 255));
    }
    star.save(dir + "/star.png");
    QImage moon(128, 128, QImage::Format_RGBA8888);
    moon.fill(QColor(0, 0, 0, 0));
    {
        QPainter p(&moon);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 240, 255));
        p.drawEllipse(QPointF(64, 64), 48, 48);
    }
    moon.save(dir + "/moon.png");
    SkyImages images;
    images.folder = dir.toStdString();
    return images;
}

std::string WriteTexture(const char* name, QColor colour) {
    QImage image(4, 4, QImage::Format_RGBA8888);
    image.fill(colour);
    const std::string path = kOutput + "/" + name;
    QDir().mkpath(QString::fromStdString(kOutput));
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
}

void AddTexturedMaterial(CModel& model, const std::string& texturePath) {
    auto* material = model.materials.AddNew();
    material->name.SetAscii("paint");
    material->textureName.SetAscii("tex");
    auto* texture = model.textures.AddNew();
    texture->id.SetAscii("tex");
    texture->fileName.SetAscii(texturePath);
}

// An axis-aligned box as six outward quads.
void AddBox(CModel& model, Vector3 lo, Vector3 hi) {
    const float x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
    AddQuads(model, {{{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}}, {0, 0, 1}, "paint");
    AddQuads(model, {{{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}}, {0, 0, -1}, "paint");
    AddQuads(model, {{{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}}, {0, -1, 0}, "paint");
    AddQuads(model, {{{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}}, {0, 1, 0}, "paint");
    AddQuads(model, {{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}}, {-1, 0, 0}, "paint");
    AddQuads(model, {{{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}}, {1, 0, 0}, "paint");
}

std::vector<unsigned char> ReadBackBuffer(CRenderer& r, int width, int height) {
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    CRenderer::ReadTarget(r.BackBuffer(), width, height, rgba.data());
    return rgba;
}

int Brightness(const unsigned char* px) { return px[0] + px[1] + px[2]; }

}  // namespace

class LightsFrameTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (!renderer) return;
    }
    void TearDown() override {
        if (!renderer) return;
        if (room) room->Release();
        for (auto& m : models)
            if (m) m->render.ReleaseGpu();
    }

    struct Built {
        CModel model;
        CRenderModelGpu render;
    };
    Built* NewModel() {
        models.push_back(std::make_unique<Built>());
        return models.back().get();
    }

    // The viewer's start camera: settings' defaults.
    static void DefaultCamera() {
        renderer->RotationX = 1.5f;
        renderer->RotationZ = 1.5f;
        renderer->Distance = 6.0f;
        renderer->At = {0.0f, -3.5f, 1.5f};
        renderer->LightTarget = {0, 0, 0};
    }

    FrameScene Scene(int width, int height) {
        FrameScene s;
        s.renderer = renderer;
        s.screenWidth = width;
        s.screenHeight = height;
        s.aspect = static_cast<float>(width) / static_cast<float>(height);
        s.background[0] = 0.2f;
        s.background[1] = 0.4f;
        s.background[2] = 0.6f;
        return s;
    }

    std::unique_ptr<RoomLighting> room;
    std::vector<std::unique_ptr<Built>> models;
};

TEST_F(LightsFrameTest, SkyAloneShowsEveningNearTheHorizonAndStarsAbove) {
    DefaultCamera();
    room = std::make_unique<RoomLighting>();
    ASSERT_TRUE(CreateRoomLighting(*renderer, *room, WriteSkyImages()));
    room->sky.Tick();
    FrameScene s = Scene(1536, 1080);
    s.sky = &room->sky;
    ::RenderFrame(s);
    const std::vector<unsigned char> sky = ReadSceneColor(1536, 1080);
    SavePng("lights_sky_alone", sky, 1536, 1080);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // Low in the view the dome shows the evening colour (191, 97, 60) / 400.
    std::vector<int> reds, greens, blues;
    for (int x = 100; x < 1436; x += 10) {
        const unsigned char* px = PixelAt(sky, 1536, x, 700);
        reds.push_back(px[0]);
        greens.push_back(px[1]);
        blues.push_back(px[2]);
    }
    auto median = [](std::vector<int> v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    EXPECT_NEAR(median(reds), 191 * 255 / 400, 2);
    EXPECT_NEAR(median(greens), 97 * 255 / 400, 2);
    EXPECT_NEAR(median(blues), 60 * 255 / 400, 2);

    // Stars: far more white pixels high up than low down, in equal areas.
    auto countStars = [&](int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < 1536; ++x)
                if (Brightness(PixelAt(sky, 1536, x, y)) > 600) ++n;
        return n;
    };
    const int high = countStars(0, 250);
    const int low = countStars(840, 1080);
    EXPECT_GT(high, 500);
    EXPECT_GT(high, 4 * low);
}

TEST_F(LightsFrameTest, MoonDiscIsDarkLeftOfItsBoundary) {
    DefaultCamera();
    room = std::make_unique<RoomLighting>();
    ASSERT_TRUE(CreateRoomLighting(*renderer, *room, WriteSkyImages()));
    ASSERT_EQ(room->sky.MoonPos.w, 0.0f);
    room->sky.Tick();
    FrameScene s = Scene(1536, 1080);
    s.sky = &room->sky;
    ::RenderFrame(s);
    const std::vector<unsigned char> sky = ReadSceneColor(1536, 1080);
    SavePng("lights_moon", sky, 1536, 1080);

    // The quad's texture x runs from -1 at its +X corner to 1 at its -X corner.
    // Points at texture x = -0.65 and +0.65 on the disc's middle row:
    const Matrix4 place = MoonMatrix(renderer->RotationX - kHalfPi, room->sky.MoonPos);
    const Vector4 a = TransformRow({0.65f * 60.0f, 0, 0, 1}, place);
    const Vector4 b = TransformRow({-0.65f * 60.0f, 0, 0, 1}, place);
    const Vector4 c = TransformRow({0, 0, 0, 1}, place);
    const Pixel pa = ProjectToPixel(*renderer, {a.x, a.y, a.z}, 1536, 1080);
    const Pixel pb = ProjectToPixel(*renderer, {b.x, b.y, b.z}, 1536, 1080);
    const Pixel pc = ProjectToPixel(*renderer, {c.x, c.y, c.z}, 1536, 1080);
    ASSERT_GT(pa.x, 0);
    ASSERT_LT(pb.x, 1536);
    // Texture x = -0.65 appears on the left of the screen ...
    EXPECT_LT(pa.x, pc.x);
    EXPECT_GT(pb.x, pc.x);
    // ... and lies beyond the boundary: dark, while the right side is lit.
    const int dark = Brightness(PixelAt(sky, 1536, pa.x, pa.y));
    const int lit = Brightness(PixelAt(sky, 1536, pb.x, pb.y));
    const int centre = Brightness(PixelAt(sky, 1536, pc.x, pc.y));
    EXPECT_GT(lit, 700);
    EXPECT_GT(centre, 700);
    EXPECT_LT(dark, lit - 100);
}

// A floor with a block above it, all three lamps up and to the side: the
// block's shadow falls on the floor beside it.
class ShadowSceneTest : public LightsFrameTest {
protected:
    static constexpr int kWidth = 768;
    static constexpr int kHeight = 540;

    std::vector<unsigned char> Render(bool withFigure) {
        Built* b = NewModel();
        AddQuads(b->model, {{{-4, -4, 0}, {4, -4, 0}, {4, 4, 0}, {-4, 4, 0}}}, {0, 0, 1}, "paint");
        if (withFigure) AddBox(b->model, {-0.3f, -0.3f, 1.0f}, {0.3f, 0.3f, 1.5f});
        AddTexturedMaterial(b->model, WriteTexture("lights_white.png", QColor(230, 230, 230, 255)));
        EXPECT_TRUE(b->render.Build(*renderer, &b->model, false));

        renderer->RotationX = 0.6f;
        renderer->RotationZ = -kHalfPi;
        renderer->Distance = 10.0f;
        renderer->At = {0, 0, 0};
        renderer->LightTarget = {0, 0, 0};
        // One strong light high above lights the floor in the main pass and
        // is too far away to lift the lamps' shadows.
        renderer->LightColor[0] = {1, 1, 1, 50};
        renderer->LightPos[0] = {0, 0, 20, 0};

        lamps.clear();
        lampPointers.clear();
        for (int i = 0; i < 3; ++i) {
            lamps.push_back(std::make_unique<CPointLight>());
            CPointLight& lamp = *lamps.back();
            lamp.Position = {-1.5f, 0.0f, 3.0f, 1.0f};
            lamp.ShadowParam[0] = 2.5f;
            lamp.ShadowParam[1] = 1.5f;
            lamp.Color = {1.0f, 0.8f, 0.7f, 0.3f};
            EXPECT_TRUE(lamp.Create(renderer));
            lampPointers.push_back(&lamp);
        }
        FrameScene s = Scene(kWidth, kHeight);
        s.models[0] = &b->render;
        s.lights = lampPointers.data();
        s.lightCount = 3;
        s.volumeLight = volume.get();
        ::RenderFrame(s);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        for (auto& lamp : lamps) lamp->Release();
        return ReadBackBuffer(*renderer, kWidth, kHeight);
    }

    std::vector<std::unique_ptr<CPointLight>> lamps;
    std::vector<CPointLight*> lampPointers;
    std::unique_ptr<CVolumeLight> volume;
};

TEST_F(ShadowSceneTest, FigureBetweenLampAndFloorCastsAShadow) {
    const std::vector<unsigned char> without = Render(false);
    const std::vector<unsigned char> with = Render(true);
    SavePng("lights_shadow_without", without, kWidth, kHeight);
    SavePng("lights_shadow_with", with, kWidth, kHeight);

    // From the lamp at (-1.5, 0, 3) through the block's middle the shadow
    // lands near (1.1, 0, 0); the far corner of the floor is lit either way.
    const Pixel shadow = ProjectToPixel(*renderer, {1.1f, 0.0f, 0.0f}, kWidth, kHeight);
    const Pixel corner = ProjectToPixel(*renderer, {-3.0f, 3.0f, 0.0f}, kWidth, kHeight);
    int darker = 0, total = 0;
    for (int dy = -4; dy <= 4; dy += 2)
        for (int dx = -4; dx <= 4; dx += 2) {
            ++total;
            const int a = Brightness(PixelAt(without, kWidth, shadow.x + dx, shadow.y + dy));
            const int b = Brightness(PixelAt(with, kWidth, shadow.x + dx, shadow.y + dy));
            if (b + 60 < a) ++darker;
        }
    EXPECT_EQ(darker, total);
    EXPECT_GT(Brightness(PixelAt(without, kWidth, shadow.x, shadow.y)), 300);
    EXPECT_NEAR(Brightness(PixelAt(with, kWidth, corner.x, corner.y)),
                Brightness(PixelAt(without, kWidth, corner.x, corner.y)), 6);
}

// The light shafts brighten the air around a lamp and nowhere else, in the
// full-size targets and in targets re-made at a smaller view's size.
TEST_F(LightsFrameTest, ShaftsBrightenTheAirNearTheLampOnly) {
    for (const int kW : {1536, 768}) {
        const int kH = kW * 1080 / 1536;
        SCOPED_TRACE(kW);
        renderer->RotationX = 1.5f;
        renderer->RotationZ = 1.5f;
        renderer->Distance = 6.0f;
        renderer->At = {0, 0, 0};
        renderer->LightTarget = {0, 0, 0};
        if (room) room->Release();
        room = std::make_unique<RoomLighting>();
        ASSERT_TRUE(CreateRoomLighting(*renderer, *room, WriteSkyImages()));
        room->sky.Tick();
        // A small block for the cube maps; the lamps sit at the view's centre
        // and their glow reaches 3 units.
        Built* block = NewModel();
        AddBox(block->model, {-0.1f, -0.1f, -1.0f}, {0.1f, 0.1f, -0.8f});
        ASSERT_TRUE(block->render.Build(*renderer, &block->model, false));
        for (CPointLight& lamp : room->lamps) {
            lamp.Position = {0.0f, 0.0f, 0.0f, 1.0f};
            lamp.ShadowParam[0] = 0.3f;
            lamp.Color = {1.0f, 0.8f, 0.7f, 5.0f};
            lamp.ShadowMapsDone = 0;
        }

        FrameScene sized = Scene(kW, kH);
        sized.volumeLight = &room->volumeLight;
        ASSERT_TRUE(ResizeFrameTargets(sized, kW, kH));
        EXPECT_EQ(renderer->SceneColor().width, kW);
        EXPECT_EQ(renderer->LampShadow().height, kH);
        EXPECT_EQ(room->volumeLight.ReducedImage().width, static_cast<int>(kW * 0.4f));
        auto render = [&](bool shafts) {
            for (CPointLight& lamp : room->lamps) lamp.ShadowMapsDone = 0;
            FrameScene s = Scene(kW, kH);
            s.models[0] = &block->render;
            s.sky = &room->sky;
            s.lights = room->lampList;
            s.lightCount = 3;
            s.volumeLight = shafts ? &room->volumeLight : nullptr;
            ::RenderFrame(s);
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
            return ReadBackBuffer(*renderer, kW, kH);
        };
        const std::vector<unsigned char> with = render(true);
        const std::vector<unsigned char> without = render(false);
        SavePng("lights_shafts_with_" + std::to_string(kW), with, kW, kH);
        SavePng("lights_shafts_without_" + std::to_string(kW), without, kW, kH);

        // Beside the lamp (not on the block) the air is brighter ...
        int brighter = 0;
        for (int dx : {-120, -60, 60, 120}) {
            const unsigned char* a = PixelAt(with, kW, kW / 2 + dx * kW / 1536, kH / 2 - 80 * kW / 1536);
            const unsigned char* b = PixelAt(without, kW, kW / 2 + dx * kW / 1536, kH / 2 - 80 * kW / 1536);
            if (Brightness(a) > Brightness(b) + 90) ++brighter;
        }
        EXPECT_EQ(brighter, 4);
        // ... while the far corners are untouched.
        for (Pixel p : {Pixel{10, 10}, Pixel{kW - 11, 10}, Pixel{10, kH - 11}, Pixel{kW - 11, kH - 11}}) {
            const unsigned char* a = PixelAt(with, kW, p.x, p.y);
            const unsigned char* b = PixelAt(without, kW, p.x, p.y);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(a[c], b[c]) << p.x << "," << p.y;
        }
    }
    ASSERT_TRUE(ResizeFrameTargets(Scene(1536, 1080), 1536, 1080));  // the renderer is shared
}
