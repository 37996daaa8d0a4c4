// The .ani animation text file: layout written, tags read, failures.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "test_files.h"
#include "model/ani_file.h"
#include "model/animation.h"
#include "model/model.h"
#include "platform/file_io.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

CName Ascii(const char* s) {
    CName n;
    n.SetAscii(s);
    return n;
}

CName Utf16(std::u16string_view s) { return CName(s); }

CAnimationChannel* AddChannel(CAnimation& a, const CName& target, std::initializer_list<float> times) {
    auto* c = a.channels.AddNew();
    c->targetId = target;
    float k = 0;
    for (float t : times) {
        c->keyTimes.Add(t);
        CMatrixValue m{};
        for (int i = 0; i < 16; ++i) m.m[i] = k * 16 + static_cast<float>(i) * 0.125f - 1.0f;
        c->poseMatrices.Add(m);
        k += 1;
    }
    return c;
}

// A model "Room" with one two-channel animation.
void FillModel(CModel& model) {
    model.name = Ascii("Room");
    auto* a = model.animations.AddNew();
    a->id = Ascii("inner");
    AddChannel(*a, Ascii("Hip"), {0.0f, 0.5f});
    AddChannel(*a, Ascii("Arm"), {0.25f, 1.0f, 2.0f});
}

std::string Fixed6(float v) {
    std::string s;
    AppendFixed6(s, v);
    return s;
}

}  // namespace

TEST(AniWrite, ProducesTheExactLayoutInCrLf) {
    CModel model;
    model.name = Ascii("Room");
    auto* a = model.animations.AddNew();
    auto* c = a->channels.AddNew();
    c->targetId = Ascii("Hip");
    c->keyTimes.Add(0.0f);
    c->keyTimes.Add(1.5f);
    CMatrixValue m{};
    for (int i = 0; i < 16; ++i) m.m[i] = i == 3 ? -2.25f : static_cast<float>(i % 5 == 0);
    c->poseMatrices.Add(m);
    c->poseMatrices.Add(m);

    std::string bytes;
    ASSERT_TRUE(SerializeAnimation(model, Ascii("Walk"), bytes));
    const std::string row =
        "1.000000 0.000000 0.000000 -2.250000 0.000000 1.000000 0.000000 0.000000 "
        "0.000000 0.000000 1.000000 0.000000 0.000000 0.000000 0.000000 1.000000 \r\n";
    const std::string expected =
        "[TARGET_MODEL_ID]\r\nRoom\r\n\r\n"
        "[ANIMATION_ID]\r\nWalk\r\n\r\n"
        "/////////////////////////// animation //////////////////////////\r\n\r\n"
        "<ANIMATION_BEGIN>\r\n<TARGET>Hip\r\n<KEY_TIME>\r\n0.000000 1.500000 \r\n<POSE_MATRIX>\r\n" +
        row + row + "<POSE_MATRIX_END>\r\n<ANIMATION_END>\r\n\r\n";
    EXPECT_EQ(bytes, expected);
}

TEST(AniWrite, NamesAreWrittenInCp932) {
    CModel model;
    FillModel(model);
    model.name = Utf16(u"\u548c\u5ba4");  // 和室
    std::string bytes;
    ASSERT_TRUE(SerializeAnimation(model, Ascii("x"), bytes));
    EXPECT_EQ(bytes.substr(0, 27), "[TARGET_MODEL_ID]\r\n\x98\x61\x8e\xba\r\n\r\n");
}

TEST(AniWrite, AppendsTheExtensionUnlessThePathEndsInIt) {
    ScratchDir dir;
    CModel model;
    FillModel(model);
    EXPECT_TRUE(WriteAnimation(model, Ascii("a"), (dir / "walk")));
    EXPECT_TRUE(fs::exists(dir / "walk.ani"));
    EXPECT_FALSE(fs::exists(dir / "walk"));
    EXPECT_TRUE(WriteAnimation(model, Ascii("a"), (dir / "run.ani")));
    EXPECT_TRUE(fs::exists(dir / "run.ani"));
    EXPECT_FALSE(fs::exists(dir / "run.ani.ani"));
    // The comparison is case-sensitive.
    EXPECT_TRUE(WriteAnimation(model, Ascii("a"), (dir / "jump.ANI")));
    EXPECT_TRUE(fs::exists(dir / "jump.ANI.ani"));
}

