#include "render/frame_passes.h"

#include "render/render_model_gpu.h"
#include "render/renderer.h"

namespace {

void DrawPosed(CRenderer& renderer, CRenderModelGpu& model) {
    renderer.SetVertexShader(model.skinning ? renderer.VsModelSkinned : renderer.VsModel);
    model.pose.UpdatePose();
    model.Draw(renderer);
}

}  // namespace

void RenderMainPass(CRenderer& renderer, CRenderModelGpu* model, CRenderModelGpu* room2, CRenderModelGpu* room3,
                    GLuint skyConstants) {
    renderer.SetRasterizerState();
    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.BindConstantBuffer(kSlotFrame, renderer.ConstantBuffer1());

    const GLuint target = renderer.MainPassFramebuffer();
    const float far[4] = {10000.0f, 10000.0f, 0.0f, 0.0f};
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glDepthMask(GL_TRUE);
    const float one = 1.0f;
    glClearNamedFramebufferfv(target, GL_DEPTH, 0, &one);
    glClearNamedFramebufferfv(target, GL_COLOR, 1, far);
    glEnable(GL_DEPTH_TEST);

    renderer.SetPixelShader(renderer.PsScene);
    if (model) DrawPosed(renderer, *model);

    // PsRoom writes target 0 only; the scene depth keeps the current model.
    renderer.SetPixelShader(renderer.PsRoom);
    renderer.BindConstantBuffer(kSlotLightOrSky, skyConstants);
    // Detach target 1 rather than masking it: drawing sets the blend state,
    // whose colour mask covers every target again.
    const GLenum roomBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_NONE};
    glNamedFramebufferDrawBuffers(target, 2, roomBuffers);
    if (room2) DrawPosed(renderer, *room2);
    if (room3) DrawPosed(renderer, *room3);
    const GLenum bothBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glNamedFramebufferDrawBuffers(target, 2, bothBuffers);
}

void RenderComposition(CRenderer& renderer, const float clear[3], bool fullScreen, int width, int height,
                       const CompositionInputs& inputs) {
    const float colour[4] = {clear[0], clear[1], clear[2], 1.0f};
    if (fullScreen) renderer.MakeScreen();
    if (renderer.Screen().framebuffer) glClearNamedFramebufferfv(renderer.Screen().framebuffer, GL_COLOR, 0, colour);
    const GLuint target = fullScreen ? renderer.Screen().framebuffer : renderer.BackBuffer().framebuffer;
    if (!fullScreen) glClearNamedFramebufferfv(target, GL_COLOR, 0, colour);
    glBindFramebuffer(GL_FRAMEBUFFER, target);

    renderer.SetBlendState(BlendState::AlphaToCoverage);
    renderer.SetVertexShader(renderer.VsQuad);
    renderer.SetPixelShader(renderer.PsComposite);
    renderer.BindTexture(0, renderer.SceneColor().texture);
    renderer.BindTexture(2, inputs.lampShadow);
    renderer.BindTexture(8, inputs.shafts);
    renderer.BindConstantBuffer(kSlotVolumeLight, inputs.shaftConstants);
    for (unsigned s : {0u, 2u, 8u}) renderer.BindSampler(s);
    // The frame covers (0, 0, width, height) of the targets; sampling the
    // whole target instead would shrink the picture into that corner.
    renderer.SetQuadExtent(static_cast<float>(width) / static_cast<float>(renderer.RenderWidth),
                           static_cast<float>(height) / static_cast<float>(renderer.RenderHeight));
    renderer.DrawQuad();
    renderer.SetQuadExtent(1.0f, 1.0f);
}
