#pragma once
// CRenderer: everything all drawing shares, on OpenGL 4.5 core.
//
// Conventions kept from the original design, so matrices, depth range and
// texture coordinates hold unchanged:
//  - glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE): depth 0..1, row 0 of every
//    target is the top of the image, texture coordinate (0, 0) is the top-left
//    texel, gl_FragCoord has its origin at the top-left pixel.
//  - Constant buffers are std140 uniform blocks; b0..b4 are uniform binding
//    points 0..4, t0..t10 texture units 0..10, s0..s10 sampler units 0..10.
//    CPU images of the blocks are in render/constant_buffers.h.
//  - Each shader handle is a separable program object; the renderer keeps one
//    program pipeline bound and SetVertexShader / SetPixelShader swap its
//    stages, like binding a vertex or pixel shader.
//  - An input layout is a vertex array object with the attribute format of
//    ModelVertex; SetVertexBuffer / SetIndexBuffer attach buffers to the
//    bound one.
//  - A render target view is a framebuffer object. The "back buffer" is an
//    own RGBA8 target of the render size (1536 x 1080 unless ResizeTargets
//    made it smaller) that the display window presents (stretched).
//
// A GL 4.5 core context must be current on the calling thread for Initialize
// and everything after it (from Qt: request 4.5 core in the QSurfaceFormat).
// GL objects live until Release (or the context ends). UpdateFrameConstants,
// the first step of every frame, re-applies the context-wide conventions, so
// other code sharing the context (Qt) cannot leave them changed.
#include <cstddef>
#include <string>
#include <vector>

#include "render/constant_buffers.h"
#include "render/gl.h"
#include "math/math.h"
#include "platform/status.h"

// The one vertex format of the system: 112 bytes, no padding.
struct ModelVertex {
    float position[3];
    float normal[3];
    float color[4];
    float texCoord[2];
    float bones[8][2];  // (bone index, weight), largest weight first
};
static_assert(sizeof(ModelVertex) == 112);

// A colour target and the framebuffer that renders into it alone.
struct CRenderTarget {
    GLuint texture = 0;
    GLuint framebuffer = 0;
    int width = 0;
    int height = 0;
};

// Opaque writes replace what is there: for passes whose alpha is always 1,
// where blending by it would change nothing and still read every pixel back.
enum class BlendState { AlphaToCoverage, Alpha, Opaque };

class CRenderer {
public:
    CRenderer();
    ~CRenderer() = default;  // GL objects are not touched here: see Release
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // Creates targets, layouts, programs, states, buffers and the quad in the
    // current context. `screenWidth` x `screenHeight` sizes the screen target
    // (the screen's size at start). A failure, one line per problem (a
    // shader's build log follows its line), when a program does not compile
    // or link, a target cannot be rendered to or the context is not GL 4.5.
    Status Initialize(int screenWidth, int screenHeight);
    // Deletes every GL object; the context that created them must be current.
    void Release();
    // Re-makes the targets of the render size (scene colour and depth, back
    // buffer, depth buffer, the lamps' shared raw image and the shaft image)
    // at width x height, each clamped to 1 .. 1536 x 1080; their contents are
    // lost. The lamps' own images and the shaft pass follow through
    // ResizeFrameTargets (render/frame.h), which a caller uses instead.
    // False, with the old targets kept, before Initialize.
    bool ResizeTargets(int width, int height);
    bool IsInitialized() const { return pipeline_ != 0; }

    // Camera matrices from RotationX / RotationZ / Distance / At, the
    // 720-byte ConstantBuffer1 image, upload, and binding at slot b0.
    void UpdateFrameConstants(float aspect);
    // Clip control, the program pipeline, depth test: what every pass assumes.
    void ApplyConventions();

    // Copies `source` (rows top first) stretched over a window framebuffer of
    // width x height, whose rows run bottom first as GL windows do. 0 is the
    // default framebuffer; from a QOpenGLWidget pass defaultFramebufferObject().
    void Present(const CRenderTarget& source, GLuint windowFramebuffer, int width, int height);

    // --- state the passes set (thin wrappers, named after what they stand for)
    void SetVertexShader(GLuint program);
    void SetPixelShader(GLuint program);
    void SetInputLayout(GLuint layout);   // FullLayout() or SimpleLayout()
    void SetVertexBuffer(GLuint buffer);  // slot 0, stride 112, offset 0
    void SetIndexBuffer(GLuint buffer);   // 32-bit indices
    void SetBlendState(BlendState state);
    void SetRasterizerState();
    void SetViewport(int width, int height);                // (0, 0, width, height), depth 0..1
    void BindConstantBuffer(unsigned slot, GLuint buffer);  // both stages share bindings
    void BindTexture(unsigned slot, GLuint texture);        // 0 binds the black texture
    void BindSampler(unsigned slot);                        // the shared sampler
    // Draws the full-screen quad (full layout, triangle strip, 4 vertices).
    void DrawQuad();
    // Texture coordinates of the quad run from (0, 0) to (u, v); (1, 1) unless
    // a pass reads only the part of a target its viewport covers. Rewrites
    // the quad only when the extent changes.
    void SetQuadExtent(float u, float v);
    // Stretches the (0, 0, sourceWidth, sourceHeight) corner of `source` over
    // (0, 0, width, height) of the framebuffer `target`, filtered linearly.
    void CopyScaled(const CRenderTarget& source, int sourceWidth, int sourceHeight, GLuint target, int width,
                    int height);
    // Reads rows 0 .. height-1 (top first) of a colour target as RGBA8.
    static void ReadTarget(const CRenderTarget& target, int width, int height, unsigned char* rgba);

