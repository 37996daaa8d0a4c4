#pragma once
// Where a model's vertices stand in its current pose, without the GPU.
#include <vector>

#include "math/view_fit.h"

class CModel;
class CRenderModel;

// The box around every vertex a triangle uses, placed as the skinned vertex
// shader places it: position x bind shape, blended over the bones' current W
// (the pose of the last UpdatePose); a vertex without weights keeps the bind
// shape alone. Empty for a model without vertices.
Bounds3 PosedBounds(const CModel& model, const CRenderModel& posed);

// The bone tree in the current pose, for drawing: each bone reachable from
// the roots once, depth first, parents before children. When the tree holds
// joints, its plain scene nodes (BoneType::Node) are left out and their
// children hang from the nearest bone above them.
struct PosedSkeleton {
    std::vector<Vector3> joints;  // where each bone's joint stands
    std::vector<int> parents;     // index into joints, -1 for a root
};

// A joint of a skin stands where its inverse bind matrix puts it in the bind
// pose, carried by the bone's W; a bone without one (identity or singular:
// a control bone, a scene node) where its current local transform puts it
// under its parent's place.
PosedSkeleton PoseSkeleton(const CRenderModel& posed);
