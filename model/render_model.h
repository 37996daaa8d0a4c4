#pragma once
// Render-side copy of a model: bones with row-vector (transposed) matrices,
// animations whose channels point at those bones, and the GPU resources the
// renderer creates. The GPU half holds plain GL object names, so this header
// needs no GL; Build, Draw and ReleaseGpu live in the render library.
#include <cstdint>
#include <string>
#include <vector>

#include "model/array.h"
#include "platform/name.h"
#include "math/math.h"

class CModel;
class CRenderer;

struct CRenderBone {
    CName id;
    CName name;
    Matrix4 joint;       // J: transpose of the CBone's joint matrix
    Matrix4 invBind;     // B: transpose of the CBone's inverse bind matrix
    Matrix4 local;       // L
    Matrix4 pose;        // W: what the bone palette uploads
    CPtrArray<CRenderBone> children;
    CRenderBone* parent = nullptr;
    int boneType = 0;
};

struct CRenderChannel {
    CName targetId;
    CRenderBone* bone = nullptr;
    CValueArray<float> keyTimes;
    CValueArray<Matrix4> poseMatrices;  // transposes of the model's matrices
};

struct CRenderAnimation {
    CRenderAnimation() = default;
    ~CRenderAnimation();
    CRenderAnimation(const CRenderAnimation&) = delete;
    CRenderAnimation& operator=(const CRenderAnimation&) = delete;

    CName id;
    CPtrArray<CRenderChannel> channels;
};

struct CRenderMaterial {
    float diffuse[4] = {};
    float ambient[4] = {};
    float emission[4] = {};
    float specular[4] = {};
    unsigned int texture = 0;  // borrowed from CRenderModel::textures; 0 = none
};

struct CRenderMesh {
    CRenderMesh() = default;
    ~CRenderMesh();
    CRenderMesh(const CRenderMesh&) = delete;
    CRenderMesh& operator=(const CRenderMesh&) = delete;

    unsigned int vertexBuffer = 0;
    unsigned int vertexArray = 0;
    CValueArray<unsigned int> indexBuffers;   // one per polygon-data block
    CPtrArray<CRenderMaterial> materials;     // one per polygon-data block
    CValueArray<int> indexCounts;             // one per polygon-data block
    Matrix4 bindShape;                        // transpose of the geometry's
};

class CRenderModel {
public:
    CRenderModel() = default;
    // Releases the CPU records. GPU objects must be released before, with
    // ReleaseGpu on a thread whose GL context is current.
    ~CRenderModel();
    CRenderModel(const CRenderModel&) = delete;
    CRenderModel& operator=(const CRenderModel&) = delete;

    // --- pose evaluation (model library) ---
    // Evaluates the active animation into every bone's W. False when there is
    // nothing to play. Reads frameCounter once and may reset it to 0; never
    // allocates once the bones are copied.
    bool UpdatePose();
    // The time (key-time units) after which the active animation starts
    // over: its shortest channel's last key, as UpdatePose restarts at 0 once
    // any channel is past its end. 0 when nothing loops.
    float LoopLength() const;
    // The same for animation `index`.
    float LoopLengthOf(int index) const;
    // Mirrors the model's bones: `bones` in flat-list order, `rootBones`, and
    // the children/parent links. Bones reachable only through the tree get
    // render bones too. False (nothing changed) when bones were copied before.
    bool CopyBones(const CModel& model);
    bool CopyAnimations(const CModel& model);
    // Copies animation `index` of the model; false when it does not exist.
    bool CopyAnimation(const CModel& model, int index);
    // The bone of the flat list with this ID, or null (also for a null ID).
    CRenderBone* FindBone(const CName* id) const;
    // Recomputes the order UpdatePose visits bones in: depth-first from each
    // root, parents before children, each bone once (a cycle in a damaged
    // tree is cut). CopyBones calls it; call it after changing the bone
    // lists by hand.
    void RebuildPoseOrder();

    // --- GPU half (render library) ---
    // Relative texture paths are read from `folder` (the current directory
    // when it is empty).
    bool Build(CRenderer& renderer, const CModel* model, bool skinning, const std::string& folder = {});
    void Draw(CRenderer& renderer);
    void ReleaseGpu();

    CName name;
    int activeAnimation = 0;
    std::uint8_t skinning = 1;
    std::uint32_t frameCounter = 0;
    CPtrArray<CRenderMesh> meshes;
    CValueArray<unsigned int> textures;  // parallel to the model's textures; 0 = not loaded
    CPtrArray<CRenderBone> rootBones;
    CPtrArray<CRenderBone> bones;  // in the order of the model's flat bone list
    CPtrArray<CRenderAnimation> animations;
    unsigned int materialBuffer = 0;  // MaterialConstants, slot b1
    unsigned int skinningBuffer = 0;  // ConstantBuffer3, 16384 bytes, slot b2

private:
    std::vector<CRenderBone*> poseOrder_;  // borrowed; see RebuildPoseOrder
};

// One channel's local transform at time t; may reset the model's counter.
Matrix4 EvaluateChannel(CRenderModel& model, float t, const CRenderChannel& channel);
// Element-wise (b - a) * s + a.
Matrix4 LerpMatrix(const Matrix4& a, const Matrix4& b, float s);
