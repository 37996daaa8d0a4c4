#pragma once
// The GPU side of a model: its textures, one vertex buffer per geometry, one
// index buffer and material per polygon-data block, and the draw with the
// bone palette of its pose. The CPU side (bones, animations, playback) is
// the CRenderModel it holds.
#include <cstdint>
#include <string>

#include "math/math.h"
#include "model/array.h"
#include "model/render_model.h"
#include "platform/status.h"

class CModel;
class CRenderer;

struct CRenderMaterial {
    float diffuse[4] = {};
    float ambient[4] = {};
    float emission[4] = {};
    float specular[4] = {};
    unsigned int texture = 0;  // borrowed from CRenderModelGpu::textures; 0 = none
};

struct CRenderMesh {
    unsigned int vertexBuffer = 0;
    unsigned int vertexArray = 0;
    CValueArray<unsigned int> indexBuffers;  // one per polygon-data block
    CPtrArray<CRenderMaterial> materials;    // one per polygon-data block
    CValueArray<int> indexCounts;            // one per polygon-data block
    Matrix4 bindShape;                       // transpose of the geometry's
};

class CRenderModelGpu {
public:
    CRenderModelGpu() = default;
    // Frees the CPU records. GPU objects must be released before, with
    // ReleaseGpu on a thread whose GL context is current.
    ~CRenderModelGpu() = default;
    CRenderModelGpu(const CRenderModelGpu&) = delete;
    CRenderModelGpu& operator=(const CRenderModelGpu&) = delete;

    // Makes the GPU objects of `model` and copies its bones and animations
    // into `pose`. Relative texture paths are read from `folder` (the
    // current directory when it is empty). A failure without a model; a
    // note when it has more bones than the skinning palette holds.
    Outcome Build(CRenderer& renderer, const CModel* model, bool skinning, const std::string& folder = {});
    // Draws the meshes with the bones' current W (see CRenderModel::UpdatePose).
    void Draw(CRenderer& renderer);
    void ReleaseGpu();

    CRenderModel pose;
    std::uint8_t skinning = 1;  // draw with the skinned vertex shaders
    CPtrArray<CRenderMesh> meshes;
    CValueArray<unsigned int> textures;  // parallel to the model's textures; 0 = not loaded
    unsigned int materialBuffer = 0;     // MaterialConstants, slot b1
    unsigned int skinningBuffer = 0;     // ConstantBuffer3, 16384 bytes, slot b2
};
