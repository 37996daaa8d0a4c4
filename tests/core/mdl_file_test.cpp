// .mdl writer and reader: layout, round trip, extension and atomic replace.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "model/mdl_file.h"
#include "model/model.h"
#include "platform/cp932.h"
#include "platform/text.h"
#include "test_files.h"

namespace {

CName Name(const char* utf8) { return CName(Utf8ToUtf16(utf8)); }

void SetMatrix(float* m, float base) {
    for (int i = 0; i < 16; ++i) m[i] = base + static_cast<float>(i) * 0.125f - 1.0f;
}

std::unique_ptr<CFloatArray> MakeFloatArray(const char* id, int floatCount, int count, float base) {
    auto a = std::make_unique<CFloatArray>();
    a->id = Name(id);
    a->values = std::make_unique<CArray>(floatCount * 4);
    for (int e = 0; e < count; ++e) {
        float v[4];
        for (int k = 0; k < floatCount; ++k) v[k] = base + static_cast<float>(e * floatCount + k) * 0.333333f;
        a->values->Add(v);
    }
    return a;
}

CBone* MakeBone(CModel& m, const char* name, const char* id, int type, float base, bool inFlatList) {
    auto* b = m.NewBone();
    b->name = Name(name);
    b->id = Name(id);
    b->boneType = static_cast<BoneType>(type);
    SetMatrix(b->invBindMatrix, base);
    SetMatrix(b->jointMatrix, -base);
    if (inFlatList) m.bones.Add(b);
    return b;
}

void Attach(CBone* parent, CBone* child) {
    parent->children.Add(child);
    child->parent = parent;
}

// A model with every kind of record: Japanese names, two materials, a
// texture, a skinned geometry with four float arrays (one without values),
// two polygon blocks, and a tree of bones from the flat list plus one bone
// that only the tree has.
void BuildSample(CModel& m) {
    m.name = Name("和室モデル");
    for (int i = 0; i < 2; ++i) {
        auto* mat = m.materials.AddNew();
        mat->name = Name(i == 0 ? "畳" : "wall");
        mat->textureName = Name(i == 0 ? "tatami-tex" : "");
        for (int k = 0; k < 4; ++k) {
            mat->diffuse[k] = 0.1f * static_cast<float>(k + 1) + static_cast<float>(i);
            mat->ambient[k] = 0.05f * static_cast<float>(k);
            mat->emission[k] = 0.25f;
            mat->specular[k] = -0.5f + static_cast<float>(k);
        }
    }
    auto* tex = m.textures.AddNew();
    tex->id = Name("tatami-tex");
    tex->fileName = Name("テクスチャ/tatami.png");

    auto* g = m.geometries.AddNew();
    g->id = Name("mesh-1");
    g->vertexCount = 4;
    SetMatrix(g->bindShapeMatrix, 2.5f);
    g->floatArrays.Add(MakeFloatArray("pos", 3, 4, -1.5f));
    g->floatArrays.Add(MakeFloatArray("nrm", 3, 4, 0.25f));
    g->floatArrays.Add(MakeFloatArray("uv", 2, 4, 0.0f));
    g->floatArrays.Add(MakeFloatArray("col", 4, 4, 0.5f));
    auto* bare = g->floatArrays.AddNew();
    bare->id = Name("bare");
    for (int b = 0; b < 2; ++b) {
        auto* p = g->polygonData.AddNew();
        p->materialId = Name(b == 0 ? "畳" : "wall");
        p->vertexId = Name("pos");
        p->normalId = Name(b == 0 ? "nrm" : "");
        p->colorId = Name(b == 0 ? "col" : "");
        for (int c = 0; c < 6; ++c) {
            p->vertexIndices.Add((c + b) % 4);
            if (b == 0) {
                p->normalIndices.Add(c % 4);
                p->colorIndices.Add(3 - c % 4);
                p->texIndices.Add(c % 2);
            }
        }
        if (b == 0) {
            p->texIds.Add(Name("uv"));
            p->texIds.Add(Name("uv2"));
        }
    }
    g->weights = std::make_unique<CWeights>(4);
    g->weightCount = 4;
    for (int v = 0; v < 4; ++v) {
        g->weights->Row(v)[0] = {static_cast<float>(v % 3), 0.75f};
        g->weights->Row(v)[1] = {2.0f, 0.25f};
    }

    auto* plain = m.geometries.AddNew();  // no weights, no arrays
    plain->id = Name("mesh-2");

    CBone* hips = MakeBone(m, "hips", "id-hips", 1, 0.5f, true);
    CBone* spine = MakeBone(m, "spine", "id-spine", 0, 1.5f, true);
    CBone* leg = MakeBone(m, "脚", "id-leg", 2, 2.5f, true);
    CBone* foot = MakeBone(m, "foot", "id-foot", 0, 3.5f, true);
    CBone* tip = MakeBone(m, "tip", "id-tip", 0, 4.5f, false);  // tree only
    Attach(hips, spine);
    Attach(hips, leg);
    Attach(leg, foot);
    Attach(spine, tip);
    m.rootBones.Add(hips);
    CBone* prop = MakeBone(m, "prop", "id-prop", 0, 5.5f, true);
    m.rootBones.Add(prop);
}

void ExpectNames(const CName& a, const CName& b) { EXPECT_EQ(a.ToUtf8(), b.ToUtf8()); }

void ExpectFloats(const float* a, const float* b, int n) {
    for (int i = 0; i < n; ++i) EXPECT_NEAR(a[i], b[i], 1e-6) << "element " << i;
}

void ExpectBoneTree(const CBone* a, const CBone* b) {
    ExpectNames(a->name, b->name);
    ExpectNames(a->id, b->id);
    EXPECT_EQ(a->boneType, b->boneType);
    ExpectFloats(a->invBindMatrix, b->invBindMatrix, 16);
    ExpectFloats(a->jointMatrix, b->jointMatrix, 16);
    ASSERT_EQ(a->children.Count(), b->children.Count());
    for (int i = 0; i < a->children.Count(); ++i) {
        EXPECT_EQ(b->children[i]->parent, b);
        ExpectBoneTree(a->children[i], b->children[i]);
    }
}

// Equal to six decimals, except the bone indices of the weights, which grow
// by 0.00001 on every read.
void ExpectSameModel(const CModel& a, const CModel& b) {
    ExpectNames(a.name, b.name);
    ASSERT_EQ(a.materials.Count(), b.materials.Count());
    for (int i = 0; i < a.materials.Count(); ++i) {
        ExpectNames(a.materials[i]->name, b.materials[i]->name);
        ExpectNames(a.materials[i]->textureName, b.materials[i]->textureName);
        ExpectFloats(a.materials[i]->diffuse, b.materials[i]->diffuse, 4);
        ExpectFloats(a.materials[i]->ambient, b.materials[i]->ambient, 4);
        ExpectFloats(a.materials[i]->emission, b.materials[i]->emission, 4);
        ExpectFloats(a.materials[i]->specular, b.materials[i]->specular, 4);
    }
    ASSERT_EQ(a.textures.Count(), b.textures.Count());
    for (int i = 0; i < a.textures.Count(); ++i) {
        ExpectNames(a.textures[i]->id, b.textures[i]->id);
        ExpectNames(a.textures[i]->fileName, b.textures[i]->fileName);
    }
    ASSERT_EQ(a.geometries.Count(), b.geometries.Count());
    for (int i = 0; i < a.geometries.Count(); ++i) {
        const CGeometry* ga = a.geometries[i];
        const CGeometry* gb = b.geometries[i];
        ExpectNames(ga->id, gb->id);
        EXPECT_EQ(ga->vertexCount, gb->vertexCount);
        ExpectFloats(ga->bindShapeMatrix, gb->bindShapeMatrix, 16);
        ASSERT_EQ(ga->floatArrays.Count(), gb->floatArrays.Count());
        for (int k = 0; k < ga->floatArrays.Count(); ++k) {
            const CFloatArray* fa = ga->floatArrays[k];
            const CFloatArray* fb = gb->floatArrays[k];
            ExpectNames(fa->id, fb->id);
            ASSERT_EQ(fa->values == nullptr, fb->values == nullptr);
            if (!fa->values) continue;
            ASSERT_EQ(fa->values->ElementSize(), fb->values->ElementSize());
            ASSERT_EQ(fa->values->Count(), fb->values->Count());
            ExpectFloats(static_cast<const float*>(fa->values->Data()), static_cast<const float*>(fb->values->Data()),
                         fa->values->Count() * fa->FloatCount());
        }
        ASSERT_EQ(ga->polygonData.Count(), gb->polygonData.Count());
        for (int k = 0; k < ga->polygonData.Count(); ++k) {
            const CPolygonData* pa = ga->polygonData[k];
            const CPolygonData* pb = gb->polygonData[k];
            ExpectNames(pa->materialId, pb->materialId);
            ExpectNames(pa->vertexId, pb->vertexId);
            ExpectNames(pa->normalId, pb->normalId);
            ExpectNames(pa->colorId, pb->colorId);
            auto same = [](const CValueArray<int>& x, const CValueArray<int>& y) {
                return std::vector<int>(x.begin(), x.end()) == std::vector<int>(y.begin(), y.end());
            };
            EXPECT_TRUE(same(pa->vertexIndices, pb->vertexIndices));
            EXPECT_TRUE(same(pa->normalIndices, pb->normalIndices));
            EXPECT_TRUE(same(pa->colorIndices, pb->colorIndices));
            EXPECT_TRUE(same(pa->texIndices, pb->texIndices));
            ASSERT_EQ(pa->texIds.Count(), pb->texIds.Count());
            for (int t = 0; t < pa->texIds.Count(); ++t) ExpectNames(pa->texIds[t], pb->texIds[t]);
        }
        ASSERT_EQ(ga->weightCount, gb->weightCount);
        ASSERT_EQ(ga->weights == nullptr, gb->weights == nullptr);
        for (int r = 0; r < ga->weightCount; ++r)
            for (int e = 0; e < MaxBoneInfluences; ++e) {
                EXPECT_NEAR(ga->weights->Row(r)[e].boneIndex + 0.00001f, gb->weights->Row(r)[e].boneIndex, 1e-6);
                EXPECT_NEAR(ga->weights->Row(r)[e].weight, gb->weights->Row(r)[e].weight, 1e-6);
            }
    }
    ASSERT_EQ(a.bones.Count(), b.bones.Count());
    for (int i = 0; i < a.bones.Count(); ++i) ExpectNames(a.bones[i]->name, b.bones[i]->name);
    ASSERT_EQ(a.rootBones.Count(), b.rootBones.Count());
    for (int i = 0; i < a.rootBones.Count(); ++i) {
        EXPECT_EQ(b.rootBones[i]->parent, nullptr);
        ExpectBoneTree(a.rootBones[i], b.rootBones[i]);
    }
}

std::vector<std::string> Lines(const std::string& crlfText) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < crlfText.size()) {
        const std::size_t end = crlfText.find("\r\n", start);
        if (end == std::string::npos) {
            out.push_back(crlfText.substr(start));
            break;
        }
        out.push_back(crlfText.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

std::vector<std::string> Tokens(const std::string& s) {
    std::vector<std::string> out;
    Tokenizer t(s);
    for (auto tok = t.Next(" "); !tok.empty(); tok = t.Next(" ")) out.emplace_back(tok);
    return out;
}

}  // namespace

TEST(MdlLayout, EmptyModelHasEverySectionAndTheFinalBlankLines) {
    CModel m;
    m.name.SetAscii("empty");
    const std::string expected = ToCrLf(
        "[MODEL_ID]\nempty\n\n"
        "/////////////////////////// material //////////////////////////\n\n"
        "/////////////////////////// texture //////////////////////////\n\n"
        "/////////////////////////// geometry //////////////////////////\n\n"
        "/////////////////////////// bone //////////////////////////\n\n"
        "<BONE_ARRAY>\n\n"
        "\n\n");
    EXPECT_EQ(SerializeModel(m), expected);
}

TEST(MdlLayout, MaterialTextureAndGeometryLinesAreWrittenExactly) {
    CModel m;
    auto* mat = m.materials.AddNew();
    mat->name.SetAscii("m1");
    mat->textureName.SetAscii("t1");
    for (int k = 0; k < 4; ++k) {
        mat->diffuse[k] = 1.0f;
        mat->ambient[k] = 2.0f;
        mat->emission[k] = 3.0f;
        mat->specular[k] = 4.0f;
    }
    auto* g = m.geometries.AddNew();
    g->id.SetAscii("g");
    g->vertexCount = 2;
    auto* a = g->floatArrays.AddNew();
    a->id.SetAscii("p");
    a->values = std::make_unique<CArray>(12);
    const float v[6] = {1, 2, 3, -4, 5.5f, 6};
    a->values->Add(v);
    a->values->Add(v + 3);
    const std::string text = SerializeModel(m);
    // Colours come diffuse, ambient, specular, emission.
    EXPECT_NE(text.find(ToCrLf("<MATERIAL_BEGIN>\n<MATERIAL_NAME>m1\n<TEXTURE_NAME>t1\n"
                               "<DIFFUSE>\n1.000000 1.000000 1.000000 1.000000\n"
                               "<AMBIENT>\n2.000000 2.000000 2.000000 2.000000\n"
                               "<SPECULAR>\n4.000000 4.000000 4.000000 4.000000\n"
                               "<EMMITION>\n3.000000 3.000000 3.000000 3.000000\n"
                               "<MATERIAL_END>\n\n")),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(ToCrLf("<GEOMETRY_BEGIN>\n<GEOMETRY_ID>g\n<VERTEX_COUNT>2\n<BIND_SHAPE_MATRIX>\n"
                               "1.000000 0.000000 0.000000 0.000000 0.000000 1.000000 0.000000 0.000000 "
                               "0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 0.000000 1.000000\n"
                               "<FLOAT_ARRAY_SIZE>1\n<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_ID>p\n"
                               "<FLOAT_ARRAY_FLOAT_COUNT>3\n<FLOAT_ARRAY_COUNT>2\n<FLOAT_ARRAY>\n"
                               "1.000000 2.000000 3.000000 -4.000000 5.500000 6.000000 \n"
                               "<FLOAT_ARRAY_END>\n\n\n\n"
                               "/////////////////////////// weights //////////////////////////\n\n"
                               "<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>0\n<APPLY_BONE_NUM>8\n\n<WEIGHTS_END>\n"
                               "\n<GEOMETRY_END>\n\n")),
              std::string::npos)
        << text;

    CModel back;
    (void)ParseModel(back, text);
    ASSERT_EQ(back.geometries.Count(), 1);
    const CArray* values = back.geometries[0]->floatArrays[0]->values.get();
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values->ElementSize(), 12);
    ASSERT_EQ(values->Count(), 2);
    EXPECT_EQ(static_cast<const float*>(values->GetAt(1))[1], 5.5f);
}