TEST(AniWrite, WritesTheFirstAnimation) {
    CModel model;
    FillModel(model);
    auto* second = model.animations.AddNew();
    AddChannel(*second, Ascii("Other"), {9.0f});
    std::string bytes;
    ASSERT_TRUE(SerializeAnimation(model, Ascii("id"), bytes));
    EXPECT_NE(bytes.find("<TARGET>Hip"), std::string::npos);
    EXPECT_EQ(bytes.find("<TARGET>Other"), std::string::npos);
}

TEST(AniWrite, WithoutAnimationsFailsAndLeavesTheFileAlone) {
    ScratchDir dir;
    CModel empty;
    empty.name = Ascii("Room");
    const std::string existing = (dir / "keep.ani");
    ASSERT_TRUE(WriteFileAtomically(existing, "old contents"));
    EXPECT_FALSE(WriteAnimation(empty, Ascii("a"), existing));
    EXPECT_EQ(ReadWholeFile(existing).value_or(""), "old contents");
    EXPECT_FALSE(WriteAnimation(empty, Ascii("a"), (dir / "new")));
    EXPECT_FALSE(fs::exists(dir / "new.ani"));
    std::string out = "untouched";
    EXPECT_FALSE(SerializeAnimation(empty, Ascii("a"), out));
}

TEST(AniWrite, FailsWhenTheFileCannotBeCreated) {
    ScratchDir dir;
    CModel model;
    FillModel(model);
    EXPECT_FALSE(WriteAnimation(model, Ascii("a"), (dir / "missing-folder/walk.ani")));
}

TEST(AniRoundTrip, KeyTimesAndMatricesComeBackToSixDecimals) {
    ScratchDir dir;
    CModel model;
    model.name = Ascii("Room");
    auto* a = model.animations.AddNew();
    auto* c = a->channels.AddNew();
    c->targetId = Utf16(u"\u30dc\u30fc\u30f3");  // ボーン: its ー has '[' as trail byte
    const float times[] = {0.0f, 0.0416667f, 1.2345678f, 33.333333f, 1234.5678f};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-500.0f, 500.0f);
    for (float t : times) {
        c->keyTimes.Add(t);
        CMatrixValue m{};
        for (float& v : m.m) v = dist(rng);
        m.m[5] = -0.0000004f;
        c->poseMatrices.Add(m);
    }
    auto* bone = model.NewBone();
    bone->id = c->targetId;
    model.bones.Add(bone);

    ASSERT_TRUE(WriteAnimation(model, Utf16(u"\u6b69\u304f"), (dir / "walk")));
    ASSERT_TRUE(ReadAnimation(model, (dir / "walk.ani")));
    ASSERT_EQ(model.animations.Count(), 2);
    const CAnimation* back = model.animations[1];
    EXPECT_TRUE(back->id == Utf16(u"\u6b69\u304f"));
    ASSERT_EQ(back->channels.Count(), 1);
    const CAnimationChannel* r = back->channels[0];
    EXPECT_TRUE(r->targetId == c->targetId);
    EXPECT_EQ(r->bone, bone);
    ASSERT_EQ(r->keyTimes.Count(), c->keyTimes.Count());
    ASSERT_EQ(r->poseMatrices.Count(), c->poseMatrices.Count());
    for (int k = 0; k < c->keyTimes.Count(); ++k) {
        EXPECT_EQ(Fixed6(r->keyTimes[k]), Fixed6(c->keyTimes[k])) << "key " << k;
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(Fixed6(r->poseMatrices[k].m[i]), Fixed6(c->poseMatrices[k].m[i]))
                << "key " << k << " element " << i;
    }
}

TEST(AniRead, FileForAnotherModelFailsAndAddsNothing) {
    CModel writer;
    FillModel(writer);
    std::string bytes;
    ASSERT_TRUE(SerializeAnimation(writer, Ascii("a"), bytes));
    CModel other;
    other.name = Ascii("Garden");
    EXPECT_FALSE(ParseAnimation(other, bytes));
    EXPECT_EQ(other.animations.Count(), 0);
    // Without the check (the command-line tool) it is read.
    EXPECT_TRUE(ParseAnimation(other, bytes, false));
    EXPECT_EQ(other.animations.Count(), 1);
}

