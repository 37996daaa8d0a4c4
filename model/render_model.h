#pragma once
// Render-side copy of a model on the CPU: bones with row-vector (transposed)
// matrices, animations whose channels point at those bones, and playback.
// Its GPU side (meshes, textures, the bone palette) is CRenderModelGpu in
// render/.
#include <cstdint>
#include <vector>

#include "model/array.h"
#include "model/bone_type.h"
#include "platform/name.h"
#include "math/math.h"

class CModel;

struct CRenderBone {
    CName id;
    CName name;
    Matrix4 joint;                    // J: transpose of the CBone's joint matrix
    Matrix4 invBind;                  // B: transpose of the CBone's inverse bind matrix
    Matrix4 local;                    // L
    Matrix4 pose;                     // W: what the bone palette uploads
    CRefArray<CRenderBone> children;  // owned by the render model
    CRenderBone* parent = nullptr;
    BoneType boneType = BoneType::Other;
};

struct CRenderChannel {
    CName targetId;
    CRenderBone* bone = nullptr;  // owned by the render model
    CValueArray<float> keyTimes;
    CValueArray<Matrix4> poseMatrices;  // transposes of the model's matrices
};

struct CRenderAnimation {
    CName id;
    CPtrArray<CRenderChannel> channels;
};

class CRenderModel {
public:
    CRenderModel() = default;
    CRenderModel(const CRenderModel&) = delete;
    CRenderModel& operator=(const CRenderModel&) = delete;

    // Evaluates the active animation into every bone's W (with bindPose, the
    // bind pose: every L its joint matrix, every W the identity). False when
    // there is nothing to play. Reads frameCounter once and may reset it to 0; never
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

    // A new bone owned by the render model; link it into the lists.
    CRenderBone* NewBone() { return boneRecords_.AddNew(); }

    CName name;
    int activeAnimation = 0;
    std::uint32_t frameCounter = 0;
    bool bindPose = false;
    CRefArray<CRenderBone> rootBones;
    CRefArray<CRenderBone> bones;  // in the order of the model's flat bone list
    CPtrArray<CRenderAnimation> animations;

private:
    CPtrArray<CRenderBone> boneRecords_;   // every bone, each once
    std::vector<CRenderBone*> poseOrder_;  // borrowed; see RebuildPoseOrder
};

// One channel's local transform at time t; may reset the model's counter.
Matrix4 EvaluateChannel(CRenderModel& model, float t, const CRenderChannel& channel);
// Element-wise (b - a) * s + a.
Matrix4 LerpMatrix(const Matrix4& a, const Matrix4& b, float s);