    // Creates a dynamic uniform / vertex buffer of `size` bytes, zero-filled.
    static GLuint CreateDynamicBuffer(std::size_t size, const void* data = nullptr);
    // Replaces the whole contents of a dynamic buffer (map with invalidation,
    // so the GPU never waits for the old contents).
    static void UploadDynamic(GLuint buffer, const void* data, std::size_t size);

    // --- fields -----------------------------------------------------------
    int RenderWidth = 0;   // 1536 after Initialize, then what ResizeTargets made
    int RenderHeight = 0;  // 1080 after Initialize, then what ResizeTargets made
    float RotationX = 0;   // polar angle of the eye from +Z
    float RotationZ = 0;   // azimuth about +Z
    Matrix4 MatWorld;
    Matrix4 MatView;
    Matrix4 MatProj;
    Vector3 EyeOffset;
    Vector3 At;
    Vector3 LightTarget;
    float Distance = 6.0f;
    int SampleQuality = 0;
    int SampleCount = 1;
    Vector4 LightColor[kLightCount];  // w = intensity
    Vector4 LightPos[kLightCount];    // w = 0

    // --- targets (the texture is the shader-resource view, the framebuffer
    // the render-target view)
    const CRenderTarget& SceneColor() const { return sceneColor_; }  // RGBA8
    // RGBA8, screen size; only full screen composes into it, so it is made
    // by MakeScreen (which RenderComposition calls) and empty before.
    const CRenderTarget& Screen() const { return screen_; }
    bool MakeScreen();
    const CRenderTarget& BackBuffer() const { return backBuffer_; }  // RGBA8
    const CRenderTarget& SceneDepth() const { return sceneDepth_; }  // RG32F
    GLuint DepthTexture() const { return depth_; }                   // DEPTH_COMPONENT32F
    // Scene colour (0) + scene depth (1) + depth buffer: the main pass.
    GLuint MainPassFramebuffer() const { return mainPass_; }
    // The raw lamp image (RGBA16F): each lamp draws and filters it in its
    // own passes, so the lamps share one. Its pass framebuffer adds the
    // depth buffer.
    const CRenderTarget& LampRaw() const { return lampScratch_; }
    GLuint LampRawPassFramebuffer() const { return lampRawPass_; }
    // The pixels of LampRaw that may not be zero (x0, y0, x1, y1; x1 < x0
    // for none): the lamp passes keep it, so that they clear only those.
    int* LampRawWritten() { return lampRawWritten_; }
    // R16F: the lamps' shadow for the composition, the least over the lamps
    // of each one's filtered shadow term (see CPointLight::RenderLightImage).
    const CRenderTarget& LampShadow() const { return lampShadow_; }

    // --- layouts, states, buffers
    GLuint FullLayout() const { return fullLayout_; }
    GLuint SimpleLayout() const { return simpleLayout_; }
    GLuint Sampler() const { return sampler_; }
    GLuint ConstantBuffer1() const { return constantBuffer1_; }
    GLuint QuadBuffer() const { return quad_; }
    GLuint BlackTexture() const { return black_; }  // 1 x 1 (0, 0, 0, 0)
    GLuint WhiteTexture() const { return white_; }  // 1 x 1 (1, 1, 1, 1)
    // A zero-filled 16 KiB uniform buffer: stands in at a slot whose owner
    // has nothing to bind, so no program reads an unbound block.
    GLuint ZeroConstants() const { return zeroConstants_; }

    // --- shader handles (separable programs; 0 when the source is absent)
    GLuint VsModelSkinned = 0;
    GLuint VsModel = 0;
    GLuint VsSimple = 0;
    GLuint VsSky = 0;
    GLuint VsMoon = 0;  // the same program as VsSky
    GLuint VsQuad = 0;
    GLuint VsShadowSkinned = 0;
    GLuint VsShadow = 0;
    GLuint PsScene = 0;
    GLuint PsComposite = 0;
    GLuint PsShadowDepth = 0;
    GLuint PsShadowFilter = 0;
    GLuint PsShadowLight = 0;
    GLuint PsSky = 0;
    GLuint PsSkyLow = 0;  // PsSky where the dome is below its clouds
    GLuint PsMoon = 0;
    GLuint PsRoom = 0;
    GLuint PsVolumeLight = 0;
    GLuint PsCopy = 0;

    // Compiles and links one embedded stage ("ps_scene.frag") as a separable
    // program, or why not (no such source is embedded, or its build log).
    static Result<GLuint> CreateProgram(const char* sourceName);

private:
    bool CreateTargets(int screenWidth, int screenHeight);
    bool CreateViewTargets(int width, int height);
    void DeleteViewTargets();
    void CreatePrograms(std::vector<std::string>& problems);
    void CreateLayouts();
    void CreateStates();

    CRenderTarget sceneColor_, screen_, backBuffer_, sceneDepth_, lampScratch_, lampShadow_;
    int screenWidth_ = 0, screenHeight_ = 0;
    GLuint depth_ = 0;
    GLuint mainPass_ = 0;
    GLuint lampRawPass_ = 0;
    int lampRawWritten_[4] = {0, 0, -1, -1};
    GLuint fullLayout_ = 0, simpleLayout_ = 0, boundLayout_ = 0;
    GLuint pipeline_ = 0;
    GLuint sampler_ = 0;
    GLuint copySampler_ = 0;  // linear, edges clamped
    GLuint constantBuffer1_ = 0;
    GLuint zeroConstants_ = 0;
    GLuint quad_ = 0;
    float quadExtent_[2] = {1.0f, 1.0f};
    GLuint black_ = 0;
    GLuint white_ = 0;
    FrameConstants frame_{};  // the CPU image of ConstantBuffer1
};

// The camera of the display window: orbit offset, mirrored look-to view and
// the fixed-depth perspective. Exposed for tests and the mouse pan.
void ComputeCamera(CRenderer& renderer, float aspect);