TEST(AniRead, FileWithoutTargetLineIsAcceptedForAnyModel) {
    CModel model;
    model.name = Ascii("Anything");
    EXPECT_TRUE(ParseAnimation(model, "<ANIMATION_BEGIN>\n<TARGET>b\n<ANIMATION_END>\n"));
    ASSERT_EQ(model.animations.Count(), 1);
    EXPECT_EQ(model.animations[0]->channels.Count(), 1);
}

TEST(AniRead, CheckComparesTheWholeLine) {
    CModel model;
    model.name = Ascii("Room");
    EXPECT_FALSE(ParseAnimation(model, "[TARGET_MODEL_ID]\nRoo\n"));
    EXPECT_FALSE(ParseAnimation(model, "[TARGET_MODEL_ID]\nroom\n"));
    EXPECT_FALSE(ParseAnimation(model, "[TARGET_MODEL_ID]\nRoom extra words\n"));
    model.name = Ascii("my model");  // names hold blanks
    EXPECT_TRUE(ParseAnimation(model, "[TARGET_MODEL_ID]\r\nmy model\r\n"));
    // An unnamed model writes an empty line and reads it back.
    CModel unnamed;
    EXPECT_TRUE(ParseAnimation(unnamed, "[TARGET_MODEL_ID]\n\n\n"));
    EXPECT_FALSE(ParseAnimation(unnamed, "[TARGET_MODEL_ID]\nRoom\n"));
}

TEST(AniRead, UnknownTargetKeepsTheChannelWithoutBone) {
    CModel model;
    FillModel(model);
    auto* hip = model.NewBone();
    hip->id = Ascii("Hip");
    model.bones.Add(hip);
    std::string bytes;
    ASSERT_TRUE(SerializeAnimation(model, Ascii("a"), bytes));
    ASSERT_TRUE(ParseAnimation(model, bytes));
    const CAnimation* a = model.animations[1];
    ASSERT_EQ(a->channels.Count(), 2);
    EXPECT_EQ(a->channels[0]->bone, hip);
    EXPECT_TRUE(a->channels[1]->targetId == Ascii("Arm"));
    EXPECT_EQ(a->channels[1]->bone, nullptr);
    EXPECT_EQ(a->channels[1]->keyTimes.Count(), 3);
}

TEST(AniRead, ReadingTwiceAppendsTwoAnimations) {
    ScratchDir dir;
    CModel model;
    FillModel(model);
    ASSERT_TRUE(WriteAnimation(model, Ascii("a"), (dir / "x.ani")));
    EXPECT_TRUE(ReadAnimation(model, (dir / "x.ani")));
    EXPECT_TRUE(ReadAnimation(model, (dir / "x.ani")));
    EXPECT_EQ(model.animations.Count(), 3);
    EXPECT_NE(model.animations[1], model.animations[2]);
}

TEST(AniRead, MissingFileFailsAndChangesNothing) {
    ScratchDir dir;
    CModel model;
    EXPECT_FALSE(ReadAnimation(model, (dir / "nothing.ani")));
    EXPECT_EQ(model.animations.Count(), 0);
}

TEST(AniRead, FileWithoutChannelsStillAddsAnAnimation) {
    CModel model;
    EXPECT_FALSE(ParseAnimation(model, ""));  // no tag at all: no animation file
    EXPECT_TRUE(ParseAnimation(model, "[ANIMATION_ID]\nWalk\n\n"));
    ASSERT_EQ(model.animations.Count(), 1);
    EXPECT_EQ(model.animations[0]->channels.Count(), 0);
    EXPECT_TRUE(model.animations[0]->id == Ascii("Walk"));
}

