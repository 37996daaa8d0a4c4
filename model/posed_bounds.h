#pragma once
// Where a model's vertices stand in its current pose, without the GPU.
#include "math/view_fit.h"

class CModel;
class CRenderModel;

// The box around every vertex a triangle uses, placed as the skinned vertex
// shader places it: position x bind shape, blended over the bones' current W
// (the pose of the last UpdatePose); a vertex without weights keeps the bind
// shape alone. Empty for a model without vertices.
Bounds3 PosedBounds(const CModel& model, const CRenderModel& posed);
