#include "model/model.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <vector>

#include "model/animation.h"
#include "platform/large_block.h"

// Zeroed memory from the system: rows no weight is written to cost no
// memory, so a vertex count a file merely claims stays cheap.
CWeights::CWeights(int rows)
    : rows_(rows > 0 ? rows : 0),
      entries_(static_cast<CBoneWeight*>(std::calloc(static_cast<std::size_t>(rows_) * MaxBoneInfluences + 1, sizeof(CBoneWeight)))) {
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
// Each bone once, in a set of one pointer slot per bone and a half: a
// node-based set would cost more than the bones themselves on a large
// skeleton, just when the model is being released.
class BoneSet {
public:
    explicit BoneSet(std::size_t expected) {
        std::size_t size = 16;
        while (size < expected * 3 / 2 + 1) size *= 2;
        slots_.assign(size, nullptr);
    }
    // False when `bone` was in the set already.
    bool Insert(CBone* bone) {
        if ((count_ + 1) * 3 / 2 >= slots_.size()) Grow();
        for (std::size_t i = Hash(bone);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == bone) return false;
            if (!slots_[i]) {
                slots_[i] = bone;
                ++count_;
                return true;
            }
        }
    }
    template <class F>
    void ForEach(F f) const {
        for (CBone* b : slots_)
            if (b) f(b);
    }

private:
    std::size_t Hash(const CBone* b) const {
        return (reinterpret_cast<std::uintptr_t>(b) >> 4) * 0x9E3779B97F4A7C15ull & (slots_.size() - 1);
    }
    void Grow() {
        std::vector<CBone*> old(slots_.size() * 2, nullptr);
        old.swap(slots_);
        count_ = 0;
        for (CBone* b : old)
            if (b) Insert(b);
    }
    std::vector<CBone*> slots_;
    std::size_t count_ = 0;
};

// Bones can sit in the flat list, the root list and a parent's children, a
// bone may even be placed twice in the tree: gather each record once.
// An explicit stack: a file may nest bones deeper than the call stack goes.
void CollectBones(CBone* root, BoneSet& seen) {
    std::vector<CBone*> pending{root};
    while (!pending.empty()) {
        CBone* bone = pending.back();
        pending.pop_back();
        if (!bone || !seen.Insert(bone)) continue;
        for (CBone* child : bone->children) pending.push_back(child);
    }
}
}  // namespace

CModel::~CModel() {
    for (CGeometry* g : geometries) delete g;
    for (CMaterial* m : materials) delete m;
    for (CTexture* t : textures) delete t;
    BoneSet allBones(static_cast<std::size_t>(bones.Count()));
    for (CBone* b : bones) CollectBones(b, allBones);
    for (CBone* b : rootBones) CollectBones(b, allBones);
    allBones.ForEach([](CBone* b) { delete b; });
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
