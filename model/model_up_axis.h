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

// A geometry written in a frame of its own (a COLLADA <asset> inside it with
// its own up axis or unit) brought into its document's frame, which the
// whole model is then turned and scaled from: positions turned and scaled,
// normals turned.
void GeometryToDocumentFrame(CGeometry& g, UpAxis up, double metresPerUnit, UpAxis documentUp,
                             double documentMetresPerUnit);
// The same change for a node's transform (column vectors, stored row by
// row), written in that frame as the nodes below it are: C M C^-1.
void NodeToDocumentFrame(float* m16, UpAxis up, double metresPerUnit, UpAxis documentUp, double documentMetresPerUnit);
