// Readers take regular files only: a FIFO, a folder or a device is refused
// at once with a reason, never read until memory runs out or waited on.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "test_files.h"
#include "tests/core/status_util.h"

TEST(SpecialFiles, OnlyRegularFilesWithinTheLimitAreRead) {
    ScratchDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir / "zero-link").c_str()), 0);
    WriteFileBytes(dir / "big", "");
    ASSERT_EQ(::truncate((dir / "big").c_str(), (2 << 20) + 1), 0);  // sparse
    WriteFileBytes(dir / "small", "x");
    const struct {
        std::string path;
        const char* why;  // empty: read
    } cases[] = {{dir / "fifo", "not a regular file"},
                 {dir / "zero-link", "not a regular file"},
                 {"/dev/zero", "not a regular file"},
                 {dir.Path().string(), "is a folder, not a file"},
                 {dir / "missing", "No such file or directory"},
                 {dir / "big", "larger than 2 MB"},
                 {dir / "small", ""}};
    for (const auto& c : cases) {
        const auto bytes = ReadWholeFile(c.path, 2 << 20);
        EXPECT_EQ(bytes.IsOk(), *c.why == '\0') << c.path;
        EXPECT_EQ(bytes.Why(), c.why) << c.path;
    }
}

TEST(SpecialFiles, TextWithoutATagIsNoModelOrAnimation) {
    ScratchDir dir;
    WriteFileBytes(dir / "README", "Vorland\n\nA viewer of models.\n");
    WriteFileBytes(dir / "walk.dae", "<?xml version=\"1.0\"?>\n<COLLADA><asset/></COLLADA>\n");
    for (const char* name : {"README", "walk.dae"}) {
        CModel model;
        std::string why;
        EXPECT_FALSE(Kept(ReadModel(model, dir / name), why));
        EXPECT_EQ(why, "not a model file");
        EXPECT_FALSE(Kept(ReadAnimation(model, dir / name, false), why));
        EXPECT_EQ(why, "not an animation file");
        EXPECT_EQ(model.animations.Count(), 0);
    }
}
