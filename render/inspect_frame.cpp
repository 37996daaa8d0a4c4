#include "render/inspect_frame.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "render/pass_time.h"
#include "render/render_model_gpu.h"
#include "render/renderer.h"

namespace {

// CPU image of InspectConstants (render/shaders/inspect_constants.glsl).
struct InspectConstants {
    Vector4 keyDir, fillDir, rimDir, ambient, gradientTop, gradientBottom, lineColor;
};
static_assert(sizeof(InspectConstants) == 112);

constexpr float kGridColour[4] = {0.52f, 0.53f, 0.56f, 1.0f};
constexpr float kAxisX[4] = {0.78f, 0.32f, 0.30f, 1.0f};
constexpr float kAxisY[4] = {0.36f, 0.70f, 0.34f, 1.0f};
constexpr float kBoneColour[4] = {1.0f, 0.55f, 0.08f, 1.0f};
constexpr float kJointColour[4] = {1.0f, 0.92f, 0.35f, 1.0f};
constexpr float kJointSize = 7.0f;

Vector3 Add(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector3 Scale(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
Vector3 Cross(Vector3 a, Vector3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vector3 Normalized(Vector3 a, Vector3 fallback) {
    const float n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return n > 1e-6f && std::isfinite(n) ? Scale(a, 1.0f / n) : fallback;
}
Vector4 Dir(Vector3 d, float intensity) { return {d.x, d.y, d.z, intensity}; }

// The rig turns with the camera, so every side of the model is lit alike:
// the key from above and to one side of the eye, the fill lower on the
// other, the rim from behind.
InspectConstants RigFor(const CRenderer& r) {
    const Vector3 eye = Normalized(r.EyeOffset, {0, -1, 0});
    const Vector3 side = Normalized(Cross(eye, {0, 0, 1}), {1, 0, 0});
    const Vector3 up = Cross(side, eye);
    InspectConstants c{};
    c.keyDir = Dir(Normalized(Add(Add(eye, Scale(side, 0.9f)), Scale(up, 0.8f)), eye), 0.72f);
    c.fillDir = Dir(Normalized(Add(Add(eye, Scale(side, -1.1f)), Scale(up, 0.1f)), eye), 0.32f);
    c.rimDir = Dir(Normalized(Add(Scale(eye, -1.0f), Scale(up, 0.7f)), up), 0.40f);
    c.ambient = {0.26f, 0.26f, 0.26f, 0.10f};
    c.gradientTop = {0.45f, 0.47f, 0.51f, 1.0f};
    c.gradientBottom = {0.17f, 0.18f, 0.20f, 1.0f};
    c.lineColor = {0.06f, 0.09f, 0.16f, 1.0f};
    return c;
}

ModelVertex LineVertex(Vector3 p, const float colour[4]) {
    ModelVertex v{};
    v.position[0] = p.x, v.position[1] = p.y, v.position[2] = p.z;
    std::copy(colour, colour + 4, v.color);
    return v;
}

// Lines on the ground under the box, a step apart, reaching well past it;
// the world's X and Y axes in their colours where they cross it.
void AddGrid(const Bounds3& box, std::vector<ModelVertex>& out) {
    const float step = GridStep(box);
    const bool empty =
        box.Empty() || !std::isfinite(box.min.x + box.min.y + box.min.z + box.max.x + box.max.y + box.max.z);
    const Vector3 centre = empty ? Vector3{0, 0, 0} : box.Center();
    const float extent = empty ? 0.0f : std::max(box.max.x - box.min.x, box.max.y - box.min.y);
    const int n = static_cast<int>(std::clamp(std::ceil(extent * 0.75f / step) + 3.0f, 5.0f, 60.0f));
    const float z = empty ? 0.0f : box.min.z;
    const float x0 = std::floor(centre.x / step) * step - n * step;
    const float y0 = std::floor(centre.y / step) * step - n * step;
    const float span = 2.0f * n * step;
    for (int i = 0; i <= 2 * n; ++i) {
        const float x = x0 + i * step, y = y0 + i * step;
        const bool xAxis = std::fabs(y) < step * 0.01f, yAxis = std::fabs(x) < step * 0.01f;
        out.push_back(LineVertex({x0, y, z}, xAxis ? kAxisX : kGridColour));
        out.push_back(LineVertex({x0 + span, y, z}, xAxis ? kAxisX : kGridColour));
        out.push_back(LineVertex({x, y0, z}, yAxis ? kAxisY : kGridColour));
        out.push_back(LineVertex({x, y0 + span, z}, yAxis ? kAxisY : kGridColour));
    }
}

// A line per bone from its parent's joint, then a point per joint.
void AddBones(const CRenderModel& model, std::vector<ModelVertex>& out, int* lineVertices, int* points) {
    const PosedSkeleton skeleton = PoseSkeleton(model);
    const std::size_t start = out.size();
    for (std::size_t i = 0; i < skeleton.joints.size(); ++i) {
        if (skeleton.parents[i] < 0) continue;
        out.push_back(LineVertex(skeleton.joints[static_cast<std::size_t>(skeleton.parents[i])], kBoneColour));
        out.push_back(LineVertex(skeleton.joints[i], kBoneColour));
    }
    *lineVertices = static_cast<int>(out.size() - start);
    for (const Vector3& j : skeleton.joints) out.push_back(LineVertex(j, kJointColour));
    *points = static_cast<int>(skeleton.joints.size());
}

}  // namespace

// The passes' private objects, for the drawing functions of this file.
struct InspectPassAccess {
    static GLuint Target(CRenderer& r, CInspectPasses& p, bool fullScreen) {
        const int i = fullScreen ? 1 : 0;
        if (!p.targets_[i]) {
            glCreateFramebuffers(1, &p.targets_[i]);
            const GLuint colour = fullScreen ? r.Screen().texture : r.BackBuffer().texture;
            glNamedFramebufferTexture(p.targets_[i], GL_COLOR_ATTACHMENT0, colour, 0);
            glNamedFramebufferTexture(p.targets_[i], GL_DEPTH_ATTACHMENT, r.DepthTexture(), 0);
        }
        return p.targets_[i];
    }

    static void BindConstants(CRenderer& r, CInspectPasses& p) {
        const InspectConstants c = RigFor(r);
        CRenderer::UploadDynamic(p.constants_, &c, sizeof c);
        r.BindConstantBuffer(kSlotLightOrSky, p.constants_);
        r.BindConstantBuffer(kSlotFrame, r.ConstantBuffer1());
    }

    static void UploadLines(CInspectPasses& p, const std::vector<ModelVertex>& v) {
        if (v.empty()) return;
        if (v.size() > p.lineCapacity_) {
            glDeleteBuffers(1, &p.lines_);
            p.lineCapacity_ = std::max<std::size_t>(v.size(), 2 * p.lineCapacity_);
            p.lines_ = CRenderer::CreateDynamicBuffer(p.lineCapacity_ * sizeof(ModelVertex));
        }
        CRenderer::UploadDynamic(p.lines_, v.data(), v.size() * sizeof(ModelVertex));
    }

    static void DrawLines(CRenderer& r, CInspectPasses& p, GLenum mode, int first, int count) {
        if (count <= 0) return;
        r.SetInputLayout(r.FullLayout());
        r.SetVertexBuffer(p.lines_);
        r.SetVertexShader(p.vsLines_);
        r.SetPixelShader(p.psLines_);
        r.SetBlendState(BlendState::Alpha);
        glDrawArrays(mode, first, count);
    }

    static void DrawWireframe(CRenderer& r, CInspectPasses& p, CRenderModelGpu& model) {
        // Edges win against the faces they bound, and against nothing nearer.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_FALSE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glPolygonOffset(-1.0f, -4.0f);
        // Faces turned away hide behind the near ones anyway: leaving them
        // out halves the lines the rasteriser draws. The view's mirror turns
        // a file's counter-clockwise front faces into GL's back faces here.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        r.SetVertexShader(model.skinning ? r.VsModelSkinned : r.VsModel);
        r.SetPixelShader(p.psWire_);
        model.Draw(r);
        glDisable(GL_POLYGON_OFFSET_LINE);
        r.SetRasterizerState();
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
    }

    // Bones over everything; `first` is where their vertices start in the
    // uploaded list.
    static void DrawBones(CRenderer& r, CInspectPasses& p, int first, int lineVertices, int points) {
        glDisable(GL_DEPTH_TEST);
        DrawLines(r, p, GL_LINES, first, lineVertices);
        glPointSize(kJointSize);
        DrawLines(r, p, GL_POINTS, first + lineVertices, points);
        glPointSize(1.0f);
        glEnable(GL_DEPTH_TEST);
    }

    static bool Frame(const InspectFrame& f, InspectTimings* timings) {
        if (!f.renderer || !f.renderer->IsInitialized() || !f.passes || !f.passes->IsCreated()) return false;
        CRenderer& r = *f.renderer;
        CInspectPasses& p = *f.passes;
        PassClock<InspectTimings> clock(timings);
        r.UpdateFrameConstants(f.aspect);
        r.SetViewport(f.screenWidth, f.screenHeight);
        const GLuint target = Target(r, p, f.fullScreen);
        BindConstants(r, p);
        const InspectConstants c = RigFor(r);
        const float one = 1.0f;
        glClearNamedFramebufferfv(target, GL_COLOR, 0, &c.gradientBottom.x);
        glClearNamedFramebufferfv(target, GL_DEPTH, 0, &one);
        glBindFramebuffer(GL_FRAMEBUFFER, target);

        glDisable(GL_DEPTH_TEST);
        r.SetRasterizerState();
        r.SetBlendState(BlendState::Alpha);
        r.SetVertexShader(r.VsQuad);
        r.SetPixelShader(p.psGradient_);
        r.SetQuadExtent(1.0f, 1.0f);
        r.DrawQuad();
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        clock.Lap(&InspectPassTimes::background);

        if (f.model) {
            r.SetPixelShader(p.psInspect_);
            r.SetVertexShader(f.model->skinning ? r.VsModelSkinned : r.VsModel);
            f.model->pose.UpdatePose();
            f.model->Draw(r);
        }
        clock.Lap(&InspectPassTimes::model);

        std::vector<ModelVertex> lines;
        if (f.options.grid) AddGrid(f.ground, lines);
        const int gridVertices = static_cast<int>(lines.size());
        int boneVertices = 0, joints = 0;
        if (f.model && f.options.bones) AddBones(f.model->pose, lines, &boneVertices, &joints);
        UploadLines(p, lines);
        if (gridVertices > 0) {
            // The grid is seen through nothing, but writes no depth of its own.
            glDepthMask(GL_FALSE);
            DrawLines(r, p, GL_LINES, 0, gridVertices);
            glDepthMask(GL_TRUE);
        }
        clock.Lap(&InspectPassTimes::grid);

        if (f.model && f.options.wireframe) DrawWireframe(r, p, *f.model);
        if (joints > 0) DrawBones(r, p, gridVertices, boneVertices, joints);
        clock.Lap(&InspectPassTimes::overlays);
        return true;
    }

    static void Overlays(CRenderer& r, CInspectPasses& p, CRenderModelGpu& model, const InspectOptions& o,
                         bool fullScreen, int width, int height) {
        if (!r.IsInitialized() || !p.IsCreated() || (!o.wireframe && !o.bones)) return;
        r.ApplyConventions();
        r.SetViewport(width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, Target(r, p, fullScreen));
        BindConstants(r, p);
        if (o.wireframe) DrawWireframe(r, p, model);
        if (o.bones) {
            std::vector<ModelVertex> lines;
            int boneVertices = 0, joints = 0;
            AddBones(model.pose, lines, &boneVertices, &joints);
            UploadLines(p, lines);
            DrawBones(r, p, 0, boneVertices, joints);
        }
    }
};

Status CInspectPasses::Create() {
    Release();
    GLuint* const programs[] = {&psInspect_, &psGradient_, &vsLines_, &psLines_, &psWire_};
    const char* const sources[] = {"ps_inspect.frag", "ps_gradient.frag", "vs_lines.vert", "ps_lines.frag",
                                   "ps_wire.frag"};
    for (int i = 0; i < 5; ++i) {
        const Result<GLuint> program = CRenderer::CreateProgram(sources[i]);
        if (!program) {
            Release();
            return program.status();
        }
        *programs[i] = *program;
    }
    constants_ = CRenderer::CreateDynamicBuffer(sizeof(InspectConstants));
    lineCapacity_ = 1024;
    lines_ = CRenderer::CreateDynamicBuffer(lineCapacity_ * sizeof(ModelVertex));
    return Status::Ok();
}

void CInspectPasses::Release() {
    for (GLuint* program : {&psInspect_, &psGradient_, &vsLines_, &psLines_, &psWire_}) {
        if (*program) glDeleteProgram(*program);
        *program = 0;
    }
    if (constants_) glDeleteBuffers(1, &constants_);
    if (lines_) glDeleteBuffers(1, &lines_);
    constants_ = lines_ = 0;
    lineCapacity_ = 0;
    for (GLuint& t : targets_) {
        if (t) glDeleteFramebuffers(1, &t);
        t = 0;
    }
}

bool RenderInspectFrame(const InspectFrame& frame, InspectTimings* timings) {
    return InspectPassAccess::Frame(frame, timings);
}

void RenderOverlays(CRenderer& renderer, CInspectPasses& passes, CRenderModelGpu& model, const InspectOptions& options,
                    bool fullScreen, int width, int height) {
    InspectPassAccess::Overlays(renderer, passes, model, options, fullScreen, width, height);
}

float GridStep(const Bounds3& box) {
    if (box.Empty()) return 1.0f;
    const float size = std::max({box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z});
    if (!std::isfinite(size) || size <= 20.0f) return 1.0f;
    return size <= 200.0f ? 10.0f : 100.0f;
}
