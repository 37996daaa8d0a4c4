// .mdl reader on damaged and hostile input: cut-off files, absurd counts,
// huge lines, garbage, bad code page 932, loops and very deep trees. Run
// under AddressSanitizer and LeakSanitizer by the test script.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "model/mdl_file.h"
#include "model/model.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace {

std::string Crlf(const std::string& s) { return ToCrLf(s); }

CName Name(const char* ascii) {
    CName n;
    n.SetAscii(ascii);
    return n;
}

std::string SampleText() {
    return Crlf(
        "[MODEL_ID]\nsample\n\n"
        "/////////////////////////// material //////////////////////////\n\n"
        "<MATERIAL_BEGIN>\n<MATERIAL_NAME>m1\n<TEXTURE_NAME>t1\n"
        "<DIFFUSE>\n0.1 0.2 0.3 1\n<AMBIENT>\n0 0 0 1\n<SPECULAR>\n1 1 1 1\n<EMMITION>\n0 0 0 0\n"
        "<MATERIAL_END>\n\n"
        "/////////////////////////// texture //////////////////////////\n\n"
        "<TEXTURE_BEGIN>\n<TEXTURE_ID>t1\n<TEXTURE_NAME>t1.png\n<TEXTURE_END>\n\n"
        "/////////////////////////// geometry //////////////////////////\n\n"
        "<GEOMETRY_BEGIN>\n<GEOMETRY_ID>g\n<VERTEX_COUNT>3\n<BIND_SHAPE_MATRIX>\n"
        "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n<FLOAT_ARRAY_SIZE>1\n"
        "<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_ID>p\n<FLOAT_ARRAY_FLOAT_COUNT>3\n<FLOAT_ARRAY_COUNT>3\n<FLOAT_ARRAY>\n"
        "0 0 0 1 0 0 0 1 0 \n<FLOAT_ARRAY_END>\n\n\n"
        "<POLYGON_DATA_BEGIN>\n<MATERIAL_ID>m1\n<VERTEX_ID>p\n<NORMAL_ID>\n<COLOR_ID>\n"
        "<VERTEX_INDEX_COUNT>3\n0 1 2 \n<NORMAL_INDEX_COUNT>0\n\n<COLOR_INDEX_COUNT>0\n\n<TEX_INDEX_COUNT>0\n\n"
        "<TEX_ID_COUNT>0\n\n<POLYGON_DATA_END>\n\n\n"
        "/////////////////////////// weights //////////////////////////\n\n"
        "<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>3\n<APPLY_BONE_NUM>8\n"
        "0 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 2 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 \n"
        "<WEIGHTS_END>\n\n<GEOMETRY_END>\n\n"
        "/////////////////////////// bone //////////////////////////\n\n"
        "<BONE_ARRAY>\nroot arm hand \n"
        "<BONE>\n<BONE_BEGIN>\n<BONE_NAME>root\n<BONE_ID>r\n<BONE_TYPE>1\n"
        "<INV_BIND_MATRIX>\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n<JOINT_MATRIX>\n1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
        "<CHILD_COUNT>1\n"
        "\t\t<BONE_BEGIN>\n\t\t<BONE_NAME>arm\n\t\t<BONE_ID>a\n\t\t<BONE_TYPE>0\n"
        "\t\t<INV_BIND_MATRIX>\n\t\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"
        "\t\t<JOINT_MATRIX>\n\t\t1 0 0 2 0 1 0 0 0 0 1 0 0 0 0 1\n\t\t<CHILD_COUNT>2\n"
        "\t\t\t<BONE_BEGIN>\n\t\t\t<BONE_NAME>hand\n\t\t\t<BONE_ID>h\n\t\t\t<CHILD_COUNT>0\n\t\t\t<BONE_END>\n"
        "\t\t\t<BONE_BEGIN>\n\t\t\t<BONE_NAME>finger\n\t\t\t<BONE_ID>f\n\t\t\t<CHILD_COUNT>0\n\t\t\t<BONE_END>\n"
        "\t\t<BONE_END>\n<BONE_END>\n\n\n");
}

