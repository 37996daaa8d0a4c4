#include "render/volume_light.h"

#include <algorithm>
#include <cstring>

#include "render/light_data.h"
#include "render/point_light.h"

namespace {

// Whether a sample whose face is k can see its look-up's w (the clip w of
// the negated sample in face k, an affine function of the sample) within
// [0, 0.0102]: face k's samples form a square cone from the lamp along the
// face's axis, so w over them runs from its value at the lamp along the
// slopes of the cone's four edges. A little room covers the face choice's
// 0.001 tolerance.
bool BandPossible(const Matrix4& lookup, const Vector4& lamp, int k) {
    const auto slope = [&](const float d[3]) {
        return -(d[0] * lookup.m[0][3] + d[1] * lookup.m[1][3] + d[2] * lookup.m[2][3]);
    };
    const float atLamp = lookup.m[3][3] - (lamp.x * lookup.m[0][3] + lamp.y * lookup.m[1][3] + lamp.z * lookup.m[2][3]);
    const int axis = k % 3;
    bool rises = false, falls = false;
    for (int edge = 0; edge < 4; ++edge) {
        float d[3];
        d[axis] = k < 3 ? -1.0f : 1.0f;
        d[(axis + 1) % 3] = (edge & 1) ? 1.0f : -1.0f;
        d[(axis + 2) % 3] = (edge & 2) ? 1.0f : -1.0f;
        const float s = slope(d);
        rises = rises || s > 0.0f;
        falls = falls || s < 0.0f;
    }
    const float room = 0.01f;
    return (falls || atLamp <= 0.0102f + room) && (rises || atLamp >= -room);
}

}  // namespace

CVolumeLight::CVolumeLight() { std::memset(static_cast<void*>(&mirror_), 0, sizeof mirror_); }

bool CVolumeLight::Create(CRenderer* renderer) {
    if (!renderer) return false;
    FullWidth = renderer->RenderWidth;
    FullHeight = renderer->RenderHeight;
    MakeReduced();
    constantBuffer_ = CRenderer::CreateDynamicBuffer(sizeof(VolumeLightConstants));
    lookupBuffer_ = CRenderer::CreateDynamicBuffer(sizeof(ShaftLookup));
    return true;
}

void CVolumeLight::MakeReduced() {
    reduced_.width = std::max(static_cast<int>(FullWidth * Scale), 1);
    reduced_.height = std::max(static_cast<int>(FullHeight * Scale), 1);
    glCreateTextures(GL_TEXTURE_2D, 1, &reduced_.texture);
    glTextureStorage2D(reduced_.texture, 1, GL_RGBA32F, reduced_.width, reduced_.height);
    glClearTexImage(reduced_.texture, 0, GL_RGBA, GL_FLOAT, nullptr);
    glCreateFramebuffers(1, &reduced_.framebuffer);
    glNamedFramebufferTexture(reduced_.framebuffer, GL_COLOR_ATTACHMENT0, reduced_.texture, 0);
}

void CVolumeLight::Release() {
    glDeleteFramebuffers(1, &reduced_.framebuffer);
    glDeleteTextures(1, &reduced_.texture);
    glDeleteBuffers(1, &constantBuffer_);
    glDeleteBuffers(1, &lookupBuffer_);
    reduced_ = CRenderTarget{};
    constantBuffer_ = lookupBuffer_ = 0;
}

void CVolumeLight::Resize(const CRenderer& renderer) {
    if (FullWidth == renderer.RenderWidth && FullHeight == renderer.RenderHeight) return;
    glDeleteFramebuffers(1, &reduced_.framebuffer);
    glDeleteTextures(1, &reduced_.texture);
    FullWidth = renderer.RenderWidth;
    FullHeight = renderer.RenderHeight;
    MakeReduced();
}

