// The renderer's fixed parts: uniform block layouts, targets, quad, states,
// camera and the ConstantBuffer1 image.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "render/shader_source.h"
#include "tests/render/gpu_fixture.h"

namespace {

GLuint BuildProbe(const std::string& pieces, const std::string& use) {
    std::string source = "#version 450 core\n";
    for (std::size_t start = 0; start < pieces.size();) {
        const std::size_t end = pieces.find(',', start);
        const std::string name = pieces.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const char* text = FindShaderSource(name.c_str());
        EXPECT_NE(text, nullptr) << name;
        if (text) source += text;
        start = end == std::string::npos ? pieces.size() : end + 1;
    }
    source += "layout(location = 0) out vec4 o;\nvoid main() { o = " + use + "; }\n";
    const char* text = source.c_str();
    const GLuint program = glCreateShaderProgramv(GL_FRAGMENT_SHADER, 1, &text);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE);
    return program;
}

GLint Offset(GLuint program, const char* name) {
    const GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM, name);
    if (index == GL_INVALID_INDEX) return -1;
    const GLenum prop = GL_OFFSET;
    GLint offset = -1;
    glGetProgramResourceiv(program, GL_UNIFORM, index, 1, &prop, 1, nullptr, &offset);
    return offset;
}

GLint BlockSize(GLuint program, const char* name) {
    const GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM_BLOCK, name);
    if (index == GL_INVALID_INDEX) return -1;
    const GLenum props[1] = {GL_BUFFER_DATA_SIZE};
    GLint size = -1;
    glGetProgramResourceiv(program, GL_UNIFORM_BLOCK, index, 1, props, 1, nullptr, &size);
    return size;
}

GLint BlockBinding(GLuint program, const char* name) {
    const GLuint index = glGetProgramResourceIndex(program, GL_UNIFORM_BLOCK, name);
    if (index == GL_INVALID_INDEX) return -1;
    const GLenum props[1] = {GL_BUFFER_BINDING};
    GLint binding = -1;
    glGetProgramResourceiv(program, GL_UNIFORM_BLOCK, index, 1, props, 1, nullptr, &binding);
    return binding;
}

struct Expected {
    const char* name;
    GLint offset;
};

void ExpectOffsets(GLuint program, std::initializer_list<Expected> table) {
    for (const Expected& e : table) EXPECT_EQ(Offset(program, e.name), e.offset) << e.name;
}

}  // namespace

TEST_F(GpuTest, UniformBlocksHaveTheirByteOffsets) {
    const GLuint p = BuildProbe(
        "frame_constants.glsl,skinning_constants.glsl,point_light_constants.glsl,volume_light_constants.glsl",
        "MatWorld[0] + BindShapeMatrix[0] + MatLight[0] + MatWorldVL[0]");
    EXPECT_EQ(BlockSize(p, "ConstantBuffer1"), 720);
    EXPECT_EQ(BlockBinding(p, "ConstantBuffer1"), 0);
    ExpectOffsets(p, {{"MatWorld", 0},
                      {"MatView", 64},
                      {"MatProj", 128},
                      {"LightColor[0]", 192},
                      {"LightPos[0]", 448},
                      {"EyePos", 704}});
    EXPECT_EQ(BlockSize(p, "ConstantBuffer3"), 16384);
    EXPECT_EQ(BlockBinding(p, "ConstantBuffer3"), 2);
    ExpectOffsets(p, {{"BindShapeMatrix", 0}, {"BoneMatrix[0]", 64}});
    EXPECT_EQ(BlockSize(p, "ConstantBufferPointLight"), 560);
    EXPECT_EQ(BlockBinding(p, "ConstantBufferPointLight"), 3);
    ExpectOffsets(p, {{"MatLight", 0},
                      {"MatLight1", 64},
                      {"MatLight2", 128},
                      {"MatLight3", 192},
                      {"MatLight4", 256},
                      {"MatLight5", 320},
                      {"MatLight6", 384},
                      {"MatProjLight", 448},
                      {"PointLightPos", 512},
                      {"PointLightColor", 528},
                      {"ShadowParam", 544}});
    EXPECT_EQ(BlockSize(p, "ConstantBufferVolumeLight"), 256);
    EXPECT_EQ(BlockBinding(p, "ConstantBufferVolumeLight"), 4);
    ExpectOffsets(p, {{"MatWorldVL", 0},
                      {"MatViewVL", 64},
                      {"MatProjVL", 128},
                      {"EyeVL", 192},
                      {"MoveVL", 208},
                      {"VolumeLightParam1", 224},
                      {"VolumeLightParam2", 240}});
    glDeleteProgram(p);

    const GLuint sky = BuildProbe("sky_constants.glsl", "MatMoon[0]");
    EXPECT_EQ(BlockSize(sky, "ConstantBufferSky"), 400);
    EXPECT_EQ(BlockBinding(sky, "ConstantBufferSky"), 3);
    ExpectOffsets(sky, {{"MatMoon", 0},
                        {"SkyColor", 64},
                        {"SkyParam", 80},
                        {"SunPos", 96},
                        {"MoonPos", 112},
                        {"CloudParam1", 128},
                        {"CloudParam2[0]", 144}});
    glDeleteProgram(sky);
}