// Parses, writes and parses again: nothing may crash, loop or leak.
void Exercise(const std::string& bytes) {
    CModel m;
    (void)ParseModel(m, bytes);
    const std::string text = SerializeModel(m);
    CModel again;
    (void)ParseModel(again, text);
}

}  // namespace

TEST(MdlRobustness, SampleReadsCompletely) {
    CModel m;
    (void)ParseModel(m, SampleText());
    EXPECT_EQ(m.name.ToUtf8(), "sample");
    ASSERT_EQ(m.materials.Count(), 1);
    EXPECT_FLOAT_EQ(m.materials[0]->diffuse[2], 0.3f);
    ASSERT_EQ(m.geometries.Count(), 1);
    EXPECT_EQ(m.geometries[0]->weightCount, 3);
    EXPECT_FLOAT_EQ(m.geometries[0]->weights->Row(2)[0].boneIndex, 2.00001f);
    ASSERT_EQ(m.rootBones.Count(), 1);
    CBone* arm = m.rootBones[0]->children[0];
    EXPECT_EQ(arm, m.bones[1]);
    EXPECT_EQ(arm->jointMatrix[3], 2.0f);  // leading tabs are skipped
    ASSERT_EQ(arm->children.Count(), 2);
    EXPECT_EQ(arm->children[0], m.bones[2]);
    EXPECT_EQ(m.FindBoneByName(Name("finger")), nullptr);  // tree only
    EXPECT_EQ(arm->children[1]->parent, arm);
}

TEST(MdlRobustness, EveryCutOffPrefixReadsWithoutHarm) {
    const std::string full = SampleText();
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        CModel m;
        (void)ParseModel(m, std::string_view(full).substr(0, cut));
        ASSERT_LE(m.materials.Count(), 1);
        ASSERT_LE(m.geometries.Count(), 1);
        ASSERT_LE(m.rootBones.Count(), 1);
        for (CGeometry* g : m.geometries) {
            // A geometry is only kept once its end tag was read.
            ASSERT_EQ(g->floatArrays.Count(), 1);
            ASSERT_EQ(g->polygonData.Count(), 1);
            ASSERT_EQ(g->weightCount, 3);
        }
        SerializeModel(m);
    }
}

TEST(MdlRobustness, OpenBlocksAtTheEndAreDropped) {
    const std::string full = SampleText();
    CModel m1;
    (void)ParseModel(m1, full.substr(0, full.find("<MATERIAL_END>")));
    EXPECT_EQ(m1.materials.Count(), 0);

    CModel m2;
    (void)ParseModel(m2, full.substr(0, full.find("<GEOMETRY_END>")));
    EXPECT_EQ(m2.geometries.Count(), 0);
    EXPECT_EQ(m2.materials.Count(), 1);

    // Cut inside the second grandchild: it is not attached, its parent is
    // not complete and not attached either; the root stays in the root list.
    CModel m3;
    (void)ParseModel(m3, full.substr(0, full.find("\t\t\t<BONE_ID>f")));
    ASSERT_EQ(m3.rootBones.Count(), 1);
    EXPECT_EQ(m3.rootBones[0]->children.Count(), 0);
    CBone* arm = m3.bones[1];
    ASSERT_EQ(arm->children.Count(), 1);
    EXPECT_EQ(arm->children[0], m3.bones[2]);
    EXPECT_EQ(arm->parent, m3.rootBones[0]);
}

