// Model records: initial values, look-ups and release. Release is checked
// by AddressSanitizer and LeakSanitizer in the sanitizer build: a record
// released twice or never fails the run there.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <type_traits>

#include "model/animation.h"
#include "model/model.h"
#include "model/model_finite.h"
#include "model/name_index.h"

namespace {

CName Name(const char* ascii) {
    CName n;
    n.SetAscii(ascii);
    return n;
}

CBone* NewBone(CModel& model, const char* name) {
    CBone* b = model.NewBone();
    b->name = Name(name);
    b->id = Name((std::string("id-") + name).c_str());
    return b;
}

}  // namespace

TEST(ModelRecords, StartInTheirInitialState) {
    CGeometry g;
    EXPECT_EQ(g.bindShapeMatrix[0], 1.0f);
    EXPECT_EQ(g.bindShapeMatrix[1], 0.0f);
    EXPECT_EQ(g.bindShapeMatrix[15], 1.0f);
    EXPECT_EQ(g.vertexCount, 0);
    EXPECT_EQ(g.weights, nullptr);  // no skin: no table, count 0
    EXPECT_EQ(g.weightCount, 0);
    EXPECT_EQ(g.floatArrays.Count(), 0);
    EXPECT_EQ(g.polygonData.Get(0), nullptr);
    CBone b;
    EXPECT_EQ(b.jointMatrix[5], 1.0f);
    EXPECT_EQ(b.invBindMatrix[4], 0.0f);
    EXPECT_EQ(b.parent, nullptr);
    EXPECT_EQ(b.boneType, BoneType::Other);
    CMaterial m;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(m.diffuse[i] + m.ambient[i] + m.emission[i] + m.specular[i], 0.0f);
    EXPECT_TRUE(m.name.Empty());
    CFloatArray f;
    EXPECT_EQ(f.values, nullptr);
    CPolygonData p;
    EXPECT_EQ(p.texIds.Count(), 0);
    CWeights w(3);
    EXPECT_EQ(w.Rows(), 3);
    EXPECT_EQ(w.Row(2)[7].boneIndex, 0.0f);
    EXPECT_EQ(w.Row(3), nullptr);
    EXPECT_EQ(w.Row(-1), nullptr);
}

TEST(ModelRecords, IndexFindsWhatTheLinearLookUpFinds) {
    CModel model;
    for (const char* n : {"Arm", "arm", "Arm", "", "Leg"}) model.bones.Add(NewBone(model, n));
    for (int i = 0; i < 3000; ++i) model.bones.Add(NewBone(model, ("b" + std::to_string(i)).c_str()));
    const CNameIndex<CBone> byName(model.bones, &CBone::name);
    const CNameIndex<CBone> byId(model.bones, &CBone::id);
    for (const char* n : {"Arm", "arm", "", "Leg", "leg", "b0", "b2999", "b3000", "id-Arm"}) {
        EXPECT_EQ(byName.Find(Name(n)), model.FindBoneByName(Name(n))) << n;
        EXPECT_EQ(byId.Find(Name(n)), model.FindBoneById(Name(n))) << n;
    }
    EXPECT_EQ(byName.Find(Name("Arm")), model.bones[0]);
}

TEST(ModelRecords, LookUpsReturnTheFirstExactMatch) {
    CModel model;
    CBone* first = NewBone(model, "Arm");
    CBone* second = NewBone(model, "Arm");
    second->id = Name("id-Arm");
    model.bones.Add(first);
    model.bones.Add(second);
    model.rootBones.Add(first);
    EXPECT_EQ(model.FindBoneByName(Name("Arm")), first);
    EXPECT_EQ(model.FindBoneByName(Name("arm")), nullptr);
    EXPECT_EQ(model.FindBoneById(Name("id-Arm")), first);
    EXPECT_EQ(model.FindBoneById(Name("Arm")), nullptr);

    for (const char* n : {"wood", "paper", "wood"}) {
        auto* m = model.materials.AddNew();
        m->name = Name(n);
    }
    EXPECT_EQ(model.FindMaterial(Name("wood")), model.materials[0]);
    EXPECT_EQ(model.MaterialIndex(Name("paper")), 1);
    EXPECT_EQ(model.MaterialIndex(Name("Paper")), -1);
    EXPECT_EQ(model.FindMaterial(Name("stone")), nullptr);

    model.materials[0]->textureName = Name("tex-wood");
    auto* t0 = model.textures.AddNew();
    t0->id = Name("");
    auto* t1 = model.textures.AddNew();
    t1->id = Name("tex-wood");
    EXPECT_EQ(model.TextureIndexOfMaterial(0), 1);
    // An empty texture name matches a texture with an empty ID.
    EXPECT_EQ(model.TextureIndexOfMaterial(1), 0);
    model.materials[2]->textureName = Name("nothing");
    EXPECT_EQ(model.TextureIndexOfMaterial(2), -1);
    EXPECT_EQ(model.TextureIndexOfMaterial(7), -1);

    auto* g = model.geometries.AddNew();
    auto* a = g->floatArrays.AddNew();
    a->id = Name("pos");
    auto* b = g->floatArrays.AddNew();
    b->id = Name("pos");
    EXPECT_EQ(g->FindFloatArray(Name("pos")), a);
    EXPECT_EQ(g->FindFloatArray(Name("POS")), nullptr);
}

