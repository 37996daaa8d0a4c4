#include "render/volume_light.h"

#include <cstring>

#include "render/light_data.h"
#include "render/point_light.h"

namespace {
const float kZero[4] = {0, 0, 0, 0};
}

CVolumeLight::CVolumeLight() { std::memset(static_cast<void*>(&mirror_), 0, sizeof mirror_); }

bool CVolumeLight::Create(CRenderer* renderer) {
    if (!renderer) return false;
    FullWidth = renderer->RenderWidth;
    FullHeight = renderer->RenderHeight;
    reduced_.width = static_cast<int>(FullWidth * Scale);
    reduced_.height = static_cast<int>(FullHeight * Scale);
    glCreateTextures(GL_TEXTURE_2D, 1, &reduced_.texture);
    glTextureStorage2D(reduced_.texture, 1, GL_RGBA32F, reduced_.width, reduced_.height);
    glClearTexImage(reduced_.texture, 0, GL_RGBA, GL_FLOAT, nullptr);
    glCreateFramebuffers(1, &reduced_.framebuffer);
    glNamedFramebufferTexture(reduced_.framebuffer, GL_COLOR_ATTACHMENT0, reduced_.texture, 0);
    constantBuffer_ = CRenderer::CreateDynamicBuffer(sizeof(VolumeLightConstants));
    return true;
}

void CVolumeLight::Release() {
    glDeleteFramebuffers(1, &reduced_.framebuffer);
    glDeleteTextures(1, &reduced_.texture);
    glDeleteBuffers(1, &constantBuffer_);
    reduced_ = CRenderTarget{};
    constantBuffer_ = 0;
}

void CVolumeLight::FillConstants(const CRenderer& renderer, int shadowMapSize) {
    const Vector3 eye{renderer.At.x + renderer.EyeOffset.x, renderer.At.y + renderer.EyeOffset.y,
                      renderer.At.z + renderer.EyeOffset.z};
    const Vector3 toAt{-renderer.EyeOffset.x, -renderer.EyeOffset.y, -renderer.EyeOffset.z};
    mirror_.MatWorldVL = Matrix4::Identity();
    mirror_.MatViewVL = TransposeMatrix(LookToMatrix(eye, toAt, {0, 0, 1}));  // no mirror here
    mirror_.MatProjVL = TransposeMatrix(VolumeLightProjection());
    mirror_.EyeVL = {renderer.EyeOffset.x, renderer.EyeOffset.y, renderer.EyeOffset.z, 1.0f};
    mirror_.MoveVL = {renderer.LightTarget.x, renderer.LightTarget.y, renderer.LightTarget.z, 1.0f};
    mirror_.VolumeLightParam1 = {static_cast<float>(reduced_.width), static_cast<float>(reduced_.height), Scale,
                                 static_cast<float>(Flag)};
    mirror_.VolumeLightParam2 = {0.8f, static_cast<float>(shadowMapSize), 0.0f, 0.0f};
}

void CVolumeLight::Render(CRenderer& renderer, CPointLight& light) {
    GLfloat saved[4];
    glGetFloati_v(GL_VIEWPORT, 0, saved);
    // The viewport keeps the fraction of a pixel the truncated texture lost.
    glViewportIndexedf(0, 0.0f, 0.0f, FullWidth * Scale, FullHeight * Scale);
    glDepthRange(0.0, 1.0);

    light.UpdateLightConstants(renderer);
    light.BindFaceMaps(renderer);
    glBindTextureUnit(2, light.FaceArray());  // beside face 1's 2D binding
    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.SetRasterizerState();

    FillConstants(renderer, light.ShadowMapSize);
    CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
    renderer.BindConstantBuffer(kSlotVolumeLight, constantBuffer_);
    renderer.SetInputLayout(renderer.FullLayout());

    glClearNamedFramebufferfv(reduced_.framebuffer, GL_COLOR, 0, kZero);
    glBindFramebuffer(GL_FRAMEBUFFER, reduced_.framebuffer);
    renderer.SetVertexShader(renderer.VsQuad);
    renderer.SetPixelShader(renderer.PsVolumeLight);
    renderer.BindTexture(1, renderer.SceneDepth().texture);
    renderer.BindSampler(1);
    renderer.DrawQuad();

    glViewportIndexedf(0, saved[0], saved[1], saved[2], saved[3]);
    const CRenderTarget& shaft = light.LightShaftImage();
    glClearNamedFramebufferfv(shaft.framebuffer, GL_COLOR, 0, kZero);
    glBindFramebuffer(GL_FRAMEBUFFER, shaft.framebuffer);
    renderer.BindTexture(1, reduced_.texture);
    renderer.SetPixelShader(renderer.PsVolumeLightUpsample);
    renderer.DrawQuad();
}
