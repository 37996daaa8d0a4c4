#include "render/renderer.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/stage_timer.h"
#include "render/shader_source.h"

namespace {

constexpr int kTargetWidth = 1536;
constexpr int kTargetHeight = 1080;
constexpr int kTextureUnits = 11;  // t0 .. t10
constexpr int kConstantSlots = 6;  // b0 .. b5
constexpr std::size_t kZeroConstantsSize = 16384;

CRenderTarget MakeColorTarget(GLenum format, int width, int height) {
    CRenderTarget t;
    t.width = width;
    t.height = height;
    glCreateTextures(GL_TEXTURE_2D, 1, &t.texture);
    glTextureStorage2D(t.texture, 1, format, width, height);
    glClearTexImage(t.texture, 0, GL_RGBA, GL_FLOAT, nullptr);  // GL leaves new storage undefined
    glCreateFramebuffers(1, &t.framebuffer);
    glNamedFramebufferTexture(t.framebuffer, GL_COLOR_ATTACHMENT0, t.texture, 0);
    return t;
}

// Appends why the framebuffer cannot be rendered to, if it cannot.
void CheckFramebuffer(GLuint fb, const char* what, std::vector<std::string>& problems) {
    const GLenum status = glCheckNamedFramebufferStatus(fb, GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE) return;
    char text[128];
    std::snprintf(text, sizeof text, "the %s target cannot be rendered to (status 0x%x)", what, status);
    problems.push_back(text);
}

// Whether the target can be rendered to.
bool FramebufferComplete(GLuint fb, const char* what) {
    std::vector<std::string> problems;
    CheckFramebuffer(fb, what, problems);
    return problems.empty();
}

// One failure that says every problem, a line each.
Status Problems(const std::vector<std::string>& problems) {
    if (problems.empty()) return Status::Ok();
    std::string why;
    for (const std::string& p : problems) why += (why.empty() ? "" : "\n") + p;
    return Status::Failure(why);
}

GLuint MakePixelTexture(unsigned char value) {
    const unsigned char rgba[4] = {value, value, value, value};
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, GL_RGBA8, 1, 1);
    glTextureSubImage2D(texture, 0, 0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return texture;
}

void DeleteTarget(CRenderTarget& t) {
    glDeleteFramebuffers(1, &t.framebuffer);
    glDeleteTextures(1, &t.texture);
    t = CRenderTarget{};
}

// ModelVertex's attributes: location, float count, byte offset.
struct Attribute {
    GLuint location;
    GLint size;
    GLuint offset;
};
constexpr Attribute kFullLayout[] = {
    {0, 3, 0},  {1, 3, 12}, {2, 4, 24}, {3, 2, 40}, {4, 2, 48},  {5, 2, 56},
    {6, 2, 64}, {7, 2, 72}, {8, 2, 80}, {9, 2, 88}, {10, 2, 96}, {11, 2, 104},
};

GLuint MakeLayout(int attributes) {
    GLuint vao = 0;
    glCreateVertexArrays(1, &vao);
    for (int i = 0; i < attributes; ++i) {
        const Attribute& a = kFullLayout[i];
        glEnableVertexArrayAttrib(vao, a.location);
        glVertexArrayAttribFormat(vao, a.location, a.size, GL_FLOAT, GL_FALSE, a.offset);
        glVertexArrayAttribBinding(vao, a.location, 0);
    }
    return vao;
}

}  // namespace

CRenderer::CRenderer() = default;

Result<GLuint> CRenderer::CreateProgram(const char* sourceName) {
    const char* source = FindShaderSource(sourceName);
    if (!source) return Status::Failure(std::string("shader ") + sourceName + " is missing");
    const std::size_t len = std::strlen(sourceName);
    const bool vertex = len > 5 && std::strcmp(sourceName + len - 5, ".vert") == 0;
    const GLuint program = glCreateShaderProgramv(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, 1, &source);
    GLint linked = GL_FALSE;
    if (program) glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    char log[4096] = "";
    if (program) glGetProgramInfoLog(program, sizeof log, nullptr, log);
    glDeleteProgram(program);
    return Status::Failure(std::string("shader ") + sourceName + " does not build:\n" + log);
}