TEST(MdlRobustness, AbsurdCountsAllocateOnlyWhatTheLinesHold) {
    const std::string text = Crlf(
        "<GEOMETRY_BEGIN>\n<VERTEX_COUNT>-12\n"
        "<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_FLOAT_COUNT>3\n<FLOAT_ARRAY_COUNT>2000000000\n<FLOAT_ARRAY>\n"
        "1 2 3 4 5 6 7\n<FLOAT_ARRAY_END>\n"
        "<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_FLOAT_COUNT>2000000000\n<FLOAT_ARRAY_COUNT>2000000000\n<FLOAT_ARRAY>\n"
        "1 2 3\n<FLOAT_ARRAY_END>\n"
        "<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_FLOAT_COUNT>2\n<FLOAT_ARRAY_COUNT>-5\n<FLOAT_ARRAY>\n"
        "\n<FLOAT_ARRAY_END>\n"
        "<POLYGON_DATA_BEGIN>\n<VERTEX_INDEX_COUNT>2000000000\n1 2 3\n"
        "<NORMAL_INDEX_COUNT>-4\n<TEX_ID_COUNT>2000000000\nuv1 uv2\n<POLYGON_DATA_END>\n"
        "<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>2000000000\n<APPLY_BONE_NUM>2000000000\n1 0.5 2 0.25\n<WEIGHTS_END>\n"
        "<GEOMETRY_END>\n"
        "<GEOMETRY_BEGIN>\n<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>-3\n<APPLY_BONE_NUM>8\n1 1\n<WEIGHTS_END>\n<GEOMETRY_END>\n"
        "<BONE_ARRAY>\na b\n"
        "<BONE>\n<BONE_NAME>a\n<CHILD_COUNT>2000000000\n<BONE_NAME>b\n<CHILD_COUNT>-7\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.geometries.Count(), 2);
    const CGeometry* g = m.geometries[0];
    EXPECT_EQ(g->vertexCount, -12);
    ASSERT_EQ(g->floatArrays.Count(), 3);
    ASSERT_NE(g->floatArrays[0]->values, nullptr);
    EXPECT_EQ(g->floatArrays[0]->values->Count(), 2);  // the partial third element is dropped
    EXPECT_EQ(g->floatArrays[1]->values->ElementSize(), 4);
    EXPECT_EQ(g->floatArrays[1]->values->Count(), 0);
    EXPECT_EQ(g->floatArrays[2]->values->ElementSize(), 8);
    EXPECT_EQ(g->floatArrays[2]->values->Count(), 0);
    const CPolygonData* p = g->polygonData[0];
    EXPECT_EQ(p->vertexIndices.Count(), 3);
    EXPECT_EQ(p->normalIndices.Count(), 0);
    ASSERT_EQ(p->texIds.Count(), 2);
    EXPECT_EQ(p->texIds[1].ToUtf8(), "uv2");
    ASSERT_NE(g->weights, nullptr);
    EXPECT_EQ(g->weights->Rows(), 1);
    EXPECT_EQ(g->weightCount, 1);
    EXPECT_FLOAT_EQ(g->weights->Row(0)[1].boneIndex, 2.00001f);
    EXPECT_FLOAT_EQ(g->weights->Row(0)[1].weight, 0.25f);
    EXPECT_EQ(m.geometries[1]->weights, nullptr);
    EXPECT_EQ(m.geometries[1]->weightCount, 0);
    // The root's second child runs into the end of the file.
    ASSERT_EQ(m.rootBones.Count(), 1);
    ASSERT_EQ(m.rootBones[0]->children.Count(), 1);
    EXPECT_EQ(m.rootBones[0]->children[0], m.bones[1]);
    Exercise(text);
}

TEST(MdlRobustness, WeightRowsOfOtherSizesFillTheEightEntryRows) {
    const std::string text = Crlf(
        "<GEOMETRY_BEGIN>\n<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>2\n<APPLY_BONE_NUM>2\n3 0.5 4 0.5 5 1\n<WEIGHTS_END>\n"
        "<GEOMETRY_END>\n"
        "<GEOMETRY_BEGIN>\n<WEIGHTS_BEGIN>\n<WEIGHTS_SIZE>2\n<APPLY_BONE_NUM>10\n"
        "1 1 2 1 3 1 4 1 5 1 6 1 7 1 8 1 9 1 10 1 "
        "11 1 12 1 13 1 14 1 15 1 16 1 17 1 18 1 19 1 20 1 21 1\n<WEIGHTS_END>\n<GEOMETRY_END>\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.geometries.Count(), 2);
    const CWeights* few = m.geometries[0]->weights.get();
    ASSERT_NE(few, nullptr);
    EXPECT_EQ(few->Rows(), 2);
    EXPECT_FLOAT_EQ(few->Row(0)[1].boneIndex, 4.00001f);
    EXPECT_FLOAT_EQ(few->Row(1)[0].boneIndex, 5.00001f);
    EXPECT_EQ(few->Row(1)[1].boneIndex, 0.0f);
    EXPECT_EQ(few->Row(0)[2].weight, 0.0f);
    const CWeights* many = m.geometries[1]->weights.get();
    ASSERT_NE(many, nullptr);
    EXPECT_EQ(many->Rows(), 2);
    EXPECT_FLOAT_EQ(many->Row(0)[7].boneIndex, 8.00001f);
    EXPECT_FLOAT_EQ(many->Row(1)[0].boneIndex, 11.00001f);  // pairs 9 and 10 of row 0 are skipped
    EXPECT_FLOAT_EQ(many->Row(1)[7].boneIndex, 18.00001f);
    // Written back, every row has eight pairs and the count says 8.
    const std::string out = SerializeModel(m);
    EXPECT_NE(out.find("<APPLY_BONE_NUM>8\r\n3.000010 0.500000 4.000010 0.500000 0.000000 0.000000 "),
              std::string::npos);
}

TEST(MdlRobustness, MegabyteLinesAreReadInPieces) {
    std::string text = std::string(3 << 20, 'x') + "\r\n";
    text += "<MATERIAL_BEGIN>\r\n<MATERIAL_NAME>" + std::string(2 << 20, 'n') + "\r\n<MATERIAL_END>\r\n";
    text += "<GEOMETRY_BEGIN>\r\n<FLOAT_ARRAY_BEGIN>\r\n<FLOAT_ARRAY_FLOAT_COUNT>2\r\n<FLOAT_ARRAY_COUNT>500000\r\n";
    text += "<FLOAT_ARRAY>\r\n";
    for (int i = 0; i < 1000000; ++i) text += "0.5 ";
    text += "\r\n<FLOAT_ARRAY_END>\r\n<GEOMETRY_END>\r\n<BONE_ARRAY>\r\n";
    for (int i = 0; i < 100000; ++i) text += "bone" + std::to_string(i) + " ";
    text += "\r\n[MODEL_ID]\r\nafter\r\n";
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.materials.Count(), 1);
    EXPECT_EQ(m.materials[0]->name.Length(), 1023 - static_cast<int>(std::string("<MATERIAL_NAME>").size()));
    ASSERT_EQ(m.geometries.Count(), 1);
    EXPECT_EQ(m.geometries[0]->floatArrays[0]->values->Count(), 500000);
    // The bone list line is cut after 261119 characters; the rest is read
    // as further lines and ignored.
    EXPECT_GT(m.bones.Count(), 20000);
    EXPECT_LT(m.bones.Count(), 100000);
    EXPECT_EQ(m.bones[0]->name.ToUtf8(), "bone0");
    EXPECT_EQ(m.name.ToUtf8(), "after");
}

TEST(MdlRobustness, InvalidCp932BytesBecomeQuestionMarks) {
    const std::string text =
        "<MATERIAL_BEGIN>\r\n<MATERIAL_NAME>\xff\xfe"
        "abc\x81\r\n<TEXTURE_NAME>\x82\r\n<MATERIAL_END>\r\n"
        "<BONE_ARRAY>\r\n\x81\x81\x81 ok\r\n";
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.materials.Count(), 1);
    EXPECT_EQ(m.materials[0]->name.ToUtf8(), "??abc?");
    EXPECT_EQ(m.materials[0]->textureName.ToUtf8(), "?");
    ASSERT_EQ(m.bones.Count(), 2);
    EXPECT_EQ(m.bones[0]->name.ToUtf8(), "\xef\xbc\x9d?");  // 0x81 0x81 is '＝', the last 0x81 has no partner
    Exercise(text);
}

