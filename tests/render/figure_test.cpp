// The animated figure of the corpus, rendered at two animation times: the
// picture moves where the figure moves, stays where it does not, and lies
// where the camera must see the skinned figure (projected on the CPU here).
#include <algorithm>
#include <cfloat>
#include <fstream>
#include <string>

#include "collada/collada.h"
#include "tests/render/gpu_fixture.h"
#include "tests/core/status_util.h"

namespace {

constexpr int kW = 480;
constexpr int kH = 640;
const std::string kFigure = VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae";

struct Box {
    float minX = FLT_MAX, minY = FLT_MAX, maxX = -FLT_MAX, maxY = -FLT_MAX;
    void Add(float x, float y) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
};

// Every vertex of the model skinned on the CPU by the render model's current
// palette: s = sum of w * (p * bind shape * W), or the bind shape alone.
std::vector<Vector3> SkinnedPositions(const CModel& model, const CRenderModelGpu& render) {
    std::vector<Vector3> out;
    for (const CGeometry* g : model.geometries) {
        const Matrix4 bindShape = TransposeMatrix(Matrix4::FromFloats(g->bindShapeMatrix));
        const CFloatArray* positions =
            g->polygonData.Count() ? g->FindFloatArray(g->polygonData[0]->vertexId) : nullptr;
        if (!positions || !positions->values) continue;
        for (int v = 0; v < positions->values->Count(); ++v) {
            const float* p = static_cast<const float*>(positions->values->GetAt(v));
            const Vector4 b = TransformRow({p[0], p[1], p[2], 1.0f}, bindShape);
            Vector4 s{};
            bool any = false;
            const CBoneWeight* row = g->weights ? g->weights->Row(v) : nullptr;
            for (int k = 0; row && k < MaxBoneInfluences; ++k) {
                const float w = std::clamp(row[k].weight, 0.0f, 1.0f);
                if (w <= 0.0000001f) continue;
                const int j = static_cast<int>(row[k].boneIndex + 0.0001f);
                const Vector4 t = TransformRow(b, render.pose.bones[j]->pose);
                s = {s.x + w * t.x, s.y + w * t.y, s.z + w * t.z, s.w + w * t.w};
                any = true;
            }
            if (!any) s = b;
            out.push_back({s.x, s.y, s.z});
        }
    }
    return out;
}

}  // namespace

class FigureTest : public GpuTest {
protected:
    void SetUp() override {
        GpuTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(std::ifstream(kFigure)) << "missing test data: " << kFigure;
        CName ext;
        ext.SetAscii(".dae");
        std::string error;
        ASSERT_TRUE(Kept(LoadCollada(model, kFigure, ext), error)) << error;
        ASSERT_TRUE(render.Build(*renderer, &model, true));
        ASSERT_GT(render.pose.bones.Count(), 0);
        ASSERT_GT(render.pose.animations.Count(), 0);
    }
    void TearDown() override {
        if (renderer) render.ReleaseGpu();
    }

    // Frames the figure's bind shape from the front, lit by the start lights.
    void FrameFigure() {
        Box xz;
        float minY = FLT_MAX;
        for (const Vector3& p : SkinnedPositions(model, render)) {
            xz.Add(p.x, p.z);
            minY = std::min(minY, p.y);
        }
        renderer->At = {(xz.minX + xz.maxX) / 2, 0.0f, (xz.minY + xz.maxY) / 2};
        // Far enough that the taller side fills about 80% of the picture.
        renderer->Distance = std::max(xz.maxY - xz.minY, xz.maxX - xz.minX) * 1.6f + std::max(-minY, 0.0f);
        renderer->RotationX = kHalfPi;
        renderer->RotationZ = -kHalfPi;
        renderer->LightColor[0] = {1.0f, 0.8f, 0.6f, 1.0f};
        renderer->LightPos[0] = {renderer->At.x, -renderer->Distance, renderer->At.z + 1.0f, 0.0f};
    }

    // Renders at animation time t and returns the picture; `box` receives
    // the CPU projection of the figure as posed for that frame.
    std::vector<unsigned char> RenderAt(float t, Box* box) {
        render.pose.frameCounter = static_cast<std::uint32_t>(t * 50.0f + 0.5f);
        auto frame = RenderFrame(&render, kW, kH);  // evaluates the pose, then draws
        for (const Vector3& p : SkinnedPositions(model, render)) {
            const Vector4 clip =
                TransformRow(TransformRow({p.x, p.y, p.z, 1.0f}, renderer->MatView), renderer->MatProj);
            box->Add((clip.x / clip.w + 1.0f) * 0.5f * kW, (1.0f - clip.y / clip.w) * 0.5f * kH);
        }
        return frame;
    }

    CModel model;
    CRenderModelGpu render;
};

TEST_F(FigureTest, FigureLiesInsideItsProjectedBoundingBox) {
    render.pose.UpdatePose();
    FrameFigure();
    Box box;
    const auto frame = RenderAt(0.0f, &box);
    SavePng("figure_t0", frame, kW, kH);

    Box drawn;
    int figurePixels = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (!IsBackground(PixelAt(frame, kW, x, y))) {
                drawn.Add(x + 0.5f, y + 0.5f);
                ++figurePixels;
            }
    ASSERT_GT(figurePixels, kW * kH / 50);
    // The drawn figure fills the projected box: same extent within two pixels.
    EXPECT_NEAR(drawn.minX, box.minX, 2.0f);
    EXPECT_NEAR(drawn.maxX, box.maxX, 2.0f);
    EXPECT_NEAR(drawn.minY, box.minY, 2.0f);
    EXPECT_NEAR(drawn.maxY, box.maxY, 2.0f);
}

TEST_F(FigureTest, TwoTimesDifferWhereTheBodyMovesAndNowhereElse) {
    render.pose.UpdatePose();
    FrameFigure();
    Box boxA, boxB;
    const auto a = RenderAt(0.0f, &boxA);
    const auto b = RenderAt(3.0f, &boxB);
    SavePng("figure_time_0", a, kW, kH);
    SavePng("figure_time_3", b, kW, kH);

    // This file's animation bends the spine and swings the left arm; the
    // legs stand still.
    int changedUpper = 0;
    int changedLegs = 0;
    const float hips = boxA.minY + (boxA.maxY - boxA.minY) * 0.55f;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const unsigned char* pa = PixelAt(a, kW, x, y);
            const unsigned char* pb = PixelAt(b, kW, x, y);
            const bool differ = std::abs(pa[0] - pb[0]) + std::abs(pa[1] - pb[1]) + std::abs(pa[2] - pb[2]) > 6;
            const bool insideA = x + 1 >= boxA.minX && x <= boxA.maxX + 1 && y + 1 >= boxA.minY && y <= boxA.maxY + 1;
            const bool insideB = x + 1 >= boxB.minX && x <= boxB.maxX + 1 && y + 1 >= boxB.minY && y <= boxB.maxY + 1;
            if (!insideA && !insideB) {
                ASSERT_FALSE(differ) << "background changed at " << x << "," << y;
                continue;
            }
            if (!differ) continue;
            if (y < hips) ++changedUpper;
            else ++changedLegs;
        }
    EXPECT_GT(changedUpper, 2000) << "the upper body does not move";
    EXPECT_LT(changedLegs, 50) << "the legs move";
}
