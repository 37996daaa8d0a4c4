// Real Blender exports: their animations survive a trip through .ani, and
// their skeletons pose to finite matrices over the whole animation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "collada/collada.h"
#include "model/ani_file.h"
#include "model/animation.h"
#include "model/model.h"
#include "model/render_model.h"
#include "platform/text.h"
#include "tests/core/status_util.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> BlenderFiles() {
    std::vector<std::string> files;
    const fs::path dir = fs::path(VORLAND_CORPUS_DIR) / "blender";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.path().extension() == ".dae") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

bool Import(CModel& model, const std::string& path) {
    CName ext;
    ext.SetAscii(".dae");
    std::string error;
    const bool ok = Kept(LoadCollada(model, path, ext), error);
    EXPECT_TRUE(ok) << path << ": " << error;
    return ok;
}

std::string Fixed6(float v) {
    std::string s;
    AppendFixed6(s, v);
    return s;
}

}  // namespace

TEST(AniCorpus, BlenderAnimationsSurviveAWriteAndARead) {
    const auto files = BlenderFiles();
    ASSERT_FALSE(files.empty()) << "missing test data in " << VORLAND_CORPUS_DIR;
    int channels = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        CModel model;
        if (!Import(model, path) || model.animations.Count() == 0) continue;
        std::string bytes;
        ASSERT_TRUE(SerializeAnimation(model, model.name, bytes));
        ASSERT_TRUE(ParseAnimation(model, bytes));
        const CAnimation* src = model.animations[0];
        const CAnimation* back = model.animations[model.animations.Count() - 1];
        ASSERT_EQ(back->channels.Count(), src->channels.Count());
        for (int c = 0; c < src->channels.Count(); ++c) {
            const CAnimationChannel* a = src->channels[c];
            const CAnimationChannel* b = back->channels[c];
            EXPECT_TRUE(a->targetId == b->targetId);
            EXPECT_EQ(a->bone, b->bone);
            ASSERT_EQ(a->keyTimes.Count(), b->keyTimes.Count());
            ASSERT_EQ(a->poseMatrices.Count(), b->poseMatrices.Count());
            for (int k = 0; k < a->keyTimes.Count(); ++k) EXPECT_EQ(Fixed6(a->keyTimes[k]), Fixed6(b->keyTimes[k]));
            for (int k = 0; k < a->poseMatrices.Count(); ++k)
                for (int i = 0; i < 16; ++i)
                    EXPECT_EQ(Fixed6(a->poseMatrices[k].m[i]), Fixed6(b->poseMatrices[k].m[i]));
            ++channels;
        }
    }
    EXPECT_GT(channels, 0);
}

TEST(AniCorpus, BlenderSkeletonsPoseToFiniteMatricesThroughTheAnimation) {
    const auto files = BlenderFiles();
    ASSERT_FALSE(files.empty()) << "missing test data in " << VORLAND_CORPUS_DIR;
    int posed = 0;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        CModel model;
        if (!Import(model, path)) continue;
        CRenderModel rm;
        ASSERT_TRUE(rm.CopyBones(model));
        ASSERT_TRUE(rm.CopyAnimations(model));
        ASSERT_EQ(rm.bones.Count(), model.bones.Count());
        ASSERT_EQ(rm.animations.Count(), model.animations.Count());
        if (rm.animations.Count() == 0 || rm.rootBones.Count() == 0) continue;
        // Three display ticks per frame until the animation wraps (or 20 s).
        for (int frame = 0; frame < 1250; ++frame) {
            ASSERT_TRUE(rm.UpdatePose());
            for (const CRenderBone* b : rm.bones)
                for (int i = 0; i < 16; ++i) ASSERT_TRUE(std::isfinite(b->pose.Data()[i])) << "frame " << frame;
            const std::uint32_t before = rm.frameCounter;
            rm.frameCounter += 3;
            if (frame > 0 && before == 0) break;
        }
        ++posed;
    }
    EXPECT_GT(posed, 0);
}