TEST(MdlRobustness, GarbageAndMutatedFilesNeverHarm) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 30; ++round) {
        std::string junk(4096 + round * 97, '\0');
        for (char& c : junk) c = static_cast<char>(rng());
        Exercise(junk);
    }
    const std::string sample = SampleText();
    for (int round = 0; round < 400; ++round) {
        std::string mutated = sample;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % mutated.size();
            switch (rng() % 4) {
                case 0: mutated[at] = static_cast<char>(rng()); break;
                case 1: mutated.erase(at, rng() % 40); break;
                case 2: mutated.insert(at, mutated.substr(rng() % mutated.size(), rng() % 200)); break;
                case 3: mutated.insert(at, std::to_string(static_cast<int>(rng()))); break;
            }
            if (mutated.empty()) mutated.assign(1, 'x');
        }
        Exercise(mutated);
    }
}

TEST(MdlRobustness, ABoneNeverBecomesItsOwnAncestor) {
    const std::string text = Crlf(
        "<BONE_ARRAY>\na b\n"
        "<BONE>\n<BONE_NAME>a\n<CHILD_COUNT>1\n<BONE_NAME>b\n<CHILD_COUNT>1\n<BONE_NAME>a\n<BONE_ID>copy\n<CHILD_COUNT>"
        "0\n"
        "<BONE>\n<BONE_NAME>b\n<CHILD_COUNT>1\n<BONE_NAME>a\n<CHILD_COUNT>0\n");
    CModel m;
    (void)ParseModel(m, text);
    CBone* a = m.bones[0];
    CBone* b = m.bones[1];
    ASSERT_EQ(a->children.Count(), 1);
    EXPECT_EQ(a->children[0], b);
    ASSERT_EQ(b->children.Count(), 1);  // the second root b is a record of its own
    EXPECT_NE(b->children[0], a);
    EXPECT_EQ(b->children[0]->name.ToUtf8(), "a");
    EXPECT_EQ(b->children[0]->id.ToUtf8(), "copy");
    EXPECT_EQ(a->id.Length(), 0);
    EXPECT_EQ(m.rootBones.Count(), 2);
    EXPECT_NE(m.rootBones[1], b);
    // Writing ends, and reading back gives the same tree.
    CModel back;
    (void)ParseModel(back, SerializeModel(m));
    EXPECT_EQ(back.bones[1]->children.Count(), 1);
}