TEST(MdlLayout, BoneTreeIndentsChildrenByDepthPlusOneTabs) {
    CModel m;
    CBone* root = MakeBone(m, "root", "r", 0, 0, true);
    CBone* a = MakeBone(m, "a", "a", 0, 0, true);
    CBone* b = MakeBone(m, "b", "b", 0, 0, true);
    CBone* c = MakeBone(m, "c", "c", 0, 0, true);
    Attach(root, a);
    Attach(root, b);
    Attach(b, c);
    m.rootBones.Add(root);
    const std::vector<std::string> lines = Lines(SerializeModel(m));
    auto find = [&](const std::string& l) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == l) return static_cast<int>(i);
        return -1;
    };
    EXPECT_GE(find("root a b c "), 0);  // the bone list
    const int rootAt = find("<BONE_NAME>root");
    ASSERT_GE(rootAt, 2);
    EXPECT_EQ(lines[rootAt - 2], "<BONE>");
    EXPECT_EQ(lines[rootAt - 1], "<BONE_BEGIN>");
    EXPECT_EQ(lines[rootAt + 1], "<BONE_ID>r");
    EXPECT_EQ(lines[rootAt + 7], "<CHILD_COUNT>2");
    EXPECT_GE(find("\t\t<BONE_NAME>a"), 0);
    EXPECT_GE(find("\t\t<BONE_NAME>b"), 0);
    EXPECT_GE(find("\t\t\t<BONE_NAME>c"), 0);
    const int cAt = find("\t\t\t<BONE_NAME>c");
    EXPECT_EQ(lines[cAt + 3], "\t\t\t<INV_BIND_MATRIX>");
    EXPECT_EQ(lines[cAt + 4].rfind("\t\t\t-1.000000 ", 0), 0u) << lines[cAt + 4];
    EXPECT_EQ(lines[cAt + 7], "\t\t\t<CHILD_COUNT>0");
    EXPECT_EQ(lines[cAt + 8], "\t\t\t<BONE_END>");
    EXPECT_EQ(lines[cAt + 9], "\t\t<BONE_END>");
    EXPECT_EQ(lines[cAt + 10], "<BONE_END>");
    // Only the root gets a <BONE> line.
    int boneLines = 0;
    for (const auto& l : lines) boneLines += l == "<BONE>";
    EXPECT_EQ(boneLines, 1);

    CModel back;
    (void)ParseModel(back, SerializeModel(m));
    ASSERT_EQ(back.rootBones.Count(), 1);
    CBone* r = back.rootBones[0];
    ASSERT_EQ(r->children.Count(), 2);
    EXPECT_EQ(r->children[1]->children.Count(), 1);
    EXPECT_EQ(r->children[1]->children[0]->parent, r->children[1]);
    EXPECT_EQ(r->children[0]->parent, r);
}

