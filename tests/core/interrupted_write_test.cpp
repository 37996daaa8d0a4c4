// A write that dies half-way (killed, or stopped by the file-size limit) must
// leave the file it was replacing exactly as it was.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "collada/collada.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"

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
    const int status = RunWithFileSizeLimit(1 << 20, [&] { WriteFileAtomically(path, fresh); });
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was meant to die in the middle of its write";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
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
            for (;;) WriteFileAtomically(path, fresh);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string now = ReadWholeFile(path).value_or("");
        EXPECT_TRUE(now == old || now == fresh) << "a file of " << now.size() << " bytes";
    }
}
