#include "render/point_light.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "render/render_model_gpu.h"
#include "render/light_data.h"

namespace {

// Layer `layer` of the face array as a 2D target of its own.
CRenderTarget MakeFaceView(GLuint array, int layer, int size) {
    CRenderTarget t;
    t.width = t.height = size;
    glGenTextures(1, &t.texture);  // a view needs a name never bound
    glTextureView(t.texture, GL_TEXTURE_2D, array, GL_RG32F, 0, 1, static_cast<GLuint>(layer), 1);
    glCreateFramebuffers(1, &t.framebuffer);
    glNamedFramebufferTexture(t.framebuffer, GL_COLOR_ATTACHMENT0, t.texture, 0);
    return t;
}

void DeleteTarget(CRenderTarget& t) {
    glDeleteFramebuffers(1, &t.framebuffer);
    glDeleteTextures(1, &t.texture);
    t = CRenderTarget{};
}

const float kZero[4] = {0, 0, 0, 0};
const float kDepthOne = 1.0f;
// The empty rectangle PsShadowLight starts from.
const int kNoPixels[4] = {INT_MAX, INT_MAX, -1, -1};

// Sets the texels x0, y0, x1, y1 of `box` to `value` (`format` GL_RGBA or
// GL_DEPTH_COMPONENT, floats; null for zero); nothing when x1 < x0. Unlike a
// scissored clear, this needs no program of the driver's own, which a
// software rasteriser would compile at the first frame.
void ClearWithin(GLuint texture, GLenum format, const float* value, const int box[4]) {
    if (box[2] < box[0] || box[3] < box[1]) return;
    glClearTexSubImage(texture, 0, box[0], box[1], 0, box[2] - box[0] + 1, box[3] - box[1] + 1, 1, format, GL_FLOAT,
                       value);
}

// The rectangle of non-zero texels of a size x size face; x1 < x0 for none.
void FindCovered(const std::vector<float>& depths, int size, int box[4]) {
    box[0] = box[1] = size;
    box[2] = box[3] = -1;
    for (int y = 0; y < size; ++y) {
        const float* row = depths.data() + static_cast<std::size_t>(y) * size;
        for (int x = 0; x < size; ++x) {
            if (row[x] == 0.0f) continue;
            box[0] = std::min(box[0], x);
            box[1] = std::min(box[1], y);
            box[2] = std::max(box[2], x);
            box[3] = std::max(box[3], y);
        }
    }
}

}  // namespace

CPointLight::CPointLight() { std::memset(static_cast<void*>(&mirror_), 0, sizeof mirror_); }

bool CPointLight::Create(CRenderer* renderer) {
    if (!renderer) return false;
    glCreateTextures(GL_TEXTURE_2D_ARRAY, 1, &faceArray_);
    // Depth and w are all PsShadowDepth writes that anything reads.
    glTextureStorage3D(faceArray_, 1, GL_RG32F, ShadowMapSize, ShadowMapSize, 6);
    glClearTexImage(faceArray_, 0, GL_RGBA, GL_FLOAT, nullptr);
    // The face passes draw 256 x 256 targets; GL wants a depth buffer of the
    // same size, so the faces share one of their own.
    glCreateRenderbuffers(1, &faceDepth_);
    glNamedRenderbufferStorage(faceDepth_, GL_DEPTH_COMPONENT32F, ShadowMapSize, ShadowMapSize);
    for (int k = 0; k < 6; ++k) {
        faces_[k] = MakeFaceView(faceArray_, k, ShadowMapSize);
        glNamedFramebufferRenderbuffer(faces_[k].framebuffer, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, faceDepth_);
    }
    constantBuffer_ = CRenderer::CreateDynamicBuffer(sizeof(PointLightConstants));
    glCreateBuffers(1, &modelPixelsBuffer_);
    glNamedBufferStorage(modelPixelsBuffer_, sizeof kNoPixels, kNoPixels, GL_DYNAMIC_STORAGE_BIT);
    faceDepths_.assign(static_cast<std::size_t>(ShadowMapSize) * ShadowMapSize, 0.0f);
    for (auto& box : bounds_.CoveredTexels) {
        box[0] = box[1] = ShadowMapSize;
        box[2] = box[3] = -1;
    }
    return true;
}

void CPointLight::Release() {
    for (CRenderTarget& face : faces_) DeleteTarget(face);
    glDeleteRenderbuffers(1, &faceDepth_);
    glDeleteTextures(1, &faceArray_);
    faceArray_ = 0;
    glDeleteBuffers(1, &constantBuffer_);
    glDeleteBuffers(1, &modelPixelsBuffer_);
    faceDepth_ = constantBuffer_ = modelPixelsBuffer_ = 0;
}

void CPointLight::UpdateLightConstants(CRenderer& renderer) {
    const Matrix4 projection = CubeFaceProjection();
    const Vector3 eye{Position.x, Position.y, Position.z};
    for (int k = 0; k < 6; ++k) {
        faceViews_[k] = LookToMatrix(eye, kCubeFaces[k].direction, kCubeFaces[k].up);
        mirror_.MatLightFace[k] = TransposeMatrix(faceViews_[k]);
    }
    mirror_.MatProjLight = TransposeMatrix(projection);
    mirror_.PointLightPos = Position;
    mirror_.PointLightColor = Color;
    mirror_.ShadowParam = {ShadowParam[0], ShadowParam[1], 0.0f, 0.0f};
    // MatLight stays as the one-time pass left it.
    CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.SetInputLayout(renderer.FullLayout());
    renderer.BindConstantBuffer(kSlotLightOrSky, constantBuffer_);
}

void CPointLight::BindFaceMaps(CRenderer& renderer) const {
    for (int k = 0; k < 6; ++k) {
        renderer.BindTexture(2 + k, faces_[k].texture);
        renderer.BindSampler(2 + k);
    }
}

