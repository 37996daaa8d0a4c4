// The light-shaft pass against a plain sample-by-sample march worked out on
// the CPU from the same constants, cube maps and scene depth, in a scene
// where the model hides many samples both ways: by its own texels and where
// the look-up's w is near 0.
#include <cmath>
#include <vector>

#include "render/frame_passes.h"
#include "render/light_data.h"
#include "render/point_light.h"
#include "render/volume_light.h"
#include "tests/render/gpu_fixture.h"

namespace {

void AddBox(CModel& model, Vector3 lo, Vector3 hi) {
    const float x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
    AddQuads(model,
             {{{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}},
              {{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}},
              {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}},
              {{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}},
              {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}},
              {{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}},
             {0, 0, 1}, "");
}

Vector3 Normalize(Vector3 v) {
    const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

struct Hidden {
    int byModel = 0;  // by a texel the model drew
    int byW = 0;      // by an empty texel, w near 0
};

// The march as the shader once took it, sample by sample.
float PlainMarch(const CVolumeLight& volume, const CPointLight& lamp, const std::vector<float>& faces,
                 const std::vector<float>& depth, int x, int y, Hidden& hidden) {
    const VolumeLightConstants& v = volume.Mirror();
    const float W = v.VolumeLightParam1.x, H = v.VolumeLightParam1.y, scale = v.VolumeLightParam1.z;
    const float u = (x + 0.5f) / (volume.FullWidth * scale), w = (y + 0.5f) / (volume.FullHeight * scale);
    const int dx = static_cast<int>(W * u / scale), dy = static_cast<int>(H * w / scale);
    float d = depth[(static_cast<std::size_t>(dy) * volume.FullWidth + dx) * 4 + 1];
    if (d < 0.001f) d = 10000.0f;
    const Vector3 O{v.EyeVL.x + v.MoveVL.x, v.EyeVL.y + v.MoveVL.y, v.EyeVL.z + v.MoveVL.z};
    const Vector3 e = Normalize({v.EyeVL.x, v.EyeVL.y, v.EyeVL.z});
    const Vector3 right = Normalize({-e.y, e.x, 0.0f});
    const float nx = 2 * u - 1, ny = 2 * w - 1;
    const Vector3 D = Normalize({-e.x + nx * right.x, -e.y + nx * right.y, -e.z + nx * right.z - ny * (H / W)});
    const Matrix4 view = TransposeMatrix(v.MatViewVL);
    const float R = 10 * lamp.ShadowParam[0], size = static_cast<float>(lamp.ShadowMapSize);
    float A = 0;
    for (int i = 0; i < 300; ++i) {
        const float t = i * 0.1f;
        const Vector3 P{O.x + t * D.x, O.y + t * D.y, O.z + t * D.z};
        const Vector3 l{P.x - lamp.Position.x, P.y - lamp.Position.y, P.z - lamp.Position.z};
        const float dl = std::sqrt(l.x * l.x + l.y * l.y + l.z * l.z);
        if (dl > R) continue;
        const float f[6] = {-l.x, -l.y, -l.z, l.x, l.y, l.z};
        const float m = std::fmax(std::fmax(std::fabs(l.x), std::fabs(l.y)), std::fabs(l.z)) - 0.001f;
        int k = 0;
        while (k < 5 && !(f[k] > m)) ++k;
        const Vector4 c = TransformRow(TransformRow({-P.x, -P.y, -P.z, 1}, lamp.FaceView(k)), CubeFaceProjection());
        const int tx = static_cast<int>(c.x / c.w * size), ty = static_cast<int>(c.y / c.w * size);
        float s = 0;
        if (tx >= 0 && ty >= 0 && tx < size && ty < size)
            s = faces[((static_cast<std::size_t>(k) * lamp.ShadowMapSize + ty) * lamp.ShadowMapSize + tx) * 4];
        if (d < P.x * view.m[0][2] + P.y * view.m[1][2] + P.z * view.m[2][2]) break;
        const float z = c.z / c.w;
        if (!(s + 0.01f < z)) {
            ++(s > 0 ? hidden.byModel : hidden.byW);
            continue;
        }
        const float cosine = (e.x * l.x + e.y * l.y + e.z * l.z) / dl;
        A += 0.2f * (R - dl) * lamp.Color.w / (3 * lamp.ShadowParam[0] + dl) * 0.91f /
             std::pow(12.566f * (1.09f - 0.6f * cosine), 1.5f);
    }
    return std::fmin(std::fmax(A, 0.0f), 1.0f);
}

}  // namespace