TEST(AniRead, ChannelCutOffByTheEndOfFileIsDropped) {
    CModel model;
    EXPECT_TRUE(ParseAnimation(model,
                               "<ANIMATION_BEGIN>\n<TARGET>a\n<ANIMATION_END>\n"
                               "<ANIMATION_BEGIN>\n<TARGET>b\n<KEY_TIME>\n1 2\n"));
    ASSERT_EQ(model.animations.Count(), 1);
    ASSERT_EQ(model.animations[0]->channels.Count(), 1);
    EXPECT_TRUE(model.animations[0]->channels[0]->targetId == Ascii("a"));
    // A pose list without its end tag runs to the end of the file.
    EXPECT_TRUE(ParseAnimation(model, "<ANIMATION_BEGIN>\n<POSE_MATRIX>\n1 2 3\n<ANIMATION_END>\n"));
    EXPECT_EQ(model.animations[1]->channels.Count(), 0);
}

TEST(AniRead, TagsOutsideAChannelAreSkipped) {
    CModel model;
    EXPECT_TRUE(ParseAnimation(model,
                               "<TARGET>lost\n<KEY_TIME>\n1 2 3\n<POSE_MATRIX>\n1 1 1\n<POSE_MATRIX_END>\n"
                               "<ANIMATION_BEGIN>\n<TARGET>kept\n<KEY_TIME>\n4\n<ANIMATION_END>\n"
                               "<ANIMATION_END>\n<KEY_TIME>\n5\n"));
    const CAnimation* a = model.animations[0];
    ASSERT_EQ(a->channels.Count(), 1);  // the second end tag appends nothing
    EXPECT_TRUE(a->channels[0]->targetId == Ascii("kept"));
    ASSERT_EQ(a->channels[0]->keyTimes.Count(), 1);
    EXPECT_EQ(a->channels[0]->keyTimes[0], 4.0f);
    EXPECT_EQ(a->channels[0]->poseMatrices.Count(), 0);
}

TEST(AniRead, ShortPoseLinesAndBadNumbers) {
    CModel model;
    ASSERT_TRUE(ParseAnimation(model,
                               "<ANIMATION_BEGIN>\n<KEY_TIME>\n\n<POSE_MATRIX>\n"
                               "1.5 2 abc 4\n"
                               "\n"
                               "\t7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24\n"
                               "<POSE_MATRIX_END>\n<ANIMATION_END>\n"));
    const CAnimationChannel* c = model.animations[0]->channels[0];
    EXPECT_EQ(c->keyTimes.Count(), 0);  // an empty key-time line adds no key
    ASSERT_EQ(c->poseMatrices.Count(), 3);
    const float* m0 = c->poseMatrices[0].m;
    EXPECT_EQ(m0[0], 1.5f);
    EXPECT_EQ(m0[1], 2.0f);
    EXPECT_EQ(m0[2], 0.0f);  // not a number
    EXPECT_EQ(m0[3], 4.0f);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(m0[i], 0.0f);
    for (float v : c->poseMatrices[1].m) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(c->poseMatrices[2].m[0], 7.0f);    // a leading tab is skipped
    EXPECT_EQ(c->poseMatrices[2].m[15], 22.0f);  // numbers past 16 are ignored
}

TEST(AniRead, AcceptsLfAndCrLfLineEnds) {
    const char* lf = "[TARGET_MODEL_ID]\nM\n<ANIMATION_BEGIN>\n<TARGET>b\n<KEY_TIME>\n1 2\n<ANIMATION_END>\n";
    CModel model;
    model.name = Ascii("M");
    ASSERT_TRUE(ParseAnimation(model, lf));
    ASSERT_TRUE(ParseAnimation(model, ToCrLf(lf)));
    for (const CAnimation* a : model.animations) {
        ASSERT_EQ(a->channels.Count(), 1);
        EXPECT_TRUE(a->channels[0]->targetId == Ascii("b"));
        EXPECT_EQ(a->channels[0]->keyTimes.Count(), 2);
    }
}