// The model below is released by its destructor; under LeakSanitizer a
// bone released twice or not at all fails the test run.
TEST(ModelRecords, EveryBoneIsReleasedOnceWhereverItIsListed) {
    auto* model = new CModel;
    CBone* root = NewBone(*model, "root");
    CBone* shared = NewBone(*model, "shared");      // in the flat list and the tree
    CBone* twice = NewBone(*model, "twice");        // placed under two parents
    CBone* treeOnly = NewBone(*model, "treeOnly");  // only reachable through the tree
    CBone* other = NewBone(*model, "other");
    model->bones.Add(root);
    model->bones.Add(shared);
    model->bones.Add(twice);
    model->bones.Add(other);
    model->rootBones.Add(root);
    model->rootBones.Add(other);
    model->rootBones.Add(root);  // a root listed twice
    root->children.Add(shared);
    shared->parent = root;
    shared->children.Add(twice);
    other->children.Add(twice);
    twice->parent = other;
    twice->children.Add(treeOnly);
    treeOnly->parent = twice;
    delete model;
}

TEST(ModelRecords, ReleasesGeometriesMaterialsTexturesAndAnimations) {
    auto* model = new CModel;
    auto* g = model->geometries.AddNew();
    auto* f = g->floatArrays.AddNew();
    f->values = std::make_unique<CArray>(12);
    const float v[3] = {1, 2, 3};
    f->values->Add(v);
    auto* p = g->polygonData.AddNew();
    p->vertexIndices.Add(1);
    p->texIds.Add(Name("uv"));
    g->weights = std::make_unique<CWeights>(10);
    g->weightCount = 10;
    model->materials.AddNew();
    model->textures.AddNew();
    auto* anim = model->animations.AddNew();
    auto* channel = anim->channels.AddNew();
    channel->keyTimes.Add(0.5f);
    delete model;
}

// Owning lists free their records; copying one would free them twice.
static_assert(!std::is_copy_constructible_v<CPtrArray<CGeometry>> &&
              std::is_move_constructible_v<CPtrArray<CGeometry>>);
static_assert(!std::is_copy_constructible_v<CFloatArray> && !std::is_copy_constructible_v<CGeometry>);
static_assert(!std::is_copy_constructible_v<CAnimation> && !std::is_copy_constructible_v<CModel>);

// A reader's bone it could not place is freed; a listed bone below it keeps
// no link to it (AddressSanitizer sees a dangling one in the sanitizer build).
TEST(ModelRecords, UnlinkedBonesAreReleasedAndLinksToThemCleared) {
    CModel model;
    CBone* root = NewBone(model, "root");
    CBone* lost = NewBone(model, "lost");
    CBone* listed = NewBone(model, "listed");
    model.rootBones.Add(root);
    model.bones.Add(listed);
    lost->children.Add(listed);
    listed->parent = lost;
    root->children.Add(NewBone(model, "treeOnly"));
    root->children[0]->parent = root;
    model.ReleaseUnlinkedBones();
    EXPECT_EQ(listed->parent, nullptr);
    EXPECT_EQ(root->children[0]->parent, root);
    EXPECT_EQ(root->children[0]->name.ToUtf8(), "treeOnly");
}

// The finite check reads arrays and weight tables in blocks: a NaN or an
// infinity is found wherever it lies, in a block or in the rest after them.
TEST(ModelRecords, NonFiniteValuesAreFoundAnywhereInArraysAndWeights) {
    using Limits = std::numeric_limits<float>;
    for (const int table : {0, 1})  // 2100 vertex floats, 1120 weight floats
        for (const int at : {-1, 0, 255, 256, 1000, 1119, 2099})
            for (const float value : {Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity()}) {
                CModel model;
                CGeometry* g = model.geometries.AddNew();
                CFloatArray* f = g->floatArrays.AddNew();
                f->values = std::make_unique<CArray>(12);
                g->weights = std::make_unique<CWeights>(70);
                float* const data[2] = {static_cast<float*>(f->values->AddUnset(700)),
                                        reinterpret_cast<float*>(g->weights->Row(0))};
                std::fill_n(data[0], 2100, Limits::max());
                std::fill_n(data[1], 1120, Limits::denorm_min());
                const bool inside = at >= 0 && at < (table ? 1120 : 2100);
                if (inside) data[table][at] = value;
                EXPECT_EQ(CheckModelFinite(model).IsOk(), !inside) << table << " " << at << " " << value;
            }
}
