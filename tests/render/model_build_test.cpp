// CRenderModelGpu::Build: vertex and index buffers, corner rules, materials and
// textures, read back from the GPU.
#include <QDir>
#include <QImage>

#include <string>
#include <vector>

#include "tests/render/gpu_fixture.h"

namespace {

std::vector<ModelVertex> ReadVertices(const CRenderMesh& mesh, int count) {
    std::vector<ModelVertex> v(static_cast<std::size_t>(count));
    glGetNamedBufferSubData(mesh.vertexBuffer, 0, static_cast<GLsizeiptr>(count * sizeof(ModelVertex)), v.data());
    return v;
}

std::vector<std::uint32_t> ReadIndices(const CRenderMesh& mesh, int block) {
    std::vector<std::uint32_t> idx(static_cast<std::size_t>(mesh.indexCounts[block]));
    if (!idx.empty())
        glGetNamedBufferSubData(mesh.indexBuffers[block], 0, static_cast<GLsizeiptr>(idx.size() * 4), idx.data());
    return idx;
}

// One triangle over vertices 0, 1, 2 of a four-vertex geometry with two
// texture-coordinate sets, colours and per-corner normals.
CGeometry* AddTriangleGeometry(CModel& model) {
    auto* g = model.geometries.AddNew();
    g->vertexCount = 4;
    AddSource(*g, "p", 3, {0, 0, 0, 1, 0, 0, 0, 1, 0, 5, 5, 5});
    AddSource(*g, "n", 3, {0, 0, 1, 0, 1, 0, 1, 0, 0});
    AddSource(*g, "c", 4, {0.1f, 0.2f, 0.3f, 0.4f});
    AddSource(*g, "uv1", 2, {0.25f, 0.5f, 0.5f, 0.25f});
    AddSource(*g, "uv2", 2, {0.125f, 0.0625f, 1.0f, 2.0f});
    return g;
}

CPolygonData* AddBlock(CGeometry& g, std::vector<int> vertices, std::vector<int> normals, std::vector<int> uvs,
                       bool twoSets = true) {
    auto* b = g.polygonData.AddNew();
    b->vertexId.SetAscii("p");
    b->normalId.SetAscii("n");
    b->colorId.SetAscii("c");
    CName set;
    set.SetAscii("uv1");
    b->texIds.Add(set);
    if (twoSets) {
        set.SetAscii("uv2");
        b->texIds.Add(set);
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        b->vertexIndices.Add(vertices[i]);
        if (i < normals.size()) b->normalIndices.Add(normals[i]);
        if (i < uvs.size()) b->texIndices.Add(uvs[i]);
        b->colorIndices.Add(0);
    }
    return b;
}

}  // namespace

class ModelBuildTest : public GpuTest {
protected:
    void TearDown() override {
        if (renderer) render.ReleaseGpu();
    }
    CModel model;
    CRenderModelGpu render;
};

TEST_F(ModelBuildTest, NullModelBuildsNothing) {
    EXPECT_FALSE(render.Build(*renderer, nullptr, true));
    EXPECT_EQ(render.meshes.Count(), 0);
    EXPECT_EQ(render.materialBuffer, 0u);
}

