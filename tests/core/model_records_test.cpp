// Model records: initial values, look-ups and release. Release is checked
// by AddressSanitizer and LeakSanitizer in the sanitizer build: a record
// released twice or never fails the run there.
#include <gtest/gtest.h>

#include <string>

#include "model/animation.h"
#include "model/model.h"
#include "model/name_index.h"

namespace {

CName Name(const char* ascii) {
    CName n;
    n.SetAscii(ascii);
    return n;
}

CBone* NewBone(const char* name) {
    auto* b = new CBone;
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
    EXPECT_EQ(g.floatArrays.Capacity(), 100);
    EXPECT_EQ(g.polygonData.ElementSize(), static_cast<int>(sizeof(void*)));
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
    for (const char* n : {"Arm", "arm", "Arm", "", "Leg"}) model.bones.Add(NewBone(n));
    for (int i = 0; i < 3000; ++i) model.bones.Add(NewBone(("b" + std::to_string(i)).c_str()));
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
    CBone* first = NewBone("Arm");
    CBone* second = NewBone("Arm");
    second->id = Name("id-Arm");
    model.bones.Add(first);
    model.bones.Add(second);
    model.rootBones.Add(first);
    EXPECT_EQ(model.FindBoneByName(Name("Arm")), first);
    EXPECT_EQ(model.FindBoneByName(Name("arm")), nullptr);
    EXPECT_EQ(model.FindBoneById(Name("id-Arm")), first);
    EXPECT_EQ(model.FindBoneById(Name("Arm")), nullptr);

    for (const char* n : {"wood", "paper", "wood"}) {
        auto* m = new CMaterial;
        m->name = Name(n);
        model.materials.Add(m);
    }
    EXPECT_EQ(model.FindMaterial(Name("wood")), model.materials[0]);
    EXPECT_EQ(model.MaterialIndex(Name("paper")), 1);
    EXPECT_EQ(model.MaterialIndex(Name("Paper")), -1);
    EXPECT_EQ(model.FindMaterial(Name("stone")), nullptr);

    model.materials[0]->textureName = Name("tex-wood");
    auto* t0 = new CTexture;
    t0->id = Name("");
    auto* t1 = new CTexture;
    t1->id = Name("tex-wood");
    model.textures.Add(t0);
    model.textures.Add(t1);
    EXPECT_EQ(model.TextureIndexOfMaterial(0), 1);
    // An empty texture name matches a texture with an empty ID.
    EXPECT_EQ(model.TextureIndexOfMaterial(1), 0);
    model.materials[2]->textureName = Name("nothing");
    EXPECT_EQ(model.TextureIndexOfMaterial(2), -1);
    EXPECT_EQ(model.TextureIndexOfMaterial(7), -1);

    auto* g = new CGeometry;
    auto* a = new CFloatArray;
    a->id = Name("pos");
    auto* b = new CFloatArray;
    b->id = Name("pos");
    g->floatArrays.Add(a);
    g->floatArrays.Add(b);
    model.geometries.Add(g);
    EXPECT_EQ(g->FindFloatArray(Name("pos")), a);
    EXPECT_EQ(g->FindFloatArray(Name("POS")), nullptr);
}

// The model below is released by its destructor; under LeakSanitizer a
// bone released twice or not at all fails the test run.
TEST(ModelRecords, EveryBoneIsReleasedOnceWhereverItIsListed) {
    auto* model = new CModel;
    CBone* root = NewBone("root");
    CBone* shared = NewBone("shared");    // in the flat list and the tree
    CBone* twice = NewBone("twice");      // placed under two parents
    CBone* treeOnly = NewBone("treeOnly");  // only reachable through the tree
    CBone* other = NewBone("other");
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
    auto* g = new CGeometry;
    auto* f = new CFloatArray;
    f->values = new CArray(12);
    const float v[3] = {1, 2, 3};
    f->values->Add(v);
    g->floatArrays.Add(f);
    auto* p = new CPolygonData;
    p->vertexIndices.Add(1);
    p->texIds.Add(Name("uv"));
    g->polygonData.Add(p);
    g->weights = new CWeights(10);
    g->weightCount = 10;
    model->geometries.Add(g);
    model->materials.Add(new CMaterial);
    model->textures.Add(new CTexture);
    auto* anim = new CAnimation;
    auto* channel = new CAnimationChannel;
    channel->keyTimes.Add(0.5f);
    anim->channels.Add(channel);
    model->animations.Add(anim);
    delete model;
}