TEST_F(GpuTest, TheProgramsReadTheBlocksAtThoseOffsets) {
    EXPECT_EQ(Offset(renderer->PsScene, "EyePos"), 704);
    EXPECT_EQ(Offset(renderer->PsScene, "LightPos[0]"), 448);
    EXPECT_EQ(Offset(renderer->PsRoom, "SkyParam"), 80);
    EXPECT_EQ(BlockBinding(renderer->PsRoom, "ConstantBufferSky"), 3);
    EXPECT_EQ(Offset(renderer->VsModelSkinned, "BoneMatrix[0]"), 64);
    EXPECT_EQ(Offset(renderer->VsModelSkinned, "MatProj"), 128);
    EXPECT_EQ(BlockSize(renderer->VsModelSkinned, "ConstantBuffer3"), 16384);
}

TEST_F(GpuTest, EveryProgramOfThisPassSetExists) {
    for (GLuint p : {renderer->VsModelSkinned, renderer->VsModel, renderer->VsSimple, renderer->VsQuad,
                     renderer->PsScene, renderer->PsRoom, renderer->PsComposite}) {
        EXPECT_NE(p, 0u);
        GLint separable = 0;
        glGetProgramiv(p, GL_PROGRAM_SEPARABLE, &separable);
        EXPECT_EQ(separable, GL_TRUE);
    }
    EXPECT_EQ(renderer->VsMoon, renderer->VsSky);
}