bool CPointLight::RenderShadowMaps(CRenderer* renderer, CRenderModelGpu* model) {
    if (!renderer || ShadowMapsDone == 1) return false;
    ShadowMapsDone = 1;
    GLint saved[4];
    glGetIntegerv(GL_VIEWPORT, saved);
    renderer->SetViewport(ShadowMapSize, ShadowMapSize);

    UpdateLightConstants(*renderer);
    const bool skinned = model && model->skinning == 1;
    renderer->SetVertexShader(skinned ? renderer->VsShadowSkinned : renderer->VsShadow);
    renderer->SetPixelShader(renderer->PsShadowDepth);
    renderer->BindConstantBuffer(kSlotFrame, renderer->ConstantBuffer1());
    renderer->SetInputLayout(renderer->FullLayout());
    renderer->SetBlendState(BlendState::AlphaToCoverage);

    for (int k = 0; k < 6; ++k) {
        mirror_.MatLight = mirror_.MatLightFace[k];
        CRenderer::UploadDynamic(constantBuffer_, &mirror_, sizeof mirror_);
        renderer->BindConstantBuffer(kSlotLightOrSky, constantBuffer_);
        glClearNamedFramebufferfv(faces_[k].framebuffer, GL_DEPTH, 0, &kDepthOne);
        glClearNamedFramebufferfv(faces_[k].framebuffer, GL_COLOR, 0, kZero);
        glBindFramebuffer(GL_FRAMEBUFFER, faces_[k].framebuffer);
        if (model) {
            model->pose.UpdatePose();
            model->Draw(*renderer);
        }
    }
    // The shaft pass looks the texels up only where the model is. Read after
    // all six draws: the first read waits for them all, the others do not.
    for (int k = 0; k < 6; ++k) {
        glGetTextureImage(faces_[k].texture, 0, GL_RED, GL_FLOAT,
                          static_cast<GLsizei>(faceDepths_.size() * sizeof(float)), faceDepths_.data());
        FindCovered(faceDepths_, ShadowMapSize, bounds_.CoveredTexels[k]);
    }
    glViewport(saved[0], saved[1], saved[2], saved[3]);
    return true;
}

void CPointLight::RenderLightImage(CRenderer& renderer, CRenderModelGpu* model, bool combine) {
    UpdateLightConstants(renderer);
    const bool skinned = model && model->skinning == 1;
    renderer.SetVertexShader(skinned ? renderer.VsModelSkinned : renderer.VsModel);
    renderer.SetPixelShader(renderer.PsShadowLight);
    renderer.BindConstantBuffer(kSlotFrame, renderer.ConstantBuffer1());
    BindFaceMaps(renderer);
    glBindTextureUnit(2, faceArray_);  // what PsShadowLight samples, beside face 1

    // Clearing the whole image and depth buffer for every lamp cost more
    // than drawing the model. The raw image is zero but where the last lamp
    // image drew. The depth buffer, which the main pass shares, needs
    // clearing in full only for the frame's first lamp; a later one draws the
    // same model pixels as the first, each over in full (alpha 1), so it
    // clears only the depth there.
    const GLuint rawPass = renderer.LampRawPassFramebuffer();
    int* written = renderer.LampRawWritten();
    if (combine) {
        ClearWithin(renderer.DepthTexture(), GL_DEPTH_COMPONENT, &kDepthOne, written);
    } else {
        glClearNamedFramebufferfv(rawPass, GL_DEPTH, 0, &kDepthOne);
        ClearWithin(renderer.LampRaw().texture, GL_RGBA, nullptr, written);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, rawPass);
    glNamedBufferSubData(modelPixelsBuffer_, 0, sizeof kNoPixels, kNoPixels);
    glBindBufferBase(GL_SHADER_STORAGE_BUFFER, 0, modelPixelsBuffer_);
    if (model) {
        model->pose.UpdatePose();
        model->Draw(renderer);
    }
    glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
    glGetNamedBufferSubData(modelPixelsBuffer_, 0, sizeof modelPixels_, modelPixels_);
    std::copy(modelPixels_, modelPixels_ + 4, written);
    FilterLightImage(renderer, combine);
}

float CPointLight::EmptyShadow() const {
    const float empty = std::min(ShadowParam[1], 0.0f);
    return empty * empty;
}

void CPointLight::FilterLightImage(CRenderer& renderer, bool combine) {
    // The filter runs only over the model's pixels; away from them the
    // caller cleared in the term of an empty raw image.
    if (modelPixels_[2] < modelPixels_[0]) return;
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.LampShadow().framebuffer);
    if (combine) glBlendEquation(GL_MIN);  // the composition takes the brightest lamp
    renderer.SetVertexShader(renderer.VsQuad);
    renderer.SetPixelShader(renderer.PsShadowFilter);
    const CRenderTarget& raw = renderer.LampRaw();
    renderer.BindTexture(0, raw.texture);
    renderer.BindSampler(0);
    // The frame covers the viewport's corner of the images: sample that.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    renderer.SetQuadExtent(static_cast<float>(viewport[2]) / static_cast<float>(raw.width),
                           static_cast<float>(viewport[3]) / static_cast<float>(raw.height));
    glScissor(modelPixels_[0], modelPixels_[1], modelPixels_[2] - modelPixels_[0] + 1,
              modelPixels_[3] - modelPixels_[1] + 1);
    glEnable(GL_SCISSOR_TEST);
    renderer.DrawQuad();
    glDisable(GL_SCISSOR_TEST);
    renderer.SetQuadExtent(1.0f, 1.0f);
    if (combine) renderer.SetBlendState(BlendState::AlphaToCoverage);
}