TEST(AniRead, KeyTimeLineIsCutAt39999Bytes) {
    // 4000 keys of 12 bytes each: 3333 fit whole, the 3334th is cut after
    // three of its bytes ("433" of "4333.500000"), the rest is skipped.
    std::string keys;
    for (int i = 1000; i < 5000; ++i) {
        AppendInt(keys, i);
        keys += ".500000 ";
    }
    const std::string file =
        "<ANIMATION_BEGIN>\n<KEY_TIME>\n" + keys + "\n<POSE_MATRIX>\n1\n<POSE_MATRIX_END>\n<ANIMATION_END>\n";
    CModel model;
    ASSERT_TRUE(ParseAnimation(model, file));
    const CAnimationChannel* c = model.animations[0]->channels[0];
    ASSERT_EQ(c->keyTimes.Count(), 3334);
    EXPECT_EQ(c->keyTimes[0], 1000.5f);
    EXPECT_EQ(c->keyTimes[3332], 4332.5f);
    EXPECT_EQ(c->keyTimes[3333], 433.0f);
    ASSERT_EQ(c->poseMatrices.Count(), 1);  // the tags after the long line still count
    EXPECT_EQ(c->poseMatrices[0].m[0], 1.0f);
}

TEST(AniRead, JapaneseNamesSurviveTheTagDelimiters) {
    // ゼ and ゾ end in the bytes of '[' and ']'; they must not split the name.
    CModel model;
    model.name = Utf16(u"\u548c\u5ba4");
    auto* bone = model.NewBone();
    bone->id = Utf16(u"\u30bc\u30be");
    model.bones.Add(bone);
    const std::string file =
        "[TARGET_MODEL_ID]\r\n\x98\x61\x8e\xba\r\n\r\n[ANIMATION_ID]\r\n\x83\x5b\x83\x5d\r\n"
        "<ANIMATION_BEGIN>\r\n<TARGET>\x83\x5b\x83\x5d\r\n<ANIMATION_END>\r\n";
    ASSERT_TRUE(ParseAnimation(model, file));
    const CAnimation* a = model.animations[0];
    EXPECT_TRUE(a->id == Utf16(u"\u30bc\u30be"));
    ASSERT_EQ(a->channels.Count(), 1);
    EXPECT_EQ(a->channels[0]->bone, bone);
}

TEST(AniRead, DamagedFilesNeverCrash) {
    CModel writer;
    FillModel(writer);
    std::string good;
    ASSERT_TRUE(SerializeAnimation(writer, Ascii("a"), good));
    std::mt19937 rng(12345);
    CModel model;
    model.name = Ascii("Room");
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % (bytes.size() + 1);
            switch (rng() % 4) {
                case 0:
                    if (at < bytes.size()) bytes[at] = static_cast<char>(rng());
                    break;
                case 1: bytes.insert(at, 1, "\n\r<>[] \x83\x81\0"[rng() % 11]); break;
                case 2: bytes.erase(at, rng() % 40); break;
                default: bytes.insert(at, bytes.substr(rng() % bytes.size(), rng() % 200)); break;
            }
        }
        accepted += ParseAnimation(model, bytes) ? 1 : 0;
    }
    EXPECT_EQ(model.animations.Count(), accepted);
    EXPECT_GT(accepted, 0);
}

namespace {

// Runs the command-line tool; its exit status and standard output.
int RunCli(const std::string& args, std::string& out) {
    const std::string command = std::string(VORLAND_CLI) + " " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    out.clear();
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CliInfo, ReportsChannelsAndKeysOfAnAniFile) {
    ScratchDir dir;
    CModel model;
    FillModel(model);  // two channels, 2 + 3 keys, written for "Room"
    ASSERT_TRUE(WriteAnimation(model, Ascii("walk"), (dir / "walk")));
    std::string out;
    ASSERT_EQ(RunCli("info " + (dir / "walk.ani"), out), 0);
    // No target check: the tool has no model to compare with.
    EXPECT_NE(out.find("\"animations\": 1"), std::string::npos) << out;
    EXPECT_NE(out.find("\"channels\": 2"), std::string::npos) << out;
    EXPECT_NE(out.find("\"keys\": 5"), std::string::npos) << out;
    EXPECT_NE(out.find("\"bones\": 0"), std::string::npos) << out;
}

TEST(CliInfo, MissingAniFileIsAnError) {
    ScratchDir dir;
    std::string out;
    EXPECT_EQ(RunCli("info " + (dir / "none.ani"), out), 1);
    EXPECT_TRUE(out.empty());
}