TEST_F(GpuTest, TargetsHaveFixedSizesAndFormats) {
    EXPECT_EQ(renderer->RenderWidth, 1536);
    EXPECT_EQ(renderer->RenderHeight, 1080);
    ASSERT_TRUE(renderer->MakeScreen());  // made at the first full-screen frame
    struct Target {
        GLuint texture;
        GLint format, width, height;
    };
    const Target targets[] = {
        {renderer->SceneColor().texture, GL_RGBA8, 1536, 1080},
        {renderer->Screen().texture, GL_RGBA8, 1920, 1080},
        {renderer->BackBuffer().texture, GL_RGBA8, 1536, 1080},
        {renderer->SceneDepth().texture, GL_RG32F, 1536, 1080},
        {renderer->LampRaw().texture, GL_RGBA16F, 1536, 1080},
        {renderer->DepthTexture(), GL_DEPTH_COMPONENT32F, 1536, 1080},
    };
    for (const Target& t : targets) {
        GLint format = 0, width = 0, height = 0;
        glGetTextureLevelParameteriv(t.texture, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTextureLevelParameteriv(t.texture, 0, GL_TEXTURE_WIDTH, &width);
        glGetTextureLevelParameteriv(t.texture, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(format, t.format);
        EXPECT_EQ(width, t.width);
        EXPECT_EQ(height, t.height);
    }
    EXPECT_EQ(glCheckNamedFramebufferStatus(renderer->MainPassFramebuffer(), GL_FRAMEBUFFER),
              static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
}

TEST_F(GpuTest, ClipControlKeepsTopLeftOriginAndZeroToOneDepth) {
    GLint origin = 0, depth = 0;
    glGetIntegerv(GL_CLIP_ORIGIN, &origin);
    glGetIntegerv(GL_CLIP_DEPTH_MODE, &depth);
    EXPECT_EQ(origin, GL_UPPER_LEFT);
    EXPECT_EQ(depth, GL_ZERO_TO_ONE);
}

TEST_F(GpuTest, QuadIsAStripOfFourModelVertices) {
    ModelVertex quad[4];
    GLint64 size = 0;
    glGetNamedBufferParameteri64v(renderer->QuadBuffer(), GL_BUFFER_SIZE, &size);
    ASSERT_EQ(size, 448);
    glGetNamedBufferSubData(renderer->QuadBuffer(), 0, sizeof quad, quad);
    const float expected[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {-1, -1, 0, 1}, {1, -1, 1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(quad[i].position[0], expected[i][0]);
        EXPECT_EQ(quad[i].position[1], expected[i][1]);
        EXPECT_EQ(quad[i].position[2], 0.0f);
        EXPECT_EQ(quad[i].texCoord[0], expected[i][2]);
        EXPECT_EQ(quad[i].texCoord[1], expected[i][3]);
        EXPECT_EQ(quad[i].normal[2], 1.0f);
        EXPECT_EQ(quad[i].color[3], 0.0f);
    }
}

TEST_F(GpuTest, BlendStatesDifferInAlphaAndCoverage) {
    GLint srcAlpha = 0, dstAlpha = 0, srcRgb = 0, dstRgb = 0;
    renderer->SetBlendState(BlendState::AlphaToCoverage);
    EXPECT_TRUE(glIsEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE));
    glGetIntegerv(GL_BLEND_SRC_RGB, &srcRgb);
    glGetIntegerv(GL_BLEND_DST_RGB, &dstRgb);
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &dstAlpha);
    EXPECT_EQ(srcRgb, GL_SRC_ALPHA);
    EXPECT_EQ(dstRgb, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(srcAlpha, GL_ONE);
    EXPECT_EQ(dstAlpha, GL_ZERO);
    renderer->SetBlendState(BlendState::Alpha);
    EXPECT_FALSE(glIsEnabled(GL_SAMPLE_ALPHA_TO_COVERAGE));
    glGetIntegerv(GL_BLEND_SRC_ALPHA, &srcAlpha);
    glGetIntegerv(GL_BLEND_DST_ALPHA, &dstAlpha);
    EXPECT_EQ(srcAlpha, GL_SRC_ALPHA);
    EXPECT_EQ(dstAlpha, GL_ONE_MINUS_SRC_ALPHA);
    GLint wrap = 0;
    glGetSamplerParameteriv(renderer->Sampler(), GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(wrap, GL_REPEAT);
}

TEST_F(GpuTest, CameraOrbitsAtAndMirrorsX) {
    renderer->RotationX = 1.5f;
    renderer->RotationZ = 1.5f;
    renderer->Distance = 6.0f;
    renderer->At = {0.0f, -3.5f, 1.5f};
    renderer->UpdateFrameConstants(1536.0f / 1080.0f);
    EXPECT_FLOAT_EQ(renderer->EyeOffset.x, static_cast<float>(6.0 * std::cos(1.5) * std::sin(1.5)));
    EXPECT_FLOAT_EQ(renderer->EyeOffset.y, static_cast<float>(6.0 * std::sin(1.5) * std::sin(1.5)));
    EXPECT_FLOAT_EQ(renderer->EyeOffset.z, static_cast<float>(6.0 * std::cos(1.5)));

    const Vector3 eye = {renderer->At.x + renderer->EyeOffset.x, renderer->At.y + renderer->EyeOffset.y,
                         renderer->At.z + renderer->EyeOffset.z};
    const Matrix4 look =
        LookToMatrix(eye, {-renderer->EyeOffset.x, -renderer->EyeOffset.y, -renderer->EyeOffset.z}, {0, 0, 1});
    for (int r = 0; r < 4; ++r) {
        EXPECT_FLOAT_EQ(renderer->MatView.m[r][0], -look.m[r][0]);
        for (int c = 1; c < 4; ++c) EXPECT_FLOAT_EQ(renderer->MatView.m[r][c], look.m[r][c]);
    }
    EXPECT_EQ(renderer->MatProj.m[2][2], 1.0000002f);
    EXPECT_EQ(renderer->MatProj.m[3][2], -0.0010000002f);
    EXPECT_EQ(renderer->MatProj.m[2][3], 1.0f);
    float s = 0, c = 0;
    SinCos(0.39269876f, &s, &c);
    EXPECT_FLOAT_EQ(renderer->MatProj.m[1][1], c / s);
    EXPECT_FLOAT_EQ(renderer->MatProj.m[0][0], (c / s) / (1536.0f / 1080.0f));
    // At projects onto the centre of the image.
    const Pixel centre = ProjectToPixel(*renderer, renderer->At, 1536, 1080);
    EXPECT_NEAR(centre.x, 768, 1);
    EXPECT_NEAR(centre.y, 540, 1);
}

TEST_F(GpuTest, ConstantBuffer1HoldsTheTransposedMatricesLightsAndEye) {
    for (int i = 0; i < kLightCount; ++i) {
        renderer->LightColor[i] = {0.1f * i, 0.2f, 0.3f, 1.0f + i};
        renderer->LightPos[i] = {1.0f * i, -2.0f, 3.0f, 0.0f};
    }
    renderer->At = {1.0f, 2.0f, 3.0f};
    renderer->UpdateFrameConstants(2.0f);
    GLint bound = 0;
    glGetIntegeri_v(GL_UNIFORM_BUFFER_BINDING, 0, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), renderer->ConstantBuffer1());

    float image[180];
    glGetNamedBufferSubData(renderer->ConstantBuffer1(), 0, sizeof image, image);
    const Matrix4* matrices[3] = {&renderer->MatWorld, &renderer->MatView, &renderer->MatProj};
    for (int m = 0; m < 3; ++m)
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) EXPECT_EQ(image[m * 16 + c * 4 + r], matrices[m]->m[r][c]);
    for (int i = 0; i < kLightCount; ++i) {
        EXPECT_EQ(image[48 + i * 4 + 0], renderer->LightColor[i].x);
        EXPECT_EQ(image[48 + i * 4 + 3], renderer->LightColor[i].w);
        EXPECT_EQ(image[112 + i * 4 + 0], renderer->LightPos[i].x);
        EXPECT_EQ(image[112 + i * 4 + 1], -2.0f);
    }
    EXPECT_EQ(image[176], 1.0f + renderer->EyeOffset.x);
    EXPECT_EQ(image[177], 2.0f + renderer->EyeOffset.y);
    EXPECT_EQ(image[178], 3.0f + renderer->EyeOffset.z);
    EXPECT_EQ(image[179], 1.0f);
}

TEST_F(GpuTest, EveryFrameRestoresTheConventionsOthersMayHaveChanged) {
    glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(renderer->PsScene);
    renderer->UpdateFrameConstants(1.0f);
    GLint origin = 0, depth = 0, program = -1;
    glGetIntegerv(GL_CLIP_ORIGIN, &origin);
    glGetIntegerv(GL_CLIP_DEPTH_MODE, &depth);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(origin, GL_UPPER_LEFT);
    EXPECT_EQ(depth, GL_ZERO_TO_ONE);
    EXPECT_EQ(program, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(GpuTest, PresentStretchesTheTopRowToTheTopOfAWindow) {
    // The back buffer: top row red, everything else blue.
    std::vector<unsigned char> image(1536u * 1080u * 4u);
    for (std::size_t i = 0; i < image.size(); i += 4) {
        const bool top = i < 1536u * 4u * 108u;  // the top tenth
        image[i] = top ? 255 : 0;
        image[i + 2] = top ? 0 : 255;
        image[i + 3] = 255;
    }
    glTextureSubImage2D(renderer->BackBuffer().texture, 0, 0, 0, 1536, 1080, GL_RGBA, GL_UNSIGNED_BYTE, image.data());

    // A "window" of 100 x 50 whose row 0 is the bottom, as GL windows are.
    CRenderTarget window;
    window.width = 100;
    window.height = 50;
    glCreateTextures(GL_TEXTURE_2D, 1, &window.texture);
    glTextureStorage2D(window.texture, 1, GL_RGBA8, 100, 50);
    glCreateFramebuffers(1, &window.framebuffer);
    glNamedFramebufferTexture(window.framebuffer, GL_COLOR_ATTACHMENT0, window.texture, 0);
    renderer->Present(renderer->BackBuffer(), window.framebuffer, 100, 50);
    std::vector<unsigned char> shown(100u * 50u * 4u);
    CRenderer::ReadTarget(window, 100, 50, shown.data());
    EXPECT_EQ(PixelAt(shown, 100, 50, 49)[0], 255);  // last row = top of the window: red
    EXPECT_EQ(PixelAt(shown, 100, 50, 0)[2], 255);   // first row = bottom: blue
    EXPECT_EQ(PixelAt(shown, 100, 50, 25)[2], 255);
    glDeleteFramebuffers(1, &window.framebuffer);
    glDeleteTextures(1, &window.texture);
}