TEST(MdlRoundTrip, ReadsBackAnEqualModel) {
    CModel m;
    BuildSample(m);
    const std::string first = SerializeModel(m);
    CModel back;
    (void)ParseModel(back, first);
    ExpectSameModel(m, back);

    // The bone list and the tree share their records; the tree-only bone
    // is in the tree but not in the list.
    ASSERT_EQ(back.bones.Count(), 5);
    ASSERT_EQ(back.rootBones.Count(), 2);
    EXPECT_EQ(back.rootBones[0], back.bones[0]);
    EXPECT_EQ(back.rootBones[0]->children[0], back.bones[1]);
    EXPECT_EQ(back.rootBones[0]->children[1], back.FindBoneByName(Name("脚")));
    EXPECT_EQ(back.rootBones[1], back.FindBoneByName(Name("prop")));
    CBone* tip = back.bones[1]->children[0];
    EXPECT_EQ(back.FindBoneByName(Name("tip")), nullptr);
    EXPECT_EQ(tip->parent, back.bones[1]);
    // Names are CP932 on disk.
    EXPECT_NE(first.find(Utf16ToCp932(Utf8ToUtf16("和室モデル"))), std::string::npos);
    // The material reference resolves to the same texture.
    EXPECT_EQ(back.TextureIndexOfMaterial(0), 0);
}

