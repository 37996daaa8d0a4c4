// A model read from a file whose vertex count lies: the render model sizes
// its vertex buffer by what the geometry holds, not by the claim.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <climits>
#include <string>
#include <vector>

#include "render/texture_file.h"
#include "tests/core/test_files.h"
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

// Every texture that cannot be used is left out with one note naming its
// file; none blocks (a FIFO, a device) or is decoded past the pixel limit
// its header shows, and the model is built all the same.
TEST_F(HostileModelBuild, TexturesThatCannotBeUsedAreNamedOneLineEach) {
    ScratchDir dir;
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString(dir / "good.png")));
    ASSERT_EQ(::mkfifo((dir / "fifo.png").c_str(), 0600), 0);
    WriteFileBytes(dir / "huge.ppm", "P6\n20000 20000\n255\n");  // a header of 400 million pixels, and no pixels
    const std::vector<std::string> files = {"good.png", "fifo.png", "/dev/zero", "huge.ppm", "missing.png"};
    for (const std::string& file : files) model.textures.AddNew()->fileName.SetAscii(file.c_str());
    const Outcome built = render.Build(*renderer, &model, false, dir.Path().string());
    ASSERT_TRUE(built.IsOk()) << built.Why();
    ASSERT_EQ(built.notes.size(), files.size() - 1);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(render.textures[static_cast<int>(i)] != 0, i == 0) << files[i];
        EXPECT_TRUE(i == 0 || built.notes[i - 1].find(files[i]) != std::string::npos) << files[i];
    }
    EXPECT_NE(built.notes[2].find("20000 x 20000"), std::string::npos) << built.notes[2];
}
