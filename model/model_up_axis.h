#pragma once
// A whole model turned from its document's up axis into the viewer's Z-up
// frame: the positions and normals the polygon data use, every bind-shape,
// inverse-bind and joint matrix, and every animation key. All parts turn
// together, so skinning, hierarchies and animations stay consistent.
#include "math/up_axis.h"
#include "model/model.h"

void ModelToZUp(CModel& model, UpAxis up);
