// The light-shaft pass against a plain sample-by-sample march on the CPU from
// the same constants, cube maps and scene depth.
#include <cmath>
#include <vector>

#include "render/frame_passes.h"
#include "render/light_data.h"
#include "render/point_light.h"
#include "render/volume_light.h"
#include "tests/render/gpu_fixture.h"

namespace {

Vector3 Normalize(Vector3 v) {
    const float n = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / n, v.y / n, v.z / n};
}

// The march as the shader once took it, sample by sample.
float PlainMarch(const CVolumeLight& volume, const CPointLight& lamp, const std::vector<float>& faces,
                 const std::vector<float>& depth, int x, int y, int hidden[2]) {
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
        if (!(s + 0.01f < z) && ++hidden[s > 0 ? 0 : 1]) continue;  // by the model, or by w near 0
        const float cosine = (e.x * l.x + e.y * l.y + e.z * l.z) / dl;
        A += 0.2f * (R - dl) * lamp.Color.w / (3 * lamp.ShadowParam[0] + dl) * 0.91f /
             std::pow(12.566f * (1.09f - 0.6f * cosine), 1.5f);
    }
    return std::fmin(std::fmax(A, 0.0f), 1.0f);
}

}  // namespace

TEST_F(GpuTest, ShaftMarchMatchesAPlainMarchWhereTheModelHidesSamples) {
    // Quads under and beside the lamp; the camera looks past -L, where look-ups
    // land on them, and at z = -2, where face -Z's look-up w is 0.
    CModel model;
    AddQuads(model,
             {{{-0.2f, -1.4f, 1.4f}, {1.2f, -1.4f, 1.4f}, {1.2f, -0.2f, 1.4f}, {-0.2f, -0.2f, 1.4f}},
              {{1.5f, -1.5f, 1.5f}, {1.5f, -0.5f, 1.5f}, {1.5f, -0.5f, 2.5f}, {1.5f, -1.5f, 2.5f}}},
             {0, 0, 1}, "");
    CRenderModelGpu box;
    CPointLight lamp;
    CVolumeLight volume;
    ASSERT_TRUE(box.Build(*renderer, &model, false));
    renderer->RotationX = 1.1f;
    renderer->RotationZ = 1.2f;
    renderer->Distance = 7.0f;
    renderer->At = {0.0f, 0.5f, 0.0f};
    renderer->UpdateFrameConstants(1536.0f / 1080.0f);
    lamp.Position = {0.5f, -0.8f, 2.0f, 1.0f};
    lamp.ShadowParam[0] = 1.0f;
    lamp.Color = {1.0f, 1.0f, 1.0f, 0.3f};
    ASSERT_TRUE(lamp.Create(renderer) && volume.Create(renderer) && lamp.RenderShadowMaps(renderer, &box));
    RenderMainPass(*renderer, &box, nullptr, nullptr, 0);  // the scene depth the march stops at
    volume.Render(*renderer, lamp);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const int W = volume.ReducedImage().width, H = volume.ReducedImage().height;
    std::vector<float> shafts(static_cast<std::size_t>(W) * H * 4);
    glGetTextureImage(volume.ReducedImage().texture, 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(shafts.size() * 4),
                      shafts.data());
    std::vector<float> faces(static_cast<std::size_t>(6) * 256 * 256 * 4);
    glGetTextureImage(lamp.FaceArray(), 0, GL_RGBA, GL_FLOAT, static_cast<GLsizei>(faces.size() * 4), faces.data());
    const std::vector<float> depth = ReadSceneDepth(1536, 1080);
    int hidden[2] = {0, 0}, checked = 0, off = 0;
    float worst = 0;
    for (int y = 1; y < H; y += 6)
        for (int x = 1; x < W; x += 6) {
            const float plain = PlainMarch(volume, lamp, faces, depth, x, y, hidden);
            const float diff = std::fabs(shafts[(static_cast<std::size_t>(y) * W + x) * 4] - plain);
            worst = std::fmax(worst, diff);
            if (diff > 1e-3f * plain + 1e-5f) ++off;
            ++checked;
        }
    EXPECT_GT(hidden[0], 500);
    EXPECT_GT(hidden[1], 200);
    // A sample on a texel's or face's edge may round the other way in a few pixels.
    EXPECT_LE(off, checked / 200);
    EXPECT_LT(worst, 0.01f);
    lamp.Release(), volume.Release(), box.ReleaseGpu();
}
