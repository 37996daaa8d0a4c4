#include "render/sky.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/texture_file.h"

namespace {

GLuint MakeVertexBuffer(const std::vector<SkyVertex>& vertices) {
    std::vector<ModelVertex> out(vertices.size());
    std::memset(out.data(), 0, out.size() * sizeof(ModelVertex));
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        std::memcpy(out[i].position, vertices[i].position, sizeof out[i].position);
        std::memcpy(out[i].normal, vertices[i].normal, sizeof out[i].normal);
        std::memcpy(out[i].texCoord, vertices[i].texcoord, sizeof out[i].texCoord);
    }
    return CRenderer::CreateDynamicBuffer(out.size() * sizeof(ModelVertex), out.data());
}

// Folder + "/" + name, each part bounded as the settings' strings are.
std::string ImagePath(const std::string& folder, const std::string& name) {
    constexpr std::size_t kMax = 1023;
    std::string path = folder.substr(0, kMax);
    path += "/";
    path += name;
    if (path.size() > kMax) path.resize(kMax);
    return path;
}

}  // namespace

CSky::CSky() { std::memset(static_cast<void*>(&mirror_), 0, sizeof mirror_); }

SkyPictures DecodeSkyPictures(const SkyImages& images) {
    return {DecodeImageFile(ImagePath(images.folder, images.cloud)),
            DecodeImageFile(ImagePath(images.folder, images.star)),
            DecodeImageFile(ImagePath(images.folder, images.moon))};
}

void CSky::Create(CRenderer& renderer, const SkyPictures& pictures) {
    const std::vector<SkyVertex> dome = BuildDomeVertices();
    DomeVertexCount = static_cast<int>(dome.size());
    // Triangle j of the strip joins vertices j .. j + 2; an even count keeps
    // the rest of the strip's triangles in their order and winding.
    int low = 0;
    while (low < DomeVertexCount && dome[low].position[2] < -1.0f) ++low;
    lowTriangles_ = std::max(low - 2, 0) & ~1;
    domeBuffer_ = MakeVertexBuffer(dome);
    moonBuffer_ = MakeVertexBuffer(BuildMoonVertices(Size2));
    constantBuffer_ = CRenderer::CreateDynamicBuffer(sizeof(SkyConstants));
    {
        std::lock_guard<std::mutex> lock(mirrorLock_);
        FillCloudParameters(mirror_, 1238);
        CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
    }
    cloud_ = *UploadImage(pictures.cloud);
    star_ = *UploadImage(pictures.star);
    moon_ = *UploadImage(pictures.moon);
    (void)renderer;
}

void CSky::Release() {
    const GLuint textures[3] = {cloud_, star_, moon_};
    glDeleteTextures(3, textures);
    const GLuint buffers[3] = {domeBuffer_, moonBuffer_, constantBuffer_};
    glDeleteBuffers(3, buffers);
    cloud_ = star_ = moon_ = domeBuffer_ = moonBuffer_ = constantBuffer_ = 0;
}

SkyConstants CSky::Mirror() const {
    std::lock_guard<std::mutex> lock(mirrorLock_);
    return mirror_;
}

void CSky::Tick() {
    const SkyRgb rgb = ComputeColour();
    ScrollAngle1 += Speed * 0.0002f;
    ScrollAngle2 += Speed * 0.005f;
    if (ScrollAngle1 > 6.2831855f) ScrollAngle1 = 0.0f;
    if (ScrollAngle2 > 6.2831855f) ScrollAngle2 = 0.0f;
    std::lock_guard<std::mutex> lock(mirrorLock_);
    // Divided by 400, not 255: the evening sky stays dim.
    mirror_.SkyColor = {rgb.r / 400.0f, rgb.g / 400.0f, rgb.b / 400.0f, 1.0f};
    mirror_.SkyParam = {ScrollAngle1, ScrollAngle2, ParamZ, ParamW};
    mirror_.SunPos = SunPos;
    mirror_.MoonPos = MoonPos;
}

void CSky::Draw(CRenderer& renderer) {
    {
        std::lock_guard<std::mutex> lock(mirrorLock_);
        mirror_.MatMoon = TransposeMatrix(MoonMatrix(renderer.RotationX - kHalfPi, MoonPos));
        CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
    }
    renderer.SetInputLayout(renderer.SimpleLayout());
    renderer.SetRasterizerState();
    renderer.SetBlendState(BlendState::Opaque);  // the dome's alpha is 1
    renderer.BindConstantBuffer(kSlotLightOrSky, constantBuffer_);

    renderer.SetVertexShader(renderer.VsSky);
    renderer.SetPixelShader(renderer.PsSky);
    renderer.BindTexture(0, cloud_);
    renderer.BindTexture(1, star_);
    renderer.BindSampler(0);
    renderer.BindSampler(1);
    renderer.SetVertexBuffer(domeBuffer_);
    int first = 0;
    if (renderer.PsSkyLow && lowTriangles_ > 0) {
        renderer.SetPixelShader(renderer.PsSkyLow);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, lowTriangles_ + 2);
        renderer.SetPixelShader(renderer.PsSky);
        first = lowTriangles_;
    }
    glDrawArrays(GL_TRIANGLE_STRIP, first, DomeVertexCount - first);

    renderer.SetBlendState(BlendState::Alpha);
    renderer.SetVertexShader(renderer.VsMoon);
    renderer.SetPixelShader(renderer.PsMoon);
    renderer.BindTexture(2, moon_);
    renderer.BindSampler(2);
    renderer.SetVertexBuffer(moonBuffer_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}
