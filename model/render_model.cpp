#include "model/render_model.h"

CRenderAnimation::~CRenderAnimation() {
    for (CRenderChannel* c : channels) delete c;
}

CRenderMesh::~CRenderMesh() {
    for (CRenderMaterial* m : materials) delete m;
}

CRenderModel::~CRenderModel() {
    for (CRenderMesh* m : meshes) delete m;
    for (CRenderBone* b : bones) delete b;
    for (CRenderAnimation* a : animations) delete a;
}