TEST_F(ModelBuildTest, CornersFillTheVertexAtTheirIndex) {
    CGeometry* g = AddTriangleGeometry(model);
    AddBlock(*g, {0, 1, 2}, {0, 1, 2}, {0, 1, 0});
    model.name.SetAscii("triangle");
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    EXPECT_EQ(render.pose.name, model.name);
    EXPECT_EQ(render.skinning, 1);
    ASSERT_EQ(render.meshes.Count(), 1);
    const CRenderMesh& mesh = *render.meshes[0];
    const auto v = ReadVertices(mesh, 4);
    EXPECT_EQ(v[1].position[0], 1.0f);
    EXPECT_EQ(v[1].normal[1], 1.0f);
    EXPECT_EQ(v[2].normal[0], 1.0f);
    EXPECT_EQ(v[0].color[3], 0.4f);
    // Two texture-coordinate sets add up.
    EXPECT_EQ(v[0].texCoord[0], 0.25f + 0.125f);
    EXPECT_EQ(v[0].texCoord[1], 0.5f + 0.0625f);
    EXPECT_EQ(v[1].texCoord[0], 0.5f + 1.0f);
    // No weight table: every bone pair is (0, 0).
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(v[0].bones[k][0], 0.0f);
        EXPECT_EQ(v[0].bones[k][1], 0.0f);
    }
    // Vertex 3 belongs to no corner and stays zero.
    EXPECT_EQ(v[3].position[0], 0.0f);
    EXPECT_EQ(ReadIndices(mesh, 0), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST_F(ModelBuildTest, SharedVertexKeepsTheLastCornersAttributes) {
    CGeometry* g = AddTriangleGeometry(model);
    AddBlock(*g, {0, 1, 2}, {0, 0, 0}, {0, 0, 0}, false);
    AddBlock(*g, {2, 1, 0}, {1, 2, 1}, {1, 1, 1}, false);
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const CRenderMesh& mesh = *render.meshes[0];
    const auto v = ReadVertices(mesh, 4);
    // The second block wrote last: its normals and coordinates win.
    EXPECT_EQ(v[2].normal[1], 1.0f);
    EXPECT_EQ(v[1].normal[0], 1.0f);
    EXPECT_EQ(v[0].normal[1], 1.0f);
    EXPECT_EQ(v[0].texCoord[0], 0.5f);
    EXPECT_EQ(mesh.indexCounts.Count(), 2);
    EXPECT_EQ(ReadIndices(mesh, 1), (std::vector<std::uint32_t>{2, 1, 0}));
}

TEST_F(ModelBuildTest, OutOfRangeIndicesLeaveAttributesZeroAndDropTheirTriangle) {
    CGeometry* g = AddTriangleGeometry(model);
    // Triangle 1 is fine apart from a normal index past the normals; triangle
    // 2 has a vertex index past the vertex count; triangle 3 a negative one.
    AddBlock(*g, {0, 1, 2, 1, 2, 7, 0, -1, 2}, {0, 1, 99, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const CRenderMesh& mesh = *render.meshes[0];
    const auto v = ReadVertices(mesh, 4);
    // Vertex 2 was last written by the third triangle's corner (normal 0).
    EXPECT_EQ(v[2].normal[2], 1.0f);
    EXPECT_EQ(mesh.indexCounts[0], 3);
    EXPECT_EQ(ReadIndices(mesh, 0), (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST_F(ModelBuildTest, MissingNormalIndexListLeavesNormalsZero) {
    CGeometry* g = AddTriangleGeometry(model);
    AddBlock(*g, {0, 1, 2}, {}, {});
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const auto v = ReadVertices(*render.meshes[0], 4);
    EXPECT_EQ(v[1].normal[0], 0.0f);
    EXPECT_EQ(v[1].normal[1], 0.0f);
    EXPECT_EQ(v[1].normal[2], 0.0f);
    EXPECT_EQ(v[1].texCoord[0], 0.0f);
    EXPECT_EQ(v[1].position[0], 1.0f);
}

TEST_F(ModelBuildTest, WeightsGoIntoTheBonePairsLargestFirst) {
    CGeometry* g = AddTriangleGeometry(model);
    g->weights = std::make_unique<CWeights>(4);
    g->weightCount = 4;
    g->weights->Row(1)[0] = {3.0f, 0.7f};
    g->weights->Row(1)[1] = {1.0f, 0.3f};
    AddBlock(*g, {0, 1, 2}, {0, 0, 0}, {0, 0, 0});
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const auto v = ReadVertices(*render.meshes[0], 4);
    EXPECT_EQ(v[1].bones[0][0], 3.0f);
    EXPECT_EQ(v[1].bones[0][1], 0.7f);
    EXPECT_EQ(v[1].bones[1][0], 1.0f);
    EXPECT_EQ(v[1].bones[1][1], 0.3f);
    EXPECT_EQ(v[1].bones[2][1], 0.0f);
}

TEST_F(ModelBuildTest, MaterialsAndTexturesFollowTheModel) {
    CGeometry* g = AddTriangleGeometry(model);
    CPolygonData* withMaterial = AddBlock(*g, {0, 1, 2}, {0, 0, 0}, {0, 0, 0});
    withMaterial->materialId.SetAscii("wood");
    CPolygonData* withMissing = AddBlock(*g, {0, 1, 2}, {0, 0, 0}, {0, 0, 0});
    withMissing->materialId.SetAscii("no such material");

    auto* wood = model.materials.AddNew();
    wood->name.SetAscii("wood");
    wood->textureName.SetAscii("grain");
    wood->diffuse[0] = 0.5f;
    wood->ambient[1] = 0.25f;
    wood->emission[2] = 0.125f;
    wood->specular[3] = 1.0f;

    const std::string dir = VORLAND_BINARY_DIR "/test-output";
    QDir().mkpath(QString::fromStdString(dir));
    const std::string good = dir + "/model_build_grain.png";
    QImage image(8, 2, QImage::Format_RGBA8888);
    image.fill(QColor(10, 20, 30, 255));
    ASSERT_TRUE(image.save(QString::fromStdString(good)));
    auto* missing = model.textures.AddNew();
    missing->id.SetAscii("gone");
    missing->fileName.SetAscii(dir + "/no-such-image.png");
    auto* grain = model.textures.AddNew();
    grain->id.SetAscii("grain");
    grain->fileName.SetAscii(good);

    ASSERT_TRUE(render.Build(*renderer, &model, true));
    ASSERT_EQ(render.textures.Count(), 2);
    EXPECT_EQ(render.textures[0], 0u);  // cannot be loaded: empty
    ASSERT_NE(render.textures[1], 0u);
    GLint width = 0, height = 0;
    glGetTextureLevelParameteriv(render.textures[1], 0, GL_TEXTURE_WIDTH, &width);
    glGetTextureLevelParameteriv(render.textures[1], 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 8);
    EXPECT_EQ(height, 2);
    unsigned char texel[4] = {};
    glGetTextureSubImage(render.textures[1], 0, 0, 0, 0, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, 4, texel);
    EXPECT_EQ(texel[0], 10);
    EXPECT_EQ(texel[2], 30);

    const CRenderMesh& mesh = *render.meshes[0];
    ASSERT_EQ(mesh.materials.Count(), 2);
    const CRenderMaterial& m = *mesh.materials[0];
    EXPECT_EQ(m.diffuse[0], 0.5f);
    EXPECT_EQ(m.ambient[1], 0.25f);
    EXPECT_EQ(m.emission[2], 0.125f);
    EXPECT_EQ(m.specular[3], 1.0f);
    EXPECT_EQ(m.texture, render.textures[1]);
    // A block without a material still gets an all-zero one.
    const CRenderMaterial& none = *mesh.materials[1];
    EXPECT_EQ(none.diffuse[0], 0.0f);
    EXPECT_EQ(none.texture, 0u);

    // Draw uploads ambient, diffuse, specular of the block's material.
    RenderFrame(&render, 64, 64);
    float buffer[12];
    glGetNamedBufferSubData(render.materialBuffer, 0, sizeof buffer, buffer);
    EXPECT_EQ(buffer[0], 0.0f);  // the last block's (all zero) material
    GLint64 size = 0;
    glGetNamedBufferParameteri64v(render.materialBuffer, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, static_cast<GLint64>(sizeof(MaterialConstants)));  // 64: the colours and the tint
    glGetNamedBufferParameteri64v(render.skinningBuffer, GL_BUFFER_SIZE, &size);
    EXPECT_EQ(size, 16384);
}

TEST_F(ModelBuildTest, ModelWithoutTexturesBuildsAndDraws) {
    AddQuads(model, {{{-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1}}}, {0, -1, 0}, "");
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    renderer->LightColor[0] = {1, 1, 1, 1};
    renderer->LightPos[0] = {0, -4, 0, 0};
    const auto frame = RenderFrame(&render, 64, 64);
    // Shaded as white: lit, opaque, not background.
    EXPECT_FALSE(IsBackground(PixelAt(frame, 64, 32, 32)));
    EXPECT_GT(PixelAt(frame, 64, 32, 32)[0], 10);
}

TEST_F(ModelBuildTest, ReleaseGpuDeletesTheObjects) {
    CGeometry* g = AddTriangleGeometry(model);
    AddBlock(*g, {0, 1, 2}, {0, 0, 0}, {0, 0, 0});
    ASSERT_TRUE(render.Build(*renderer, &model, true));
    const GLuint vb = render.meshes[0]->vertexBuffer;
    const GLuint ib = render.meshes[0]->indexBuffers[0];
    EXPECT_TRUE(glIsBuffer(vb));
    render.ReleaseGpu();
    EXPECT_FALSE(glIsBuffer(vb));
    EXPECT_FALSE(glIsBuffer(ib));
    EXPECT_EQ(render.materialBuffer, 0u);
    EXPECT_EQ(render.meshes[0]->vertexBuffer, 0u);
}
