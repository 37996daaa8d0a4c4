// The bundled scene rendered the way the viewer shows it at start: the three
// room documents imported by our importer, the lamps, sky and light shafts,
// the default camera. Saves build/test-output/bundled_scene_*.png.
#include <filesystem>
#include <memory>

#include "collada/collada.h"
#include "render/frame.h"
#include "render/room_lighting.h"
#include "tests/render/gpu_fixture.h"
#include "tests/core/status_util.h"

namespace {

const std::string kSource = VORLAND_SOURCE_DIR;

struct Loaded {
    CModel model;
    CRenderModelGpu render;
};

class BundledSceneTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (!renderer) return;
        renderer->RotationX = 1.5f;
        renderer->RotationZ = 1.5f;
        renderer->Distance = 6.0f;
        renderer->At = {0.0f, -3.5f, 1.5f};
        renderer->LightTarget = {0, 0, 0};
        room = std::make_unique<RoomLighting>();
        SkyImages images;
        images.folder = kSource + "/img";
        ASSERT_TRUE(CreateRoomLighting(*renderer, *room, images));
        // Textures are named relative to the room folder, as the loader reads them.
        const auto start = std::filesystem::current_path();
        std::filesystem::current_path(kSource + "/model/washitu");
        for (int i = 0; i < 3; ++i) {
            models[i] = std::make_unique<Loaded>();
            CName ext;
            ext.SetAscii(".dae");
            std::string error;
            const std::string file = "washitu" + std::to_string(i + 1) + ".dae";
            EXPECT_TRUE(Kept(LoadCollada(models[i]->model, file, ext), error)) << file << ": " << error;
            EXPECT_TRUE(error.empty()) << file << ": " << error;
            (void)models[i]->render.Build(*renderer, &models[i]->model, i == 0);
        }
        std::filesystem::current_path(start);
    }
    void TearDown() override {
        if (!renderer) return;
        for (auto& m : models)
            if (m) m->render.ReleaseGpu();
        if (room) room->Release();
    }

    // Advances the viewer's timer `ticks` times and renders a frame.
    std::vector<unsigned char> Frame(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            models[0]->render.pose.frameCounter += 3;
            angle += 0.03f;
            if (angle > 6.2831855f) angle = 0;
            AnimateRoomLights(angle, *renderer, room->lampList);
            room->sky.Tick();
        }
        FrameScene s;
        s.renderer = renderer;
        s.models[0] = &models[0]->render;
        s.models[1] = &models[1]->render;
        s.models[2] = &models[2]->render;
        s.sky = &room->sky;
        s.lights = room->lampList;
        s.lightCount = 3;
        s.volumeLight = &room->volumeLight;
        s.skinning = 1;
        s.screenWidth = kWidth;
        s.screenHeight = kHeight;
        s.aspect = 1018.0f / 680.0f;  // the display area of a 1280 x 720 main window
        for (int c = 0; c < 3; ++c) s.background[c] = 220.0f / 255.0f;
        ::RenderFrame(s);
        std::vector<unsigned char> rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
        CRenderer::ReadTarget(renderer->BackBuffer(), kWidth, kHeight, rgba.data());
        return rgba;
    }

    static constexpr int kWidth = 1536, kHeight = 1080;  // the light shafts cover the whole target
    std::unique_ptr<RoomLighting> room;
    std::unique_ptr<Loaded> models[3];
    float angle = 0;
};

int Luma(const unsigned char* px) { return (px[0] * 3 + px[1] * 6 + px[2]) / 10; }

TEST_F(BundledSceneTest, StartViewShowsFigureRoomAndMoonAndTheFigureBeckons) {
    // At time 0 the figure stands in its bind pose, as the viewer (which
    // draws without skinning) shows it.
    const auto frame = Frame(1);
    SavePng("bundled_scene_start", frame, kWidth, kHeight);

    // The figure's body, in front of the look-at point, is drawn and lit.
    const Pixel body = ProjectToPixel(*renderer, {0.0f, -3.5f, 0.6f}, kWidth, kHeight);
    ASSERT_TRUE(body.x > 0 && body.x < kWidth && body.y > 0 && body.y < kHeight);
    EXPECT_GT(Luma(PixelAt(frame, kWidth, body.x, body.y)), 30);

    // The moon is seen through the open side of the room, above the garden.
    const Pixel moon = ProjectToPixel(*renderer, {-100.0f, -1000.0f, 120.0f}, kWidth, kHeight);
    ASSERT_TRUE(moon.x > kWidth / 5 && moon.x < kWidth && moon.y > 0 && moon.y < kHeight);
    const int sky = Luma(PixelAt(frame, kWidth, moon.x - kWidth / 5, moon.y));
    EXPECT_GT(Luma(PixelAt(frame, kWidth, moon.x, moon.y)), sky + 40);

    // The floor between the camera and the figure is in the middle tones; the
    // light shafts brighten much of the rest, but not all of it.
    const Pixel floor = ProjectToPixel(*renderer, {-0.5f, -1.5f, 0.0f}, kWidth, kHeight);
    const int floorLuma = Luma(PixelAt(frame, kWidth, floor.x, floor.y));
    EXPECT_GT(floorLuma, 40);
    EXPECT_LT(floorLuma, 235);
    int white = 0, black = 0, total = 0;
    for (int y = 0; y < kHeight; y += 4)
        for (int x = 0; x < kWidth; x += 4, ++total) {
            const int l = Luma(PixelAt(frame, kWidth, x, y));
            white += l >= 240;
            black += l <= 8;
        }
    EXPECT_LT(white, total * 2 / 5);
    EXPECT_LT(black, total / 10);

    // Two key units later (half a beckon) the raised paw is folded down.
    const auto beckon = Frame(33);
    SavePng("bundled_scene_beckon", beckon, kWidth, kHeight);
    const Pixel paw = ProjectToPixel(*renderer, {0.42f, -3.39f, 1.2f}, kWidth, kHeight);
    int changed = 0;
    for (int y = paw.y - 20; y <= paw.y + 20; ++y)
        for (int x = paw.x - 20; x <= paw.x + 20; ++x)
            changed += std::abs(Luma(PixelAt(frame, kWidth, x, y)) - Luma(PixelAt(beckon, kWidth, x, y))) > 30;
    EXPECT_GT(changed, 100) << "the raised paw should move";
    EXPECT_GT(Luma(PixelAt(beckon, kWidth, body.x, body.y)), 30);
}

}  // namespace
