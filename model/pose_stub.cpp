// Placeholder until pose evaluation and the render-side copies land.
#include "model/render_model.h"

bool CRenderModel::UpdatePose() { return false; }
bool CRenderModel::CopyBones(const CModel&) { return false; }
bool CRenderModel::CopyAnimations(const CModel&) { return false; }
bool CRenderModel::CopyAnimation(const CModel&, int) { return false; }
CRenderBone* CRenderModel::FindBone(const CName*) const { return nullptr; }
Matrix4 EvaluateChannel(CRenderModel&, float, const CRenderChannel&) { return Matrix4::Identity(); }
Matrix4 LerpMatrix(const Matrix4& a, const Matrix4&, float) { return a; }