void CVolumeLight::FillConstants(const CRenderer& renderer, int shadowMapSize, float frameX, float frameY) {
    const Vector3 eye{renderer.At.x + renderer.EyeOffset.x, renderer.At.y + renderer.EyeOffset.y,
                      renderer.At.z + renderer.EyeOffset.z};
    const Vector3 toAt{-renderer.EyeOffset.x, -renderer.EyeOffset.y, -renderer.EyeOffset.z};
    mirror_.MatWorldVL = Matrix4::Identity();
    mirror_.MatViewVL = TransposeMatrix(LookToMatrix(eye, toAt, {0, 0, 1}));  // no mirror here
    mirror_.MatProjVL = TransposeMatrix(VolumeLightProjection());
    mirror_.EyeVL = {renderer.EyeOffset.x, renderer.EyeOffset.y, renderer.EyeOffset.z, 1.0f};
    mirror_.MoveVL = {renderer.LightTarget.x, renderer.LightTarget.y, renderer.LightTarget.z, 1.0f};
    mirror_.VolumeLightParam1 = {static_cast<float>(reduced_.width) * frameX,
                                 static_cast<float>(reduced_.height) * frameY, Scale, static_cast<float>(Flag)};
    // z, w: the frame's size in pixels, which the composition scales the
    // reduced image up to.
    mirror_.VolumeLightParam2 = {0.8f, static_cast<float>(shadowMapSize), FullWidth * frameX, FullHeight * frameY};
}

void CVolumeLight::FillLookup(const CPointLight& light) {
    const Matrix4 projection = CubeFaceProjection();
    int band = 0, covered = 0;
    for (int k = 0; k < 6; ++k) {
        const Matrix4 lookup = MultiplyMatrix(light.FaceView(k), projection);
        if (BandPossible(lookup, light.Position, k)) {
            lookup_.BandLookup[band] = TransposeMatrix(lookup);
            lookup_.BandFaces[band++] = k;
        }
        const int* box = light.Bounds().CoveredTexels[k];
        if (box[2] >= box[0]) {
            lookup_.CoveredLookup[covered] = TransposeMatrix(lookup);
            for (int i = 0; i < 4; ++i) lookup_.CoveredTexels[covered][i] = box[i];
            lookup_.CoveredFaces[covered++] = k;
        }
    }
    lookup_.FaceCounts[0] = band;
    lookup_.FaceCounts[1] = covered;
}

void CVolumeLight::Render(CRenderer& renderer, CPointLight& light, bool add) {
    GLfloat saved[4];
    glGetFloati_v(GL_VIEWPORT, 0, saved);
    // A frame smaller than the targets covers their (0, 0, w, h) corner: the
    // march covers the same corner of the reduced image, so every ray reads
    // its own pixel's depth and the scale-up maps corner to corner. The
    // viewport keeps the fraction of a pixel the truncated texture lost.
    const float frameX = std::min(saved[2] / static_cast<float>(FullWidth), 1.0f);
    const float frameY = std::min(saved[3] / static_cast<float>(FullHeight), 1.0f);
    glViewportIndexedf(0, 0.0f, 0.0f, FullWidth * Scale * frameX, FullHeight * Scale * frameY);
    glDepthRange(0.0, 1.0);

    light.UpdateLightConstants(renderer);
    light.BindFaceMaps(renderer);
    glBindTextureUnit(2, light.FaceArray());  // beside face 1's 2D binding
    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.SetRasterizerState();

    FillConstants(renderer, light.ShadowMapSize, frameX, frameY);
    CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
    renderer.BindConstantBuffer(kSlotVolumeLight, constantBuffer_);
    FillLookup(light);
    CRenderer::UploadDynamic(lookupBuffer_, &lookup_, sizeof lookup_);
    renderer.BindConstantBuffer(kSlotShaftLookup, lookupBuffer_);
    renderer.SetInputLayout(renderer.FullLayout());

    // Every lamp adds its light, the first to an image cleared to black with
    // alpha 1: one blend state for all lamps, so a software rasteriser
    // compiles the march once (about 0.1 s with an empty shader cache).
    if (!add) {
        const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glClearNamedFramebufferfv(reduced_.framebuffer, GL_COLOR, 0, black);
    }
    glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ZERO, GL_ONE);
    glBindFramebuffer(GL_FRAMEBUFFER, reduced_.framebuffer);
    renderer.SetVertexShader(renderer.VsQuad);
    renderer.SetPixelShader(renderer.PsVolumeLight);
    renderer.BindTexture(1, renderer.SceneDepth().texture);
    renderer.BindSampler(1);
    renderer.DrawQuad();
    renderer.SetBlendState(BlendState::AlphaToCoverage);
    glViewportIndexedf(0, saved[0], saved[1], saved[2], saved[3]);
}
