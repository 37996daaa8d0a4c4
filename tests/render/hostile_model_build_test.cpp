// A model read from a file whose vertex count lies: the render model sizes
// its vertex buffer by what the geometry holds, not by the claim.
#include <gtest/gtest.h>

#include <climits>

#include "tests/render/gpu_fixture.h"

namespace {

class HostileModelBuild : public GpuTest {
protected:
    void TearDown() override {
        if (renderer) render.ReleaseGpu();
    }
    CModel model;
    CRenderModelGpu render;
};

GLint64 VertexBufferBytes(const CRenderMesh& mesh) {
    GLint64 size = 0;
    glGetNamedBufferParameteri64v(mesh.vertexBuffer, GL_BUFFER_SIZE, &size);
    return size;
}

}  // namespace

TEST_F(HostileModelBuild, ClaimedVertexCountDoesNotSizeTheVertexBuffer) {
    auto* g = model.geometries.AddNew();
    g->vertexCount = INT_MAX;
    AddSource(*g, "p", 3, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    auto* b = g->polygonData.AddNew();
    b->vertexId.SetAscii("p");
    for (int v : {0, 1, 2, 5, 1, 2}) b->vertexIndices.Add(v);
    ASSERT_TRUE(render.Build(*renderer, &model, false));
    ASSERT_EQ(render.meshes.Count(), 1);
    // Vertex 5 is referred to, so six vertices; nothing near INT_MAX of them.
    EXPECT_EQ(VertexBufferBytes(*render.meshes[0]), static_cast<GLint64>(6 * sizeof(ModelVertex)));
    EXPECT_EQ(render.meshes[0]->indexCounts[0], 6);
}

TEST_F(HostileModelBuild, HonestVertexCountKeepsItsBuffer) {
    auto* g = model.geometries.AddNew();
    g->vertexCount = 3;
    AddSource(*g, "p", 3, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    auto* b = g->polygonData.AddNew();
    b->vertexId.SetAscii("p");
    for (int v : {0, 1, 2, 7, 8, 9}) b->vertexIndices.Add(v);
    ASSERT_TRUE(render.Build(*renderer, &model, false));
    EXPECT_EQ(VertexBufferBytes(*render.meshes[0]), static_cast<GLint64>(3 * sizeof(ModelVertex)));
    // The triangle outside the geometry is left out.
    EXPECT_EQ(render.meshes[0]->indexCounts[0], 3);
}
