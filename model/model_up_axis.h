#pragma once
// A whole model turned from its document's up axis into the viewer's Z-up
// frame: the positions and normals the polygon data use, every bind-shape,
// inverse-bind and joint matrix, and every animation key. All parts turn
// together, so skinning, hierarchies and animations stay consistent.
#include "math/up_axis.h"
#include "model/model.h"

void ModelToZUp(CModel& model, UpAxis up);

// A model in `metresPerUnit` units (a COLLADA <unit meter="...">) scaled to
// metres: positions, and the translations of every bind-shape, inverse-bind,
// joint and animation matrix (each conjugated by the scale, so rotations and
// scales stay as they are). 1, or a factor that is not finite and positive,
// leaves the model unchanged.
void ModelToMetres(CModel& model, double metresPerUnit);