TEST(MdlRoundTrip, RewritingGivesTheSameBytesExceptTheBoneIndexDrift) {
    CModel m;
    BuildSample(m);
    const std::string first = SerializeModel(m);
    CModel back;
    (void)ParseModel(back, first);
    const std::string second = SerializeModel(back);
    const auto a = Lines(first);
    const auto b = Lines(second);
    ASSERT_EQ(a.size(), b.size());
    int differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        ++differing;
        ASSERT_EQ(a[i - 1], "<APPLY_BONE_NUM>8") << "line " << i << ": " << a[i] << " / " << b[i];
        const auto ta = Tokens(a[i]);
        const auto tb = Tokens(b[i]);
        ASSERT_EQ(ta.size(), tb.size());
        for (std::size_t k = 0; k < ta.size(); ++k) {
            if (k % 2 == 1) {
                EXPECT_EQ(ta[k], tb[k]);  // weights unchanged
            } else {
                EXPECT_NEAR(ParseDouble(tb[k]) - ParseDouble(ta[k]), 0.00001, 1e-9);
            }
        }
    }
    EXPECT_EQ(differing, 1);  // only the weights line of the skinned geometry
    EXPECT_NE(second.find("1.000010 0.750000 2.000010 0.250000 0.000010 0.000000 "), std::string::npos);
    CModel third;
    (void)ParseModel(third, second);
    EXPECT_NE(SerializeModel(third).find("1.000020 0.750000 2.000020 0.250000 "), std::string::npos);
}