TEST(MdlRobustness, ABonePlacedTwiceInTheTreeGetsASecondRecord) {
    const std::string text = Crlf(
        "<BONE_ARRAY>\nr s x\n"
        "<BONE>\n<BONE_NAME>r\n<CHILD_COUNT>1\n\t\t<BONE_NAME>x\n\t\t<CHILD_COUNT>0\n"
        "<BONE>\n<BONE_NAME>s\n<CHILD_COUNT>1\n\t\t<BONE_NAME>x\n\t\t<CHILD_COUNT>0\n"
        "<BONE>\n<BONE_NAME>r\n<CHILD_COUNT>0\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.rootBones.Count(), 3);
    EXPECT_NE(m.rootBones[0], m.rootBones[2]);
    EXPECT_EQ(m.bones[0]->children[0], m.bones[2]);
    EXPECT_NE(m.bones[1]->children[0], m.bones[2]);
    EXPECT_EQ(m.bones[1]->children[0]->name.ToUtf8(), "x");
    EXPECT_EQ(m.bones[2]->parent, m.bones[0]);
}

TEST(MdlRobustness, VeryDeepTreesAreCutAtTheDepthLimit) {
    std::string text = "<BONE>\r\n";
    for (int i = 0; i < 5000; ++i) text += "<BONE_NAME>n" + std::to_string(i) + "\r\n<CHILD_COUNT>1\r\n";
    text += "<BONE_NAME>leaf\r\n<CHILD_COUNT>0\r\n";
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.rootBones.Count(), 1);
    int depth = 0;
    for (CBone* b = m.rootBones[0]; b; b = b->children.Get(0)) ++depth;
    EXPECT_EQ(depth, 1024);
    // Written back, the indent stops growing, so no line gets near the
    // 1023 characters of a read, and the file reads back the same.
    const std::string out = SerializeModel(m);
    std::size_t longest = 0;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find("\r\n", at);
        longest = std::max(longest, end - at);
        at = end + 2;
    }
    EXPECT_LT(longest, 400u);
    EXPECT_NE(out.find(std::string(127, '\t') + "<BONE_NAME>n1000\r\n"), std::string::npos);
    CModel back;
    (void)ParseModel(back, out);
    EXPECT_EQ(SerializeModel(back), out);
}

