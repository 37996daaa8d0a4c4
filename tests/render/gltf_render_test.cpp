// glTF models on the GPU: an Assimp export draws the silhouette of its
// COLLADA source at every time, and an embedded image textures its cube.
#include <algorithm>
#include <cfloat>
#include <string>

#include "collada/collada.h"
#include "gltf/gltf.h"
#include "tests/render/gpu_fixture.h"

namespace {

constexpr int kW = 320;
constexpr int kH = 240;
const std::string kData = VORLAND_SOURCE_DIR "/tests/data/gltf/";

// Non-background pixels.
std::vector<bool> Mask(const std::vector<unsigned char>& rgba) {
    std::vector<bool> mask(static_cast<std::size_t>(kW) * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            mask[static_cast<std::size_t>(y) * kW + x] = !IsBackground(PixelAt(rgba, kW, x, y));
    return mask;
}

// Looks at the middle of the model's positions from far enough to see all.
void Frame(CRenderer& renderer, const CModel& model) {
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (const CGeometry* g : model.geometries)
        for (const CFloatArray* a : g->floatArrays)
            for (int v = 0; a->FloatCount() == 3 && v < a->values->Count(); ++v)
                for (int c = 0; c < 3; ++c) {
                    const float p = static_cast<const float*>(a->values->GetAt(v))[c];
                    lo[c] = std::min(lo[c], p), hi[c] = std::max(hi[c], p);
                }
    renderer.At = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    renderer.Distance = 2.5f * std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    renderer.LightColor[0] = {1.0f, 1.0f, 1.0f, 1.0f};
    renderer.LightPos[0] = {renderer.At.x - renderer.Distance, renderer.At.y - renderer.Distance,
                            renderer.At.z + renderer.Distance, 0.0f};
}

class GltfRenderTest : public GpuTest {
protected:
    // The composed frame, or with `lit` the main pass's colour target alone
    // (the composition darkens a model that no lamp image lights).
    std::vector<unsigned char> Draw(const CModel& model, float t, const char* png, bool lit = false) {
        CRenderModelGpu render;
        EXPECT_TRUE(render.Build(*renderer, &model, true));
        render.pose.frameCounter = static_cast<std::uint32_t>(t * 50.0f + 0.5f);
        auto frame = RenderFrame(&render, kW, kH);
        if (lit) frame = ReadSceneColor(kW, kH);
        SavePng(png, frame, kW, kH);
        for (int i = 0; i < render.textures.Count(); ++i)
            if (!model.textures[i]->embeddedImage.empty()) {
                EXPECT_NE(render.textures[i], 0u) << png << ": an image did not load";
            }
        render.ReleaseGpu();
        return frame;
    }
};

}  // namespace

TEST_F(GltfRenderTest, AnExportDrawsTheSilhouetteOfItsColladaSourceAtEveryTime) {
    CModel dae, glb;
    CName ext;
    ext.SetAscii(".dae");
    ASSERT_TRUE(LoadCollada(dae, VORLAND_SOURCE_DIR "/tests/data/corpus/blender/two-skinned-cubes.dae", ext));
    ASSERT_TRUE(LoadGltf(glb, kData + "blender/two-skinned-cubes.glb"));
    Frame(*renderer, dae);
    for (float t : {0.0f, 0.5f, 1.0f, 1.5f}) {
        const std::string at = std::to_string(static_cast<int>(t * 10));
        const std::vector<bool> a = Mask(Draw(dae, t, ("gltf_silhouette_dae_" + at).c_str()));
        const std::vector<bool> b = Mask(Draw(glb, t, ("gltf_silhouette_glb_" + at).c_str()));
        const long drawn = std::count(a.begin(), a.end(), true);
        long differ = 0;
        for (std::size_t i = 0; i < a.size(); ++i) differ += a[i] != b[i];
        EXPECT_GT(drawn, kW * kH / 50) << "t = " << t;
        EXPECT_LE(differ, drawn / 200) << "t = " << t;  // edge pixels at most
    }
}

TEST_F(GltfRenderTest, AnEmbeddedImageTexturesTheCube) {
    for (const char* file : {"khronos/textured-cube.gltf", "khronos/BoxTextured.glb"}) {
        CModel model;
        ASSERT_TRUE(LoadGltf(model, kData + file));
        Frame(*renderer, model);
        const std::vector<unsigned char> textured = Draw(model, 0.0f, "gltf_textured_cube", true);
        model.textures[0]->embeddedImage.clear();  // the same cube without its image
        const std::vector<unsigned char> plain = Draw(model, 0.0f, "gltf_plain_cube", true);
        int cube = 0, changed = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const unsigned char* p = PixelAt(plain, kW, x, y);
                const unsigned char* q = PixelAt(textured, kW, x, y);
                if (p[3] == 0) continue;  // nothing drawn
                ++cube;
                changed += std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) > 30;
            }
        EXPECT_GT(cube, kW * kH / 100) << file;
        EXPECT_GT(changed, cube / 5) << file;
    }
}
