#include "model/model.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "model/animation.h"
#include "platform/large_block.h"

// Zeroed memory from the system: rows no weight is written to cost no
// memory, so a vertex count a file merely claims stays cheap.
CWeights::CWeights(int rows)
    : rows_(rows > 0 ? rows : 0),
      entries_(static_cast<CBoneWeight*>(
          std::calloc(static_cast<std::size_t>(rows_) * MaxBoneInfluences + 1, sizeof(CBoneWeight)))) {
    static_assert(std::is_trivially_copyable_v<CBoneWeight>);  // all-zero bytes are the empty entry (0, 0)
    if (!entries_) throw std::bad_alloc();
}

// A row is one 64-byte cache line: aligned, a row is written without touching its neighbours.
constexpr std::size_t kRowBytes = MaxBoneInfluences * sizeof(CBoneWeight);
std::size_t UnsetBytes(int rows) { return (static_cast<std::size_t>(rows) + 1) * kRowBytes; }

CWeights::CWeights(int rows, Unset)
    : rows_(rows > 0 ? rows : 0),
      entries_(static_cast<CBoneWeight*>(AllocateLargeBlock(UnsetBytes(rows_)))),
      unset_(true) {}

CWeights::~CWeights() {
    if (unset_) FreeLargeBlock(entries_, UnsetBytes(rows_));
    else std::free(entries_);
}

CFloatArray* CGeometry::FindFloatArray(const CName& id) const {
    for (CFloatArray* a : floatArrays)
        if (a->id == id) return a;
    return nullptr;
}

void CModel::ReleaseUnlinkedBones() {
    std::unordered_set<const CBone*> reachable;
    // An explicit stack: a file may nest bones deeper than the call stack goes.
    std::vector<const CBone*> pending(bones.begin(), bones.end());
    pending.insert(pending.end(), rootBones.begin(), rootBones.end());
    while (!pending.empty()) {
        const CBone* b = pending.back();
        pending.pop_back();
        if (!b || !reachable.insert(b).second) continue;
        for (const CBone* c : b->children) pending.push_back(c);
    }
    if (reachable.size() == static_cast<std::size_t>(boneRecords_.Count())) return;
    for (CBone* b : boneRecords_)
        if (b && b->parent && !reachable.count(b->parent)) b->parent = nullptr;
    boneRecords_.RemoveIf([&](const CBone* b) { return !reachable.count(b); });
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
