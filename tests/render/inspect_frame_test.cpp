// The inspection view and the overlays: plain materials in their own colour
// in both views, the gradient, the grid, bones on the posed joints and edges
// over the model.
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "collada/collada.h"
#include "model/posed_bounds.h"
#include "render/inspect_frame.h"
#include "render/render_model_gpu.h"
#include "tests/render/gpu_fixture.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
const std::string kFigure = VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae";

void AddMaterial(CModel& model, const char* name, float r, float g, float b) {
    auto m = std::make_unique<CMaterial>(CMaterial{{r, g, b, 1.0f}, {}, {}, {}, {}, {}});
    m->name.SetAscii(name);
    model.materials.Add(std::move(m));
}

class InspectFrameTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (!passes) {
            passes = std::make_unique<CInspectPasses>();
            ASSERT_TRUE(passes->Create());
        }
    }

    static std::vector<unsigned char> Inspect(CRenderModelGpu* model, const InspectOptions& options, Bounds3 ground) {
        const InspectFrame f{renderer, passes.get(), model, options, ground, false, kW, kH, float(kW) / kH};
        EXPECT_TRUE(RenderInspectFrame(f));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return BackBuffer();
    }
    static std::vector<unsigned char> BackBuffer() {
        std::vector<unsigned char> rgba(static_cast<std::size_t>(kW) * kH * 4);
        CRenderer::ReadTarget(renderer->BackBuffer(), kW, kH, rgba.data());
        return rgba;
    }

    static std::unique_ptr<CInspectPasses> passes;
};
std::unique_ptr<CInspectPasses> InspectFrameTest::passes;

int Brightness(const unsigned char* p) { return p[0] + p[1] + p[2]; }

}  // namespace

// A red and a green plain material stay red and green in either view.
TEST_F(InspectFrameTest, PlainMaterialsShowTheirOwnColourInBothViews) {
    CModel model;
    AddMaterial(model, "red", 0.8f, 0.1f, 0.1f);
    AddMaterial(model, "green", 0.1f, 0.8f, 0.1f);
    AddQuads(model, {{{-1.2f, 0, -0.5f}, {-0.2f, 0, -0.5f}, {-0.2f, 0, 0.5f}, {-1.2f, 0, 0.5f}}}, {0, -1, 0}, "red");
    AddQuads(model, {{{0.2f, 0, -0.5f}, {1.2f, 0, -0.5f}, {1.2f, 0, 0.5f}, {0.2f, 0, 0.5f}}}, {0, -1, 0}, "green");
    CRenderModelGpu render;
    ASSERT_TRUE(render.Build(*renderer, &model, false));
    renderer->LightColor[0] = {1, 1, 1, 1};
    renderer->LightPos[0] = {0, -3, 0, 0};
    const std::function<std::vector<unsigned char>()> views[] = {
        [&] { return GpuTest::RenderFrame(&render, kW, kH); },
        [&] {
            return Inspect(&render, {false, false, false}, {});
        },
    };
    for (const auto& view : views) {
        const auto rgba = view();
        const Pixel red = ProjectToPixel(*renderer, {-0.7f, 0, 0}, kW, kH);
        const Pixel green = ProjectToPixel(*renderer, {0.7f, 0, 0}, kW, kH);
        const unsigned char *r = PixelAt(rgba, kW, red.x, red.y), *g = PixelAt(rgba, kW, green.x, green.y);
        EXPECT_GT(r[0], r[1] + 40) << int(r[0]) << " " << int(r[1]);
        EXPECT_GT(g[1], g[0] + 40) << int(g[0]) << " " << int(g[1]);
    }
    render.ReleaseGpu();
}

// Without a model or grid: each row one colour, brighter towards the top.
TEST_F(InspectFrameTest, BackgroundIsAVerticalGradient) {
    const std::vector<unsigned char> rgba = Inspect(nullptr, {false, false, false}, {});
    for (int y = 0; y < kH; ++y)
        for (int x = 1; x < kW; ++x)
            ASSERT_EQ(Brightness(PixelAt(rgba, kW, x, y)), Brightness(PixelAt(rgba, kW, 0, y)));
    EXPECT_GT(Brightness(PixelAt(rgba, kW, 0, 0)), Brightness(PixelAt(rgba, kW, 0, kH - 1)) + 60);
}

// The figure at two times: the bones' dots lie on its posed joints, in both
// views; the edges darken the model and leave the background alone.
TEST_F(InspectFrameTest, OverlaysFollowThePoseInBothViews) {
    CModel model;
    CName ext;
    ext.SetAscii(".dae");
    const Outcome loaded = LoadCollada(model, kFigure, ext);
    ASSERT_TRUE(loaded) << loaded.status.Why();
    CRenderModelGpu render;
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    renderer->LightColor[0] = {1, 1, 1, 1};
    renderer->LightPos[0] = {0, -3, 0, 0};
    renderer->At = {0, 0, 0.9f};
    renderer->Distance = 3.2f;
    const InspectOptions bones{true, false, true};
    for (std::uint32_t counter : {0u, 40u}) {
        SCOPED_TRACE(counter);
        render.pose.frameCounter = counter;
        render.pose.UpdatePose();
        const Bounds3 box = PosedBounds(model, render.pose);
        render.pose.frameCounter = counter;
        const std::vector<unsigned char> views[2] = {
            Inspect(&render, bones, box),
            [&] {
                GpuTest::RenderFrame(&render, kW, kH);
                RenderOverlays(*renderer, *passes, render, bones, false, kW, kH);
                return BackBuffer();
            }(),
        };
        const PosedSkeleton skeleton = PoseSkeleton(render.pose);
        ASSERT_GE(skeleton.joints.size(), static_cast<std::size_t>(model.bones.Count()));
        // The skin's joints alone, in one tree: no dot or line at the armature's or the mesh's node.
        EXPECT_EQ(std::count(skeleton.parents.begin(), skeleton.parents.end(), -1), 1);
        for (const auto& rgba : views) {
            SavePng("inspect_bones_" + std::to_string(counter), rgba, kW, kH);
            for (const Vector3& j : skeleton.joints) {
                const Pixel p = ProjectToPixel(*renderer, j, kW, kH);
                const unsigned char* px = PixelAt(rgba, kW, p.x, p.y);
                EXPECT_TRUE(px[0] > 230 && px[1] > 200 && px[2] < 120)
                    << p.x << "," << p.y << ": " << int(px[0]) << " " << int(px[1]) << " " << int(px[2]);
            }
        }
    }
    const std::vector<unsigned char> plain = Inspect(&render, {false, false, false}, {});
    const std::vector<unsigned char> edges = Inspect(&render, {false, true, false}, {});
    long darker = 0, changedOutside = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const int before = Brightness(PixelAt(plain, kW, x, y)), after = Brightness(PixelAt(edges, kW, x, y));
            const bool model = before != Brightness(PixelAt(plain, kW, 0, y));
            darker += model && after + 60 < before;
            changedOutside += !model && after != before && x > 0 && x < kW - 1;
        }
    EXPECT_GT(darker, 500);
    EXPECT_LT(changedOutside, darker / 4);  // only where an edge leaves the silhouette by a pixel
    render.ReleaseGpu();
}