GLuint CRenderer::CreateDynamicBuffer(std::size_t size, const void* data) {
    GLuint buffer = 0;
    glCreateBuffers(1, &buffer);
    if (data) {
        glNamedBufferData(buffer, static_cast<GLsizeiptr>(size), data, GL_DYNAMIC_DRAW);
    } else {
        const std::vector<unsigned char> zeros(size, 0);
        glNamedBufferData(buffer, static_cast<GLsizeiptr>(size), zeros.data(), GL_DYNAMIC_DRAW);
    }
    return buffer;
}

void CRenderer::UploadDynamic(GLuint buffer, const void* data, std::size_t size) {
    // Invalidating the whole buffer lets the driver hand out fresh storage
    // while draws that still read the old contents finish.
    void* p = glMapNamedBufferRange(buffer, 0, static_cast<GLsizeiptr>(size),
                                    GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
    if (!p) return;
    std::memcpy(p, data, size);
    glUnmapNamedBuffer(buffer);
}

Status CRenderer::Initialize(int screenWidth, int screenHeight) {
    if (IsInitialized()) return Status::Ok();
    const stage_timer::Span span("renderer: targets and shaders");
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 45) {
        return Status::Failure("OpenGL 4.5 core is needed, the context offers " +
                               std::to_string(epoxy_gl_version() / 10) + "." + std::to_string(epoxy_gl_version() % 10));
    }
    std::vector<std::string> problems;
    if (!CreateTargets(screenWidth > 0 ? screenWidth : kTargetWidth, screenHeight > 0 ? screenHeight : kTargetHeight))
        problems.push_back("the render targets cannot be rendered to");

    constantBuffer1_ = CreateDynamicBuffer(sizeof(FrameConstants));
    zeroConstants_ = CreateDynamicBuffer(kZeroConstantsSize);
    CreateLayouts();
    glCreateProgramPipelines(1, &pipeline_);
    CreatePrograms(problems);
    CreateStates();

    quad_ = CreateDynamicBuffer(4 * sizeof(ModelVertex));
    quadExtent_[0] = quadExtent_[1] = 0.0f;
    SetQuadExtent(1.0f, 1.0f);

    black_ = MakePixelTexture(0);
    white_ = MakePixelTexture(255);

    // Nothing unbound is ever read: zero constants, black textures, the sampler.
    for (unsigned slot = 0; slot < kConstantSlots; ++slot) BindConstantBuffer(slot, 0);
    for (unsigned unit = 0; unit < kTextureUnits; ++unit) {
        BindTexture(unit, 0);
        BindSampler(unit);
    }
    ApplyConventions();
    SetRasterizerState();
    SetBlendState(BlendState::AlphaToCoverage);
    SetInputLayout(fullLayout_);
    SetViewport(RenderWidth, RenderHeight);
    if (!problems.empty()) Release();
    return Problems(problems);
}

bool CRenderer::CreateTargets(int screenWidth, int screenHeight) {
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
    return CreateViewTargets(kTargetWidth, kTargetHeight);
}

bool CRenderer::MakeScreen() {
    if (screen_.texture) return true;
    if (!IsInitialized()) return false;
    screen_ = MakeColorTarget(GL_RGBA8, screenWidth_, screenHeight_);
    return FramebufferComplete(screen_.framebuffer, "screen");
}