class ShaftMarchTest : public GpuTest {
protected:
    void TearDown() override {
        if (!renderer) return;
        lamp.Release();
        volume.Release();
        box.render.ReleaseGpu();
    }
    struct Built {
        CModel model;
        CRenderModel render;
    };
    CPointLight lamp;
    CVolumeLight volume;
    Built box;
};

TEST_F(ShaftMarchTest, MatchesAPlainMarchWhereTheModelHidesSamples) {
    // Boxes under and beside the lamp fill parts of three faces; the camera
    // looks down past the lamp's mirror image -L, where the look-ups land on
    // them, and at the plane z = -2, where face -Z's look-up w is 0.
    AddBox(box.model, {-0.2f, -1.4f, 0.6f}, {1.2f, -0.2f, 1.4f});
    AddBox(box.model, {1.5f, -1.5f, 1.5f}, {1.8f, -0.5f, 2.5f});
    ASSERT_TRUE(box.render.Build(*renderer, &box.model, false));
    renderer->RotationX = 1.1f;
    renderer->RotationZ = 1.2f;
    renderer->Distance = 7.0f;
    renderer->At = {0.0f, 0.5f, 0.0f};
    renderer->UpdateFrameConstants(1536.0f / 1080.0f);
    renderer->SetViewport(1536, 1080);
    lamp.Position = {0.5f, -0.8f, 2.0f, 1.0f};
    lamp.ShadowParam[0] = 1.0f;
    lamp.Color = {1.0f, 1.0f, 1.0f, 0.3f};
    ASSERT_TRUE(lamp.Create(renderer));
    ASSERT_TRUE(volume.Create(renderer));
    ASSERT_TRUE(lamp.RenderShadowMaps(renderer, &box.render));
    renderer->LightTarget = {0, 0, 0};
    RenderMainPass(*renderer, &box.render, nullptr, nullptr, 0);  // the scene depth the march stops at
    volume.Render(*renderer, lamp);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const int W = volume.ReducedImage().width, H = volume.ReducedImage().height;
    std::vector<float> shafts(static_cast<std::size_t>(W) * H * 4);
    glGetTextureImage(volume.ReducedImage().texture, 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(shafts.size() * 4),
                      shafts.data());
    std::vector<float> faces(static_cast<std::size_t>(6) * 256 * 256 * 4);
    glGetTextureImage(lamp.FaceArray(), 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(faces.size() * 4), faces.data());
    const std::vector<float> depth = ReadSceneDepth(1536, 1080);

    Hidden hidden;
    int checked = 0, off = 0;
    float worst = 0;
    for (int y = 1; y < H; y += 6)
        for (int x = 1; x < W; x += 6) {
            const float plain = PlainMarch(volume, lamp, faces, depth, x, y, hidden);
            const float diff = std::fabs(shafts[(static_cast<std::size_t>(y) * W + x) * 4] - plain);
            worst = std::fmax(worst, diff);
            if (diff > 1e-3f * plain + 1e-5f) ++off;
            ++checked;
        }
    EXPECT_GT(hidden.byModel, 500);
    EXPECT_GT(hidden.byW, 200);
    // A sample on the edge of a texel or of the face choice may round the
    // other way: one sample's term in a few pixels.
    EXPECT_LE(off, checked / 200);
    EXPECT_LT(worst, 0.01f);
}