TEST(MdlRoundTrip, NamesAreWholeLines) {
    CModel m;
    m.name.SetAscii("my model");
    auto* t = m.textures.AddNew();
    t->id.SetAscii("a b");
    t->fileName.SetAscii("c:\\dir name\\x.png");
    const std::string text = SerializeModel(m);
    EXPECT_NE(text.find("<TEXTURE_ID>a b\r\n"), std::string::npos);
    CModel back;
    (void)ParseModel(back, text);
    EXPECT_EQ(back.name.ToUtf8(), "my model");
    ASSERT_EQ(back.textures.Count(), 1);
    EXPECT_EQ(back.textures[0]->id.ToUtf8(), "a b");
    EXPECT_EQ(back.textures[0]->fileName.ToUtf8(), "c:\\dir name\\x.png");
}

TEST(MdlRoundTrip, DoubleByteNamesWithBracketTrailBytesSurvive) {
    // ゼ and ゾ end in the bytes of '[' and ']' in code page 932.
    CModel m;
    auto* mat = m.materials.AddNew();
    mat->name = Name("ゼゾ素材");
    CModel back;
    (void)ParseModel(back, SerializeModel(m));
    ASSERT_EQ(back.materials.Count(), 1);
    EXPECT_EQ(back.materials[0]->name.ToUtf8(), "ゼゾ素材");
}