// On a software rasteriser every target is process memory: the scene depth
// keeps only its two channels, the lamp and shaft images, which end in 8-bit
// colour, are half floats, and the lamps share theirs.
bool CRenderer::CreateViewTargets(int width, int height) {
    RenderWidth = width;
    RenderHeight = height;
    lampRawWritten_[2] = -1;  // made zero below
    sceneColor_ = MakeColorTarget(GL_RGBA8, width, height);
    backBuffer_ = MakeColorTarget(GL_RGBA8, width, height);
    sceneDepth_ = MakeColorTarget(GL_RG32F, width, height);
    lampScratch_ = MakeColorTarget(GL_RGBA16F, width, height);
    lampShadow_ = MakeColorTarget(GL_R16F, width, height);

    glCreateTextures(GL_TEXTURE_2D, 1, &depth_);
    glTextureStorage2D(depth_, 1, GL_DEPTH_COMPONENT32F, width, height);

    glCreateFramebuffers(1, &mainPass_);
    glNamedFramebufferTexture(mainPass_, GL_COLOR_ATTACHMENT0, sceneColor_.texture, 0);
    glNamedFramebufferTexture(mainPass_, GL_COLOR_ATTACHMENT1, sceneDepth_.texture, 0);
    glNamedFramebufferTexture(mainPass_, GL_DEPTH_ATTACHMENT, depth_, 0);
    const GLenum buffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    glNamedFramebufferDrawBuffers(mainPass_, 2, buffers);

    glCreateFramebuffers(1, &lampRawPass_);
    glNamedFramebufferTexture(lampRawPass_, GL_COLOR_ATTACHMENT0, lampScratch_.texture, 0);
    glNamedFramebufferTexture(lampRawPass_, GL_DEPTH_ATTACHMENT, depth_, 0);

    bool ok = FramebufferComplete(sceneColor_.framebuffer, "scene colour");
    ok = FramebufferComplete(backBuffer_.framebuffer, "back buffer") && ok;
    ok = FramebufferComplete(sceneDepth_.framebuffer, "scene depth") && ok;
    ok = FramebufferComplete(lampScratch_.framebuffer, "light shaft") && ok;
    ok = FramebufferComplete(lampShadow_.framebuffer, "lamp shadow") && ok;
    ok = FramebufferComplete(mainPass_, "main pass") && ok;
    ok = FramebufferComplete(lampRawPass_, "lamp image") && ok;
    return ok;
}

void CRenderer::DeleteViewTargets() {
    DeleteTarget(sceneColor_);
    DeleteTarget(backBuffer_);
    DeleteTarget(sceneDepth_);
    DeleteTarget(lampScratch_);
    DeleteTarget(lampShadow_);
    glDeleteTextures(1, &depth_);
    glDeleteFramebuffers(1, &mainPass_);
    glDeleteFramebuffers(1, &lampRawPass_);
    depth_ = mainPass_ = lampRawPass_ = 0;
}

bool CRenderer::ResizeTargets(int width, int height) {
    if (!IsInitialized()) return false;
    width = std::clamp(width, 1, kTargetWidth);
    height = std::clamp(height, 1, kTargetHeight);
    if (width == RenderWidth && height == RenderHeight) return true;
    // The old storage goes first, so the peak stays at one set of targets.
    DeleteViewTargets();
    return CreateViewTargets(width, height);
}

void CRenderer::CreateLayouts() {
    fullLayout_ = MakeLayout(12);
    simpleLayout_ = MakeLayout(4);
}

void CRenderer::CreatePrograms(std::vector<std::string>& problems) {
    const stage_timer::Span span("shaders: compile and link");
    // The programs of the model, room and composition passes must exist; the
    // lamp, shaft and sky programs are created when their sources are there.
    struct Entry {
        GLuint* handle;
        const char* source;
        bool required;
    };
    const Entry entries[] = {
        {&VsModelSkinned, "vs_model_skinned.vert", true},
        {&VsModel, "vs_model.vert", true},
        {&VsSimple, "vs_simple.vert", true},
        {&VsSky, "vs_sky.vert", false},
        {&VsQuad, "vs_quad.vert", true},
        {&VsShadowSkinned, "vs_shadow_skinned.vert", false},
        {&VsShadow, "vs_shadow.vert", false},
        {&PsScene, "ps_scene.frag", true},
        {&PsComposite, "ps_composite.frag", true},
        {&PsShadowDepth, "ps_shadow_depth.frag", false},
        {&PsShadowFilter, "ps_shadow_filter.frag", false},
        {&PsShadowLight, "ps_shadow_light.frag", false},
        {&PsSky, "ps_sky.frag", false},
        {&PsSkyLow, "ps_sky_low.frag", false},
        {&PsMoon, "ps_moon.frag", false},
        {&PsRoom, "ps_room.frag", true},
        {&PsVolumeLight, "ps_volume_light.frag", false},
        {&PsCopy, "ps_copy.frag", true},
    };
    for (const Entry& e : entries) {
        const Result<GLuint> program = CreateProgram(e.source);
        *e.handle = *program;
        const bool present = FindShaderSource(e.source) != nullptr;
        if (!program && (e.required || present)) problems.push_back(program.Why());
    }
    VsMoon = VsSky;
}

