#pragma once
// The inspection view: the model alone over a neutral gradient, on a ground
// grid scaled to it, under a key / fill / rim rig plus ambient; no room, sky
// or shafts. Its overlays (edges, bones) also go over the room view's frame.
//
// Use, on the render thread with the renderer's context current:
//     CInspectPasses passes;            // once, after CRenderer::Initialize
//     passes.Create();
//     InspectFrame f{&renderer, &passes, model};
//     f.ground = PosedBounds(...);      // or the bind-pose box; sizes the grid
//     RenderInspectFrame(f);            // instead of RenderFrame
// and for the room view, right after RenderFrame:
//     RenderOverlays(renderer, passes, *model, options, fullScreen, w, h);
// passes.Release() before the renderer's.
#include <cstddef>

#include "math/view_fit.h"
#include "platform/status.h"
#include "render/gl.h"

class CRenderer;
class CRenderModelGpu;

// What is drawn besides the shaded model.
struct InspectOptions {
    bool grid = true;        // the ground grid (inspection view only)
    bool wireframe = false;  // the model's edges over it
    bool bones = false;      // each bone a line from its joint to its child's, joints as dots, over all
};

// The GL objects of the inspection passes, apart from the renderer's own.
// Its framebuffers hold the targets of the first renderer it draws with:
// Release and Create again for another renderer.
class CInspectPasses {
public:
    CInspectPasses() = default;
    ~CInspectPasses() = default;  // GL objects are not touched here: see Release
    CInspectPasses(const CInspectPasses&) = delete;
    CInspectPasses& operator=(const CInspectPasses&) = delete;

    // Compiles the programs and makes the buffers; false (nothing kept) when
    // a program is missing or does not link.
    Status Create();
    void Release();
    bool IsCreated() const { return psInspect_ != 0; }

private:
    friend struct InspectPassAccess;
    GLuint psInspect_ = 0, psGradient_ = 0, vsLines_ = 0, psLines_ = 0, psWire_ = 0;
    GLuint constants_ = 0;
    GLuint lines_ = 0;              // dynamic vertex buffer of grid and bone vertices
    std::size_t lineCapacity_ = 0;  // vertices
    GLuint targets_[2] = {0, 0};    // back buffer / screen target, each with the renderer's depth
};

struct InspectFrame {
    CRenderer* renderer = nullptr;
    CInspectPasses* passes = nullptr;
    CRenderModelGpu* model = nullptr;  // may be null: background and grid only
    InspectOptions options;
    Bounds3 ground;           // the model's box: the grid lies under it, its step follows its size
    bool fullScreen = false;  // into the screen target, else the back buffer
    int screenWidth = 1536;   // the viewport inside the fixed-size targets
    int screenHeight = 1080;
    float aspect = 1536.0f / 1080.0f;
};

// Milliseconds of the last inspection frame, when asked for (waits for the
// GPU after every pass): wall-clock and the process's CPU time.
struct InspectPassTimes {
    double background = 0, model = 0, grid = 0, overlays = 0, total = 0;
};
struct InspectTimings {
    InspectPassTimes wall, cpu;
};

// Draws one inspection frame into the back buffer (or the screen target in
// full screen). False, drawing nothing, without a set-up renderer or passes.
// The model's pose is evaluated here, as RenderFrame does.
bool RenderInspectFrame(const InspectFrame& frame, InspectTimings* timings = nullptr);

// Draws the wireframe and bones of `options` over the frame last drawn into
// the back buffer (or the screen target), tested against that frame's depth
// where the edges are concerned. For the room view, after RenderFrame; the
// model keeps the pose that frame gave it.
void RenderOverlays(CRenderer& renderer, CInspectPasses& passes, CRenderModelGpu& model, const InspectOptions& options,
                    bool fullScreen, int width, int height);

// The grid's step for a model of this box: 1, 10 or 100 m by its largest extent.
float GridStep(const Bounds3& box);
