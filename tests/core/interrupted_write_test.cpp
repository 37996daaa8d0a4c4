// A write that dies half-way (killed, or stopped by the file-size limit) must
// leave the file it was replacing exactly as it was.
#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "collada/collada.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "test_files.h"
#include "tests/core/status_util.h"

namespace fs = std::filesystem;

namespace {

class InterruptedWrite : public ::testing::Test {
protected:
    void SetUp() override { dir_ = scratch_.Path(); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Names in the folder other than `keep`: temporary files a killed writer
    // could not remove. They never carry the target's name.
    int OthersThan(const std::string& keep) const {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir_)) n += e.path().filename() != keep;
        return n;
    }

    ScratchDir scratch_;
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
        const std::string now = ReadWholeFile(path).value_or("");
        EXPECT_TRUE(now == "old" || now == Pattern(4 << 20, 'A')) << signal << ": " << now.size() << " bytes";
        // A kill between two steps may leave a record; the next write settles it.
        ASSERT_TRUE(WriteFileAtomically(path, "old"));
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

// The tool killed after each step of its writes in turn (its fault
// injection): every pair is all old or all new, or has a commit record that
// `info` reports and the next run completes; no other name is left.
namespace {

// The tool's exit status through the shell: 137 when it was killed.
int Cli(const std::string& args, int killAtStep = 0) {
    int status = 0;
    RunCommand("VORLAND_CLI_KILL_AT_WRITE_STEP=" + std::to_string(killAtStep) + " " VORLAND_CLI " " + args + " 2>&1",
               &status);
    return status;
}

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        files[e.path().filename()] = ReadWholeFile(e.path()).value_or("?");
    return files;
}

}  // namespace

TEST_F(InterruptedWrite, ConvertKilledAfterAnyStepLeavesAWholeGroupOrOneTheNextRunCompletes) {
    const std::string blender = std::string(VORLAND_CORPUS_DIR) + "/blender/";
    const struct {
        std::vector<std::string> stems;  // inputs in the corpus, converted with --out-dir
        bool hardLinked;                 // the first .mdl has a second name outside the folder
    } cases[] = {{{"letter-f-animated"}, false},
                 {{"letter-f-animated", "two-skinned-cubes"}, false},
                 {{"two-skinned-cubes"}, true}};
    for (const auto& c : cases) {
        const fs::path base = dir_ / std::to_string(&c - cases);
        SCOPED_TRACE(base);
        const auto convert = [&](const fs::path& d) {
            std::string args = "convert";
            for (const std::string& stem : c.stems) args += " " + blender + stem + ".dae";
            return args + " --out-dir " + d.string();
        };
        for (const char* sub : {"new", "old"}) fs::create_directories(base / sub);
        ASSERT_EQ(Cli(convert(base / "new")), 0);
        for (const std::string& stem : c.stems)
            ASSERT_EQ(Cli("convert " + blender + "animated-blender-cube.dae " + (base / "old" / stem).string()), 0);
        const auto fresh = Snapshot(base / "new"), old = Snapshot(base / "old");
        int killed = 0;
        for (int step = 1; step < 100; ++step) {
            SCOPED_TRACE(step);
            const fs::path d = base / std::to_string(step), link = base / ("link" + std::to_string(step));
            fs::copy(base / "old", d);
            if (c.hardLinked) fs::create_hard_link(d / (c.stems[0] + ".mdl"), link);
            if (Cli(convert(d), step) != 137) {
                EXPECT_EQ(Snapshot(d), fresh);
                break;
            }
            ++killed;
            const auto now = Snapshot(d);
            for (const auto& [name, bytes] : now)
                EXPECT_TRUE(old.count(name) || name.ends_with(".vorland-pending") ||
                            name.ends_with(".vorland-commit") || name.ends_with(".vorland-new"))
                    << name;
            for (const std::string& stem : c.stems) {
                const std::string mdl = stem + ".mdl", ani = stem + ".ani";
                const bool unfinished = now.count(stem + ".vorland-commit") > 0;
                const auto same = [&](const auto& group) {
                    return now.at(mdl) == group.at(mdl) && now.at(ani) == group.at(ani);
                };
                EXPECT_TRUE(unfinished || same(old) || same(fresh)) << stem << ": a mixed pair";
                EXPECT_EQ(Cli("info " + (d / mdl).string()) == 0, !unfinished) << mdl;
                EXPECT_EQ(Cli("info " + (d / ani).string()) == 0, !unfinished) << ani;
            }
            // The next run leaves exactly the new group, in every name of a linked file.
            ASSERT_EQ(Cli(convert(d)), 0);
            EXPECT_EQ(Snapshot(d), fresh);
            EXPECT_TRUE(!c.hardLinked || ReadWholeFile(link.string()).value_or("") == fresh.at(c.stems[0] + ".mdl"));
        }
        EXPECT_GE(killed, 8) << "the tool never stopped at its write steps";
    }
}

// A file with a second name gets the new bytes copied into it: on a disk
// without room for them the write fails before the file is touched.
TEST_F(InterruptedWrite, AHardLinkedTargetOnAFullDiskKeepsItsBytes) {
    const fs::path disk = dir_ / "disk";
    fs::create_directories(disk);
    const std::string mdl = (disk / "a.mdl").string(), ani = (disk / "a.ani").string(), old = Pattern(100000, 'a');
    // In a child with a 1 MB file system of its own.
    const int status = RunWithFileSizeLimit(RLIM_INFINITY, [&] {
        const std::string uid = "0 " + std::to_string(::getuid()) + " 1",
                          gid = "0 " + std::to_string(::getgid()) + " 1";
        if (::unshare(CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) {
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << uid;
            std::ofstream("/proc/self/gid_map") << gid;
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
            _exit(90);
        if (!WriteFilesAtomically({{mdl, old}, {ani, "old"}}) || ::link(mdl.c_str(), (disk / "b.mdl").c_str()) != 0)
            _exit(91);
        std::string why;
        const bool failed = !Kept(WriteFilesAtomically({{mdl, Pattern(700000, 'A')}, {ani, "new"}}).status, why) &&
                            why == "No space left on device";
        const bool kept = ReadWholeFile(mdl).value_or("") == old &&
                          ReadWholeFile((disk / "b.mdl").string()).value_or("") == old &&
                          ReadWholeFile(ani).value_or("") == "old";
        _exit(failed && kept && std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 3 ? 0 : 1);
    });
    // A machine that lets no process mount a file system of its own cannot run this check.
    if (WEXITSTATUS(status) == 90) GTEST_SKIP() << "no file system of its own can be mounted here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write touched a file or left a name";
}

// A replaced file keeps its permission bits but setuid and setgid, as cp does.
TEST_F(InterruptedWrite, ReplacingDropsSetuidAndSetgid) {
    ASSERT_TRUE(WriteFileAtomically(Path("tool"), "old") && ::chmod(Path("tool").c_str(), 06755) == 0);
    ASSERT_TRUE(WriteFileAtomically(Path("tool"), "new"));
    EXPECT_EQ(fs::status(Path("tool")).permissions(), fs::perms(0755));
}
