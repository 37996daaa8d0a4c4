#include "tests/render/gpu_fixture.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cmath>
#include <memory>

#include "render/frame_passes.h"
#include "render/headless_context.h"

CRenderer* GpuTest::renderer = nullptr;
std::string GpuTest::unavailable;

namespace {
std::unique_ptr<CHeadlessContext> gContext;
std::unique_ptr<CRenderer> gRenderer;
}  // namespace

void GpuTest::SetUpTestSuite() {
    if (gRenderer || !unavailable.empty()) return;
    gContext = std::make_unique<CHeadlessContext>();
    if (const Status created = gContext->Create(); !created) {
        unavailable = created.Why();
        return;
    }
    gRenderer = std::make_unique<CRenderer>();
    if (const Status initialized = gRenderer->Initialize(1920, 1080); !initialized) {
        unavailable = "the renderer cannot be set up: " + initialized.Why();
        return;
    }
    renderer = gRenderer.get();
}

void GpuTest::SetUp() {
    ASSERT_NE(renderer, nullptr) << "no headless OpenGL 4.5: " << unavailable;
    ResetScene();
}

void GpuTest::ResetScene(float distance) {
    renderer->RotationX = kHalfPi;
    renderer->RotationZ = -kHalfPi;
    renderer->Distance = distance;
    renderer->At = {0, 0, 0};
    for (int i = 0; i < kLightCount; ++i) {
        renderer->LightColor[i] = {};
        renderer->LightPos[i] = {};
    }
}

std::vector<unsigned char> GpuTest::RenderFrame(CRenderModelGpu* model, int width, int height, CRenderModelGpu* room2,
                                                CRenderModelGpu* room3) {
    renderer->UpdateFrameConstants(static_cast<float>(width) / static_cast<float>(height));
    renderer->SetViewport(width, height);
    // The sky pass clears the scene colour in a full frame; no sky here.
    const float zero[4] = {0, 0, 0, 0};
    glClearNamedFramebufferfv(renderer->SceneColor().framebuffer, GL_COLOR, 0, zero);
    RenderMainPass(*renderer, model, room2, room3, 0);
    const float clear[3] = {0.2f, 0.4f, 0.6f};
    RenderComposition(*renderer, clear, false, width, height, CompositionInputs{});
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    CRenderer::ReadTarget(renderer->BackBuffer(), width, height, rgba.data());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return rgba;
}

std::vector<float> GpuTest::ReadSceneDepth(int width, int height) {
    std::vector<float> rgba(static_cast<std::size_t>(width) * height * 4);
    glGetTextureSubImage(renderer->SceneDepth().texture, 0, 0, 0, 0, width, height, 1, GL_RGBA, GL_FLOAT,
                         static_cast<GLsizei>(rgba.size() * sizeof(float)), rgba.data());
    return rgba;
}

std::vector<unsigned char> GpuTest::ReadSceneColor(int width, int height) {
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    CRenderer::ReadTarget(renderer->SceneColor(), width, height, rgba.data());
    return rgba;
}

void SavePng(const std::string& name, const std::vector<unsigned char>& rgba, int width, int height) {
    const QString dir = QStringLiteral(VORLAND_BINARY_DIR "/test-output");
    QDir().mkpath(dir);
    QImage image(rgba.data(), width, height, width * 4, QImage::Format_RGBA8888);
    image.convertToFormat(QImage::Format_RGB888).save(dir + "/" + QString::fromStdString(name) + ".png");
}

Pixel ProjectToPixel(const CRenderer& r, const Vector3& p, int width, int height) {
    const Vector4 clip = TransformRow(TransformRow({p.x, p.y, p.z, 1.0f}, r.MatView), r.MatProj);
    const double nx = clip.x / clip.w;
    const double ny = clip.y / clip.w;
    // Row 0 is the top of the image: NDC y = +1.
    return {static_cast<int>(std::floor((nx + 1.0) * 0.5 * width)),
            static_cast<int>(std::floor((1.0 - ny) * 0.5 * height))};
}

const unsigned char* PixelAt(const std::vector<unsigned char>& rgba, int width, int x, int y) {
    return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
}

bool IsBackground(const unsigned char* px, int tolerance) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(px[c] - kBackground[c]) > tolerance) return false;
    return true;
}

CFloatArray* AddSource(CGeometry& g, const char* id, int floatsPerEntry, const std::vector<float>& values) {
    auto* source = g.floatArrays.AddNew();
    source->id.SetAscii(id);
    source->values = std::make_unique<CArray>(floatsPerEntry * 4);
    for (std::size_t i = 0; i + floatsPerEntry <= values.size(); i += floatsPerEntry) source->values->Add(&values[i]);
    return source;
}

CGeometry* AddQuads(CModel& model, const std::vector<std::vector<Vector3>>& quads, const Vector3& normal,
                    const char* material) {
    auto* g = model.geometries.AddNew();
    g->id.SetAscii("geometry");
    std::vector<float> positions;
    for (const auto& quad : quads)
        for (const Vector3& v : quad) positions.insert(positions.end(), {v.x, v.y, v.z});
    AddSource(*g, "positions", 3, positions);
    AddSource(*g, "normals", 3, {normal.x, normal.y, normal.z});
    AddSource(*g, "uvs", 2, {0, 0, 1, 0, 1, 1, 0, 1});
    g->vertexCount = static_cast<int>(quads.size() * 4);

    auto* block = g->polygonData.AddNew();
    block->materialId.SetAscii(material);
    block->vertexId.SetAscii("positions");
    block->normalId.SetAscii("normals");
    CName uvs;
    uvs.SetAscii("uvs");
    block->texIds.Add(uvs);
    for (int q = 0; q < static_cast<int>(quads.size()); ++q) {
        const int corners[6] = {0, 1, 2, 0, 2, 3};
        for (int c : corners) {
            block->vertexIndices.Add(q * 4 + c);
            block->normalIndices.Add(0);
            block->texIndices.Add(c);
        }
    }
    return g;
}
