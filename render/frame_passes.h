#pragma once
// The main pass and the final composition of a frame, shared by the display
// window's RenderFrame and vorland-cli render. The caller has run
// CRenderer::UpdateFrameConstants and set the viewport.
#include "render/gl.h"

class CRenderer;
class CRenderModelGpu;

// Draws the current model with PsScene into scene colour + scene depth, then
// the room models with PsRoom into scene colour only. Depth and scene depth
// are cleared first; scene colour is not (the models go over the sky). Each
// model's pose is evaluated before it is drawn; its skinning switch picks
// VsModelSkinned or VsModel. `skyConstants` is what PsRoom sees at b3 (the
// sky's ConstantBufferSky); 0 binds zeros. Null models are skipped.
void RenderMainPass(CRenderer& renderer, CRenderModelGpu* model, CRenderModelGpu* room2, CRenderModelGpu* room3,
                    GLuint skyConstants);

// The composition's images of all lamps together: their shadow (t2, red;
// the lamp passes keep the brightest) and their light shafts (t8, the shaft
// pass's reduced image, scaled up by the constants of its march at b4). 0
// stands for a black image: no shadow; no shafts without their constants.
struct CompositionInputs {
    GLuint lampShadow = 0;
    GLuint shafts = 0;
    GLuint shaftConstants = 0;
};

// Clears the screen target (made at the first full-screen frame; until then
// there is none) and in normal mode the back buffer with `clear` (RGB,
// alpha 1) and composes scene colour with the lamp and shaft images into the
// back buffer, or into the screen target in full-screen mode.
// `width` x `height` is the viewport the frame was drawn with (ScreenWidth x
// ScreenHeight): the composition reads exactly that part of the inputs, one
// texel per pixel, whatever its size against the 1536 x 1080 targets.
void RenderComposition(CRenderer& renderer, const float clear[3], bool fullScreen, int width, int height,
                       const CompositionInputs& inputs);
