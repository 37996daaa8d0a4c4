// Placeholder until the renderer lands.
#include "model/render_model.h"

bool CRenderModel::Build(CRenderer&, const CModel*, bool) { return false; }
void CRenderModel::Draw(CRenderer&) {}
void CRenderModel::ReleaseGpu() {}