void CRenderer::CreateStates() {
    glCreateSamplers(1, &sampler_);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glSamplerParameterf(sampler_, GL_TEXTURE_LOD_BIAS, 0.0f);
    glSamplerParameterf(sampler_, GL_TEXTURE_MIN_LOD, 0.0f);
    glSamplerParameterf(sampler_, GL_TEXTURE_MAX_LOD, FLT_MAX);
    // The comparison function is "always", which compares nothing: plain
    // linear filtering, no depth comparison.
    glSamplerParameteri(sampler_, GL_TEXTURE_COMPARE_MODE, GL_NONE);
    const float border[4] = {0, 0, 0, 0};
    glSamplerParameterfv(sampler_, GL_TEXTURE_BORDER_COLOR, border);

    glCreateSamplers(1, &copySampler_);
    glSamplerParameteri(copySampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(copySampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(copySampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(copySampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void CRenderer::Release() {
    DeleteViewTargets();
    DeleteTarget(screen_);
    glDeleteVertexArrays(1, &fullLayout_);
    glDeleteVertexArrays(1, &simpleLayout_);
    glDeleteProgramPipelines(1, &pipeline_);
    glDeleteSamplers(1, &sampler_);
    glDeleteSamplers(1, &copySampler_);
    const GLuint buffers[] = {constantBuffer1_, zeroConstants_, quad_};
    glDeleteBuffers(3, buffers);
    glDeleteTextures(1, &black_);
    glDeleteTextures(1, &white_);
    GLuint* programs[] = {
        &VsModelSkinned, &VsModel,  &VsSimple,    &VsSky,         &VsQuad,         &VsShadowSkinned,
        &VsShadow,       &PsScene,  &PsComposite, &PsShadowDepth, &PsShadowFilter, &PsShadowLight,
        &PsSky,          &PsSkyLow, &PsMoon,      &PsRoom,        &PsVolumeLight,
        &PsCopy};
    for (GLuint* p : programs) {
        if (*p) glDeleteProgram(*p);
        *p = 0;
    }
    VsMoon = 0;
    fullLayout_ = simpleLayout_ = boundLayout_ = pipeline_ = sampler_ = copySampler_ = 0;
    constantBuffer1_ = zeroConstants_ = quad_ = black_ = white_ = 0;
}

void CRenderer::ApplyConventions() {
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glUseProgram(0);  // a bound program would override the pipeline
    glBindProgramPipeline(pipeline_);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
}

void CRenderer::Present(const CRenderTarget& source, GLuint windowFramebuffer, int width, int height) {
    // Blits ignore clip control: flip rows by swapping the destination's y.
    glBlitNamedFramebuffer(source.framebuffer, windowFramebuffer, 0, 0, source.width, source.height, 0, height, width,
                           0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
}

void CRenderer::SetVertexShader(GLuint program) { glUseProgramStages(pipeline_, GL_VERTEX_SHADER_BIT, program); }

void CRenderer::SetPixelShader(GLuint program) { glUseProgramStages(pipeline_, GL_FRAGMENT_SHADER_BIT, program); }

void CRenderer::SetInputLayout(GLuint layout) {
    boundLayout_ = layout;
    glBindVertexArray(layout);
}

void CRenderer::SetVertexBuffer(GLuint buffer) {
    glVertexArrayVertexBuffer(boundLayout_, 0, buffer, 0, sizeof(ModelVertex));
}

void CRenderer::SetIndexBuffer(GLuint buffer) { glVertexArrayElementBuffer(boundLayout_, buffer); }

void CRenderer::SetBlendState(BlendState state) {
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (state == BlendState::Opaque) {
        glDisable(GL_BLEND);
        glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
        return;
    }
    // Both other states blend colour by source alpha. On single-sampled targets
    // alpha-to-coverage changes nothing in GL, so only the alpha terms differ.
    glEnable(GL_BLEND);
    if (state == BlendState::AlphaToCoverage) {
        glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ZERO);
    } else {
        glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glBlendEquation(GL_FUNC_ADD);
}

void CRenderer::SetRasterizerState() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_DEPTH_CLAMP);  // depth clipping on
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_MULTISAMPLE);
    glEnable(GL_LINE_SMOOTH);
}

void CRenderer::SetViewport(int width, int height) {
    glViewport(0, 0, width, height);
    glDepthRange(0.0, 1.0);
}

void CRenderer::BindConstantBuffer(unsigned slot, GLuint buffer) {
    glBindBufferBase(GL_UNIFORM_BUFFER, slot, buffer ? buffer : zeroConstants_);
}

void CRenderer::BindTexture(unsigned slot, GLuint texture) { glBindTextureUnit(slot, texture ? texture : black_); }

void CRenderer::BindSampler(unsigned slot) { glBindSampler(slot, sampler_); }

void CRenderer::DrawQuad() {
    SetInputLayout(fullLayout_);
    SetVertexBuffer(quad_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void CRenderer::SetQuadExtent(float u, float v) {
    if (u == quadExtent_[0] && v == quadExtent_[1]) return;
    quadExtent_[0] = u;
    quadExtent_[1] = v;
    // A triangle strip; the bone fields mean nothing for the quad.
    ModelVertex quad[4] = {};
    const float corners[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {-1, -1, 0, 1}, {1, -1, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        quad[i].position[0] = corners[i][0];
        quad[i].position[1] = corners[i][1];
        quad[i].texCoord[0] = corners[i][2] * u;
        quad[i].texCoord[1] = corners[i][3] * v;
        quad[i].normal[2] = 1.0f;
    }
    UploadDynamic(quad_, quad, sizeof quad);
}

// What a linear framebuffer blit does, drawn with a program of our own: the
// driver's shader cache keeps ours, while a software rasteriser compiles its
// blit program again in every process (about 45 ms before the first picture).
void CRenderer::CopyScaled(const CRenderTarget& source, int sourceWidth, int sourceHeight, GLuint target, int width,
                           int height) {
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    glViewport(0, 0, width, height);
    SetBlendState(BlendState::Opaque);
    glDisable(GL_SCISSOR_TEST);
    SetVertexShader(VsQuad);
    SetPixelShader(PsCopy);
    glBindTextureUnit(0, source.texture);
    glBindSampler(0, copySampler_);
    SetQuadExtent(static_cast<float>(sourceWidth) / static_cast<float>(source.width),
                  static_cast<float>(sourceHeight) / static_cast<float>(source.height));
    DrawQuad();
    SetQuadExtent(1.0f, 1.0f);
    BindSampler(0);
    SetBlendState(BlendState::AlphaToCoverage);
    SetViewport(RenderWidth, RenderHeight);
}

void CRenderer::ReadTarget(const CRenderTarget& target, int width, int height, unsigned char* rgba) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glNamedFramebufferReadBuffer(target.framebuffer, GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

void CRenderer::UpdateFrameConstants(float aspect) {
    ApplyConventions();
    ComputeCamera(*this, aspect);
    frame_.MatWorld = TransposeMatrix(MatWorld);
    frame_.MatView = TransposeMatrix(MatView);
    frame_.MatProj = TransposeMatrix(MatProj);
    for (int i = 0; i < kLightCount; ++i) {
        frame_.LightColor[i] = LightColor[i];
        frame_.LightPos[i] = LightPos[i];
    }
    frame_.EyePos = {At.x + EyeOffset.x, At.y + EyeOffset.y, At.z + EyeOffset.z, 1.0f};
    UploadDynamic(constantBuffer1_, &frame_, sizeof frame_);
    BindConstantBuffer(kSlotFrame, constantBuffer1_);
}