TEST(MdlRoundTrip, LongTextureIdAndBoneListsReadBackWhole) {
    CModel m;
    auto* g = m.geometries.AddNew();
    auto* p = g->polygonData.AddNew();
    std::vector<std::string> ids;
    for (int i = 0; i < 40; ++i) {
        ids.push_back("texcoord-set-with-a-long-identifier-" + std::to_string(i));
        p->texIds.Add(Name(ids.back().c_str()));
    }
    for (int i = 0; i < 3000; ++i) {
        auto* b = m.NewBone();
        b->name = Name(("bone_" + std::to_string(i)).c_str());
        m.bones.Add(b);
    }
    const std::string text = SerializeModel(m);
    CModel back;
    (void)ParseModel(back, text);
    ASSERT_EQ(back.geometries.Count(), 1);
    const CPolygonData* q = back.geometries[0]->polygonData[0];
    ASSERT_EQ(q->texIds.Count(), 40);
    EXPECT_EQ(q->texIds[39].ToUtf8(), ids[39]);
    ASSERT_EQ(back.bones.Count(), 3000);
    EXPECT_EQ(back.bones[2999]->name.ToUtf8(), "bone_2999");
}

TEST(MdlRoundTrip, FloatArrayWithoutValuesStaysWithoutValues) {
    CModel m;
    auto* g = m.geometries.AddNew();
    auto* bare = g->floatArrays.AddNew();
    bare->id.SetAscii("bare");
    auto* empty = g->floatArrays.AddNew();
    empty->id.SetAscii("empty");
    empty->values = std::make_unique<CArray>(8);
    const std::string text = SerializeModel(m);
    CModel back;
    (void)ParseModel(back, text);
    ASSERT_EQ(back.geometries.Count(), 1);
    ASSERT_EQ(back.geometries[0]->floatArrays.Count(), 2);
    EXPECT_EQ(back.geometries[0]->floatArrays[0]->values, nullptr);
    ASSERT_NE(back.geometries[0]->floatArrays[1]->values, nullptr);
    EXPECT_EQ(back.geometries[0]->floatArrays[1]->values->ElementSize(), 8);
    EXPECT_EQ(back.geometries[0]->floatArrays[1]->values->Count(), 0);
    EXPECT_EQ(SerializeModel(back), text);
}

TEST(MdlFile, WriteAppendsTheExtensionUnlessTheLastFourCharactersAreExactlyMdl) {
    ScratchDir dir;
    CModel m;
    m.name.SetAscii("x");
    ASSERT_TRUE(WriteModel(m, dir / "plain"));
    EXPECT_TRUE(std::filesystem::exists(dir / "plain.mdl"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plain"));
    ASSERT_TRUE(WriteModel(m, dir / "given.mdl"));
    EXPECT_TRUE(std::filesystem::exists(dir / "given.mdl"));
    EXPECT_FALSE(std::filesystem::exists(dir / "given.mdl.mdl"));
    ASSERT_TRUE(WriteModel(m, dir / "upper.MDL"));
    EXPECT_TRUE(std::filesystem::exists(dir / "upper.MDL.mdl"));
    EXPECT_EQ(ReadFileBytes(dir / "given.mdl"), SerializeModel(m));
    // Nothing but the three files: no temporary file is left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 3);
}

TEST(MdlFile, ReadTakesThePathUnchanged) {
    ScratchDir dir;
    CModel m;
    m.name.SetAscii("named");
    WriteFileBytes(dir / "model.txt", SerializeModel(m));
    CModel back;
    EXPECT_TRUE(ReadModel(back, dir / "model.txt"));
    EXPECT_EQ(back.name.ToUtf8(), "named");
    CModel none;
    EXPECT_FALSE(ReadModel(none, dir / "model"));
    EXPECT_FALSE(ReadModel(none, dir.Path().string()));  // a folder is no file
    EXPECT_EQ(none.name.Length(), 0);
}

TEST(MdlFile, ReaderAcceptsPlainLineFeeds) {
    CModel m;
    BuildSample(m);
    std::string text = SerializeModel(m);
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
    CModel back;
    (void)ParseModel(back, lf);
    ExpectSameModel(m, back);
}

TEST(MdlFile, FailedWriteLeavesTheOldFileAndReturnsFalse) {
    ScratchDir dir;
    const std::string path = dir / "keep.mdl";
    WriteFileBytes(path, "OLD CONTENT");
    CModel m;
    BuildSample(m);
    ASSERT_GT(SerializeModel(m).size(), 4096u);

    // Let the write run out of room half way: the file size limit stops it.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteModel(m, path).IsOk();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(ReadFileBytes(path), "OLD CONTENT");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);

    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(WriteModel(m, dir / "missing/sub/model"));
    // A path longer than 1023 characters is refused.
    EXPECT_FALSE(WriteModel(m, dir / std::string(1100, 'n')));
}