TEST(MdlRobustness, LinesBeforeTheBoneNameHaveNoBone) {
    const std::string text = Crlf(
        "<BONE>\n<BONE_ID>lost\n<BONE_TYPE>4\n<INV_BIND_MATRIX>\n9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9\n"
        "<BONE_NAME>a\n<CHILD_COUNT>0\n"
        "<BONE>\n<CHILD_COUNT>1\n<BONE_NAME>orphan\n<CHILD_COUNT>0\n"
        "<BONE>\n<BONE_NAME>z\n<CHILD_COUNT>0\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.rootBones.Count(), 2);
    CBone* a = m.rootBones[0];
    EXPECT_EQ(a->name.ToUtf8(), "a");
    EXPECT_EQ(a->id.Length(), 0);
    EXPECT_EQ(a->boneType, BoneType::Other);
    EXPECT_EQ(a->invBindMatrix[0], 1.0f);
    EXPECT_EQ(m.rootBones[1]->name.ToUtf8(), "z");
}

TEST(MdlRobustness, RepeatedTagsOverwriteOrAppend) {
    const std::string text = Crlf(
        "<GEOMETRY_BEGIN>\n<GEOMETRY_ID>first\n<GEOMETRY_ID>second\n"
        "<POLYGON_DATA_BEGIN>\n<VERTEX_INDEX_COUNT>2\n1 2\n<VERTEX_INDEX_COUNT>1\n3\n<POLYGON_DATA_END>\n"
        "<FLOAT_ARRAY_BEGIN>\n<FLOAT_ARRAY_FLOAT_COUNT>2\n<FLOAT_ARRAY_COUNT>1\n<FLOAT_ARRAY>\n1 2\n"
        "<FLOAT_ARRAY>\n3 4\n<FLOAT_ARRAY_END>\n<GEOMETRY_END>\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.geometries.Count(), 1);
    EXPECT_EQ(m.geometries[0]->id.ToUtf8(), "second");
    const CPolygonData* p = m.geometries[0]->polygonData[0];
    ASSERT_EQ(p->vertexIndices.Count(), 3);
    EXPECT_EQ(p->vertexIndices[2], 3);
    const CArray* v = m.geometries[0]->floatArrays[0]->values.get();
    ASSERT_EQ(v->Count(), 1);
    EXPECT_EQ(static_cast<const float*>(v->GetAt(0))[0], 3.0f);
}

TEST(MdlRobustness, NumbersThatAreNoNumbersReadAsZero) {
    const std::string text = Crlf(
        "<MATERIAL_BEGIN>\n<DIFFUSE>\nabc 0.5x\n<MATERIAL_END>\n"
        "<GEOMETRY_BEGIN>\n<VERTEX_COUNT>many\n<GEOMETRY_END>\n");
    CModel m;
    (void)ParseModel(m, text);
    ASSERT_EQ(m.materials.Count(), 1);
    EXPECT_EQ(m.materials[0]->diffuse[0], 0.0f);
    EXPECT_EQ(m.materials[0]->diffuse[1], 0.5f);
    EXPECT_EQ(m.materials[0]->diffuse[2], 0.0f);  // missing numbers too
    EXPECT_EQ(m.geometries[0]->vertexCount, 0);
}

// A file cut off anywhere reads as a model only when the cut left the whole
// model (the blank lines at the end aside); otherwise the read fails.
TEST(MdlRobustness, ACutOffFileIsNoModel) {
    const std::string full = SampleText();
    CModel whole;
    ASSERT_TRUE(ParseModel(whole, full));
    const std::string expected = SerializeModel(whole);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        CModel m;
        if (ParseModel(m, std::string_view(full).substr(0, cut))) {
            EXPECT_EQ(SerializeModel(m), expected) << cut;
        }
    }
}
