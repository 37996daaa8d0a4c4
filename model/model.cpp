#include "model/model.h"

#include <unordered_set>
#include <vector>

#include "model/animation.h"

CWeights::CWeights(int rows) : rows_(rows > 0 ? rows : 0), entries_(new CBoneWeight[static_cast<std::size_t>(rows_) * MaxBoneInfluences]()) {}

CWeights::~CWeights() { delete[] entries_; }

CGeometry::~CGeometry() {
    for (CFloatArray* a : floatArrays) delete a;
    for (CPolygonData* p : polygonData) delete p;
    delete weights;
}

CFloatArray* CGeometry::FindFloatArray(const CName& id) const {
    for (CFloatArray* a : floatArrays)
        if (a->id == id) return a;
    return nullptr;
}

namespace {
// Bones can sit in the flat list, the root list and a parent's children, a
// bone may even be placed twice in the tree: gather each record once.
// An explicit stack: a file may nest bones deeper than the call stack goes.
void CollectBones(CBone* root, std::unordered_set<CBone*>& seen) {
    std::vector<CBone*> pending{root};
    while (!pending.empty()) {
        CBone* bone = pending.back();
        pending.pop_back();
        if (!bone || !seen.insert(bone).second) continue;
        for (CBone* child : bone->children) pending.push_back(child);
    }
}
}  // namespace

CModel::~CModel() {
    for (CGeometry* g : geometries) delete g;
    for (CMaterial* m : materials) delete m;
    for (CTexture* t : textures) delete t;
    std::unordered_set<CBone*> allBones;
    for (CBone* b : bones) CollectBones(b, allBones);
    for (CBone* b : rootBones) CollectBones(b, allBones);
    for (CBone* b : allBones) delete b;
    for (CAnimation* a : animations) delete a;
}

CBone* CModel::FindBoneByName(const CName& n) const {
    for (CBone* b : bones)
        if (b->name == n) return b;
    return nullptr;
}

CBone* CModel::FindBoneById(const CName& id) const {
    for (CBone* b : bones)
        if (b->id == id) return b;
    return nullptr;
}

CMaterial* CModel::FindMaterial(const CName& n) const {
    for (CMaterial* m : materials)
        if (m->name == n) return m;
    return nullptr;
}

int CModel::MaterialIndex(const CName& n) const {
    for (int i = 0; i < materials.Count(); ++i)
        if (materials[i]->name == n) return i;
    return -1;
}

int CModel::TextureIndexOfMaterial(int materialIndex) const {
    CMaterial* m = materials.Get(materialIndex);
    if (!m) return -1;
    for (int i = 0; i < textures.Count(); ++i)
        if (textures[i]->id == m->textureName) return i;
    return -1;
}
