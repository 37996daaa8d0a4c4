// A write that dies half-way (killed, or stopped by the file-size limit) must
// leave the file it was replacing exactly as it was.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "collada/collada.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "tests/core/status_util.h"

namespace fs = std::filesystem;

namespace {

class InterruptedWrite : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorland-interrupt-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Names in the folder other than `keep`: temporary files a killed writer
    // could not remove. They never carry the target's name.
    int OthersThan(const std::string& keep) const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir_)) n += e.path().filename() != keep;
        return n;
    }

    fs::path dir_;
};

// Runs `work` in a child whose files may not grow beyond `limit` bytes, so the
// kernel stops it with SIGXFSZ in the middle of its write. Returns the status.
int RunWithFileSizeLimit(rlim_t limit, const std::function<void()>& work) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
        rlimit fsize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fsize);
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::string Pattern(std::size_t size, char seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i % 61);
    return s;
}

}  // namespace

TEST_F(InterruptedWrite, WriterStoppedMidFileLeavesTheOldFile) {
    const std::string path = Path("model.mdl");
    const std::string old = Pattern(300000, 'a');
    ASSERT_TRUE(WriteFileAtomically(path, old));

    const std::string fresh = Pattern(8 << 20, 'A');
    // The limit fails the write with its reason; the process lives on.
    const int status = RunWithFileSizeLimit(1 << 20, [&] {
        std::string why;
        _exit(!Kept(WriteFileAtomically(path, fresh), why) && why == "File too large" ? 7 : 0);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(ReadWholeFile(path).value_or(""), old);

    // The next complete write replaces it.
    ASSERT_TRUE(WriteFileAtomically(path, fresh));
    EXPECT_EQ(ReadWholeFile(path).value_or(""), fresh);
}

TEST_F(InterruptedWrite, FailedWriteRemovesItsTemporaryFile) {
    const std::string path = Path("model.mdl");
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    // SIGXFSZ ignored: write() fails with EFBIG and the writer reports it.
    const int status = RunWithFileSizeLimit(4096, [&] {
        signal(SIGXFSZ, SIG_IGN);
        _exit(WriteFileAtomically(path, Pattern(1 << 20, 'x')) ? 0 : 7);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(ReadWholeFile(path).value_or(""), "old");
    EXPECT_EQ(OthersThan("model.mdl"), 0);
}

TEST_F(InterruptedWrite, WriteIntoAMissingFolderFailsCleanly) {
    EXPECT_FALSE(WriteFileAtomically(Path("no/such/folder/model.mdl"), "x"));
}

TEST_F(InterruptedWrite, NewFilesFollowTheUmaskWithoutChangingIt) {
    const mode_t previous = ::umask(022);
    ASSERT_TRUE(WriteFileAtomically(Path("a.mdl"), "x"));
    const mode_t now = ::umask(previous);
    EXPECT_EQ(now, 022u);
    struct stat st {};
    ASSERT_EQ(::stat(Path("a.mdl").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(InterruptedWrite, KilledAtAnyMomentTheFileIsOldOrNewNeverPartial) {
    const std::string path = Path("model.mdl");
    const std::string old = Pattern(200000, 'a');
    const std::string fresh = Pattern(16 << 20, 'A');
    for (int delayUs : {0, 200, 1000, 3000, 10000, 30000}) {
        SCOPED_TRACE(delayUs);
        ASSERT_TRUE(WriteFileAtomically(path, old));
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) (void)WriteFileAtomically(path, fresh);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string now = ReadWholeFile(path).value_or("");
        EXPECT_TRUE(now == old || now == fresh) << "a file of " << now.size() << " bytes";
    }
}

// The tool itself, killed while it writes the .mdl of a large model.
namespace {

const std::string kLargeModel = std::string(VORLAND_CORPUS_DIR) + "/blender/collada-demo-animated-male.dae";
const std::string kSmallModel = std::string(VORLAND_CORPUS_DIR) + "/blender/animated-blender-cube.dae";

// Starts `vorland-cli convert in out` with stdout/stderr silenced; `limit`
// (when non-zero) caps the size of any file it writes.
pid_t StartConvert(const std::string& in, const std::string& out, rlim_t limit) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        rlimit core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
        if (limit) {
            rlimit fsize{limit, limit};
            setrlimit(RLIMIT_FSIZE, &fsize);
        }
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execl(VORLAND_CLI, VORLAND_CLI, "convert", in.c_str(), out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Size of a temporary file process `pid` is writing in `folder`, 0 if none:
// the writer's temporary files have no name, so they are found among its
// open files.
std::uintmax_t TemporaryOf(pid_t pid, const fs::path& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        const std::string target = fs::read_symlink(e.path(), ec).string();
        if (target.rfind(folder.string() + "/", 0) == 0 && target.find("(deleted)") != std::string::npos) {
            struct stat st {};
            if (::stat(e.path().c_str(), &st) == 0) return static_cast<std::uintmax_t>(st.st_size);
        }
    }
    return 0;
}

}  // namespace

TEST_F(InterruptedWrite, ConvertStoppedMidModelLeavesTheOldModel) {
    ASSERT_TRUE(fs::exists(kLargeModel) && fs::exists(kSmallModel)) << "missing test data in " << VORLAND_CORPUS_DIR;
    const std::string out = Path("figure");
    // The size of the complete new file, from a run that is not stopped.
    ASSERT_EQ(Wait(StartConvert(kLargeModel, Path("reference"), 0)), 0);
    const auto fullSize = fs::file_size(Path("reference.mdl"));
    ASSERT_GT(fullSize, 1u << 20);

    ASSERT_EQ(Wait(StartConvert(kSmallModel, out, 0)), 0);
    const std::string old = ReadWholeFile(out + ".mdl").value_or("");
    ASSERT_FALSE(old.empty());

    const int status = Wait(StartConvert(kLargeModel, out, fullSize / 2));
    ASSERT_TRUE(WIFEXITED(status)) << "convert was meant to fail half-way through its .mdl";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadWholeFile(out + ".mdl").value_or(""), old);

    // Unhindered, the same command replaces it with the complete model.
    ASSERT_EQ(Wait(StartConvert(kLargeModel, out, 0)), 0);
    EXPECT_EQ(ReadWholeFile(out + ".mdl").value_or(""), ReadWholeFile(Path("reference.mdl")).value_or(""));
}

TEST_F(InterruptedWrite, ConvertKilledWhileWritingLeavesTheOldModel) {
    ASSERT_TRUE(fs::exists(kLargeModel) && fs::exists(kSmallModel)) << "missing test data in " << VORLAND_CORPUS_DIR;
    const std::string out = Path("figure");
    ASSERT_EQ(Wait(StartConvert(kLargeModel, Path("reference"), 0)), 0);
    const std::string fresh = ReadWholeFile(Path("reference.mdl")).value_or("");
    ASSERT_EQ(Wait(StartConvert(kSmallModel, out, 0)), 0);
    const std::string old = ReadWholeFile(out + ".mdl").value_or("");

    int caughtWriting = 0;
    for (int attempt = 0; attempt < 20 && caughtWriting < 3; ++attempt) {
        const pid_t pid = StartConvert(kLargeModel, out, 0);
        // Kill it as soon as its temporary .mdl has some bytes in it.
        bool writing = false;
        int status = 0;
        while (!writing && waitpid(pid, &status, WNOHANG) == 0) writing = TemporaryOf(pid, dir_) > 0;
        if (writing) {
            kill(pid, SIGKILL);
            Wait(pid);
            ++caughtWriting;
        }
        const std::string now = ReadWholeFile(out + ".mdl").value_or("");
        ASSERT_TRUE(now == old || now == fresh) << "a .mdl of " << now.size() << " bytes after attempt " << attempt;
        if (now == fresh) {
            // It finished before the kill: start again from the old model.
            ASSERT_TRUE(WriteFileAtomically(out + ".mdl", old));
        }
    }
    EXPECT_GT(caughtWriting, 0) << "never caught the tool in the middle of its write";
}

// What the writes leave behind and keep: no temporary file after a kill, a
// pair written together or not at all, links and permissions kept.
TEST_F(InterruptedWrite, KilledWritersLeaveNoTemporaryFile) {
    const std::string path = Path("model.mdl");
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    for (int signal : {SIGKILL, SIGTERM}) {
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            for (;;) (void)WriteFileAtomically(path, Pattern(4 << 20, 'A'));
        }
        while (TemporaryOf(pid, dir_) == 0) std::this_thread::yield();
        kill(pid, signal);
        waitpid(pid, nullptr, 0);
        EXPECT_EQ(OthersThan("model.mdl"), 0) << signal;
    }
}

TEST_F(InterruptedWrite, APairIsReplacedOnlyWhenBothAreComplete) {
    ASSERT_TRUE(WriteFilesAtomically({{Path("a.mdl"), "old model"}, {Path("a.ani"), "old animation"}}));
    // Room for the model, not for the animation.
    const int status = RunWithFileSizeLimit(1 << 20, [&] {
        _exit(WriteFilesAtomically({{Path("a.mdl"), "new"}, {Path("a.ani"), Pattern(2 << 20, 'x')}}) ? 0 : 7);
    });
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(ReadWholeFile(Path("a.mdl")).value_or(""), "old model");
    EXPECT_EQ(ReadWholeFile(Path("a.ani")).value_or(""), "old animation");
    EXPECT_EQ(OthersThan("a.mdl") + OthersThan("a.ani"), 2);
}

TEST_F(InterruptedWrite, ReplacedFilesKeepTheirLinksAndPermissions) {
    ASSERT_TRUE(WriteFileAtomically(Path("target.ini"), "old"));
    ASSERT_EQ(::chmod(Path("target.ini").c_str(), 0604), 0);
    fs::create_symlink("target.ini", dir_ / "config.ini");
    fs::create_hard_link(dir_ / "target.ini", dir_ / "second.ini");
    // Each name written in turn; every name shows what was written last.
    for (const char* written : {"config.ini", "second.ini", "target.ini"}) {
        ASSERT_TRUE(WriteFileAtomically(Path(written), written));
        EXPECT_TRUE(fs::is_symlink(dir_ / "config.ini"));
        for (const char* name : {"config.ini", "second.ini", "target.ini"})
            EXPECT_EQ(ReadWholeFile(Path(name)).value_or(""), written) << name;
        struct stat st {};
        ASSERT_EQ(::stat(Path("target.ini").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0604u);
        EXPECT_EQ(st.st_nlink, 2u);
    }
}

TEST_F(InterruptedWrite, FailedWritesSayWhy) {
    std::string why;
    EXPECT_FALSE(Kept(WriteFileAtomically(Path("no/such/folder/model.mdl"), "x"), why));
    EXPECT_EQ(why, "No such file or directory");
    ASSERT_EQ(::mkfifo(Path("pipe.mdl").c_str(), 0600), 0);
    EXPECT_FALSE(Kept(WriteFileAtomically(Path("pipe.mdl"), "x"), why));
    EXPECT_EQ(why, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.mdl"));
    EXPECT_FALSE(Kept(WriteFileAtomically(dir_.string(), "x"), why));
    EXPECT_EQ(why, "is a folder, not a file");
}
