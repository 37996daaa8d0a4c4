// Atomic writes of one file or of a group of files.
//
// A group goes in place in steps; a process killed between any two leaves a
// state the next write of the group (same last path) finds and settles under
// the folder's lock:
//  1. every new file is complete in an unnamed temporary file (it vanishes
//     with the process), and a hard-linked target has room reserved;
//  2. KEY.vorland-pending lists the names step 3 makes: dying from here to
//     step 4, the old files are untouched and the next write removes them;
//  3. each temporary file is linked in as TARGET.vorland-new;
//  4. the record is renamed KEY.vorland-commit: the group is now the new one;
//  5. each staged file replaces its target (a rename, or a copy into a target
//     with further hard links), then the record goes. The next write repeats
//     whatever of this is left, so a killed group is completed, never mixed.
#include "platform/file_io.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* kPendingSuffix = ".vorland-pending";
constexpr const char* kCommitSuffix = ".vorland-commit";
constexpr const char* kStagedSuffix = ".vorland-new";
constexpr std::string_view kRecordMagic = "vorland-write 1";
constexpr std::uint64_t kMaxRecordBytes = 1 << 20;

std::atomic<WriteStepHook> g_stepHook{nullptr};
std::atomic<int> g_steps{0};

void Step() {
    const int step = ++g_steps;
    if (const WriteStepHook hook = g_stepHook.load()) hook(step);
}

bool Fail(std::string* why) {
    if (why) *why = std::strerror(errno);
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string BaseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The group's records sit beside its last file, named after it without its
// extension: OUT.mdl and OUT.ani share OUT.vorland-commit.
std::string RecordKey(const std::string& path) {
    const std::string base = BaseOf(path);
    const auto dot = base.find_last_of('.');
    if (dot == std::string::npos || dot == 0) return path;
    return path.substr(0, path.size() - (base.size() - dot));
}

// Makes renames and new names in the folder durable.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The file a symbolic link finally names, so that replacing it keeps the
// link. A path that is no link comes back as it is.
std::string FollowLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char buf[4096];
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof buf)) break;
        std::string target(buf, static_cast<std::size_t>(n));
        path = target[0] == '/' ? target : FolderOf(path) + "/" + target;
    }
    return path;
}

// While it lives, exceeding the file-size limit makes write() fail with
// EFBIG instead of ending the process with SIGXFSZ.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGXFSZ);
        ::pthread_sigmask(SIG_BLOCK, &set_, &old_);
    }
    ~FileSizeSignalHeld() {
        const timespec zero{};
        while (::sigtimedwait(&set_, nullptr, &zero) > 0) {}
        ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

private:
    sigset_t set_{};
    sigset_t old_{};
};

// Writers of one folder, in this process or another, take turns; the lock
// goes with the process however it ends.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {}
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Room for `size` bytes in an existing file without changing it, so that
// copying into it cannot run out of space half-way. Where the file system
// reserves nothing, the free space must hold the growth.
bool Reserve(int fd, std::uint64_t size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    if (size <= static_cast<std::uint64_t>(st.st_size)) return true;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return true;
    if (errno != EOPNOTSUPP && errno != ENOSYS) return false;
    struct statvfs vfs {};
    if (::fstatvfs(fd, &vfs) != 0) return false;
    if (static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize >= size - static_cast<std::uint64_t>(st.st_size))
        return true;
    errno = ENOSPC;
    return false;
}

// One file of the group, as the records list it.
struct Entry {
    bool copy = false;   // the target has further hard links: copied into
    std::string staged;  // TARGET.vorland-new
    std::string target;  // symbolic links followed
};

// Names in a record: bare beside the record, absolute elsewhere, so the
// next write finds them from any working directory.
std::string StoredName(const std::string& path, const std::string& recordFolder) {
    const std::string folder = FolderOf(path);
    if (folder == recordFolder) return BaseOf(path);
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return path;
    std::string absolute = std::string(real) + "/" + BaseOf(path);
    std::free(real);
    return absolute;
}

std::string RecordBytes(const std::vector<Entry>& entries, const std::string& recordFolder) {
    std::string out(kRecordMagic);
    out += '\0';
    for (const Entry& e : entries) {
        out += e.copy ? "copy" : "rename";
        out += '\0';
        out += StoredName(e.staged, recordFolder) + '\0';
        out += StoredName(e.target, recordFolder) + '\0';
    }
    out += "end";
    out += '\0';
    return out;
}

// The entries of a record; `complete` tells whether it reached its end.
std::vector<Entry> ParseRecord(const std::string& path, bool* complete) {
    *complete = false;
    std::vector<Entry> entries;
    const auto bytes = ReadWholeFile(path, kMaxRecordBytes);
    if (!bytes) return entries;
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < bytes->size();) {
        const auto nul = bytes->find('\0', at);
        if (nul == std::string::npos) break;
        fields.push_back(bytes->substr(at, nul - at));
        at = nul + 1;
    }
    if (fields.empty() || fields[0] != kRecordMagic) return entries;
    const std::string folder = FolderOf(path);
    const auto resolve = [&](const std::string& name) { return name[0] == '/' ? name : folder + "/" + name; };
    std::size_t i = 1;
    for (; i + 2 < fields.size() && (fields[i] == "copy" || fields[i] == "rename"); i += 3) {
        if (fields[i + 1].empty() || fields[i + 2].empty()) return entries;
        entries.push_back({fields[i] == "copy", resolve(fields[i + 1]), resolve(fields[i + 2])});
    }
    *complete = i + 1 == fields.size() && fields[i] == "end";
    return entries;
}

// Creates `path` holding `bytes`. A record cut short by a kill lists no
// name that exists yet: names are made only after it is on disk.
bool CreateRecord(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const int e = errno;
    ::close(fd);
    if (!ok) ::unlink(path.c_str());
    errno = e;
    return ok;
}

// Copies a staged file into its hard-linked target, in room reserved first.
bool CopyInto(const Entry& e) {
    const int in = ::open(e.staged.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno == ENOENT;  // copied by an earlier run
    const int out = ::open(e.target.c_str(), O_WRONLY | O_CLOEXEC);
    struct stat st {};
    bool ok = out >= 0 && ::fstat(in, &st) == 0 && Reserve(out, static_cast<std::uint64_t>(st.st_size));
    char buf[1 << 16];
    bool first = true;
    for (ssize_t n; ok && (n = ::read(in, buf, sizeof buf)) != 0;) {
        ok = n > 0 ? WriteAll(out, {buf, static_cast<std::size_t>(n)}) : errno == EINTR;
        if (ok && first && n > 0) Step();  // a kill in the middle of the copy
        first = false;
    }
    ok = ok && ::ftruncate(out, st.st_size) == 0 && ::fsync(out) == 0;
    const int e2 = errno;
    ::close(in);
    if (out >= 0) ::close(out);
    errno = e2;
    return ok && ::unlink(e.staged.c_str()) == 0;
}

// Steps 5 and on, for a write under way or one a killed process left.
bool Complete(const std::string& commitRecord, const std::vector<Entry>& entries, std::string* why,
              std::string* failedPath) {
    std::set<std::string> folders{FolderOf(commitRecord)};
    for (const Entry& e : entries) {
        const bool ok = e.copy ? CopyInto(e) : ::rename(e.staged.c_str(), e.target.c_str()) == 0 || errno == ENOENT;
        if (!ok) {
            if (failedPath) *failedPath = e.target;
            return Fail(why);
        }
        folders.insert(FolderOf(e.target));
        Step();
    }
    if (::unlink(commitRecord.c_str()) != 0 && errno != ENOENT) {
        if (failedPath) *failedPath = commitRecord;
        return Fail(why);
    }
    for (const std::string& folder : folders) SyncFolder(folder);
    Step();
    return true;
}

// Undoes steps 2 and 3: the old files were never touched.
void RollBack(const std::string& pendingRecord, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) ::unlink(e.staged.c_str());
    ::unlink(pendingRecord.c_str());
    SyncFolder(FolderOf(pendingRecord));
}

// Settles what a killed write of the same group left.
bool Recover(const std::string& key, std::string* why, std::string* failedPath) {
    bool complete = false;
    const std::string commit = key + kCommitSuffix;
    if (::access(commit.c_str(), F_OK) == 0) {
        const std::vector<Entry> entries = ParseRecord(commit, &complete);
        if (!complete) {
            if (why) *why = "not a record of an unfinished write; move it away";
            if (failedPath) *failedPath = commit;
            return false;
        }
        if (!Complete(commit, entries, why, failedPath)) return false;
    }
    const std::string pending = key + kPendingSuffix;
    if (::access(pending.c_str(), F_OK) == 0) RollBack(pending, ParseRecord(pending, &complete));
    return true;
}

// One file of the group on its way.
struct PendingWrite {
    Entry entry;
    std::string_view bytes;
    int fd = -1;  // the unnamed temporary file; -1 where the file system has none

    PendingWrite() = default;
    PendingWrite(const PendingWrite&) = delete;
    PendingWrite& operator=(const PendingWrite&) = delete;
    ~PendingWrite() {
        if (fd >= 0) ::close(fd);
    }
};

// Gives the new file the old one's permissions (without setuid and setgid,
// as cp does) and, where we may, its owner.
void TakeOver(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {}
    ::fchmod(fd, old.st_mode & 01777);
}

// Step 1 for one file.
bool Prepare(PendingWrite& w, std::string* why) {
    struct stat old {};
    const bool exists = ::stat(w.entry.target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        // A device, a FIFO or a folder is never replaced by a file.
        if (why) *why = S_ISDIR(old.st_mode) ? "is a folder, not a file" : "not a regular file";
        return false;
    }
    w.fd = ::open(FolderOf(w.entry.target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (w.fd >= 0) {
        if (exists) TakeOver(w.fd, old);
        if (!WriteAll(w.fd, w.bytes) || ::fsync(w.fd) != 0) return Fail(why);
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return Fail(why);
    }  // else named at step 3, once the pending record lists the name
    // The copy into a hard-linked target must not run out of room half-way.
    w.entry.copy = exists && old.st_nlink > 1;
    if (!w.entry.copy) return true;
    const int fd = ::open(w.entry.target.c_str(), O_WRONLY | O_CLOEXEC);
    const bool reserved = fd >= 0 && Reserve(fd, w.bytes.size());
    const int e = errno;
    if (fd >= 0) ::close(fd);
    errno = e;
    return reserved || Fail(why);
}

// Step 3 for one file.
bool Stage(PendingWrite& w) {
    const char* staged = w.entry.staged.c_str();
    ::unlink(staged);
    if (w.fd >= 0) {
        const std::string self = "/proc/self/fd/" + std::to_string(w.fd);
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, staged, AT_SYMLINK_FOLLOW) == 0;
    }
    // O_EXCL with mode 0666 lets the umask decide the permissions without
    // touching the umask, which other threads share.
    w.fd = ::open(staged, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (w.fd < 0) return false;
    struct stat old {};
    if (::stat(w.entry.target.c_str(), &old) == 0) TakeOver(w.fd, old);
    return WriteAll(w.fd, w.bytes) && ::fsync(w.fd) == 0;
}

}  // namespace

void SetWriteStepHook(WriteStepHook hook) { g_stepHook = hook; }

std::string UnfinishedWriteOf(const std::string& path) {
    const std::string record = RecordKey(path) + kCommitSuffix;
    return ::access(record.c_str(), F_OK) == 0 ? record : std::string();
}

// The steps of a group write; false with the reason and the failing path.
static bool WriteGroup(const std::vector<FileWrite>& files, std::string* why, std::string* failedPath) {
    if (files.empty()) return true;
    const auto failAt = [&](const std::string& path) {
        if (failedPath) *failedPath = path;
        return false;
    };
    FileSizeSignalHeld held;
    const std::string key = RecordKey(files.back().path);
    FolderLock lock(FolderOf(key));
    if (!lock.Held()) return Fail(why) || failAt(files.back().path);
    if (!Recover(key, why, failedPath)) return false;
    Step();

    std::vector<PendingWrite> pending(files.size());
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < files.size(); ++i) {
        PendingWrite& w = pending[i];
        w.entry.target = FollowLinks(files[i].path);
        w.entry.staged = w.entry.target + kStagedSuffix;
        w.bytes = files[i].bytes;
        if (!Prepare(w, why)) return failAt(files[i].path);
        entries.push_back(w.entry);
        Step();
    }
    const std::string record = key + kPendingSuffix;
    const std::string recordFolder = FolderOf(key);
    if (!CreateRecord(record, RecordBytes(entries, recordFolder))) return Fail(why) || failAt(files.back().path);
    Step();
    std::set<std::string> folders{recordFolder};
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!Stage(pending[i])) {
            Fail(why);
            RollBack(record, entries);
            return failAt(files[i].path);
        }
        folders.insert(FolderOf(pending[i].entry.target));
        Step();
    }
    // The record and the new names are on disk before the commit is.
    for (const std::string& folder : folders) SyncFolder(folder);
    pending.clear();  // closes the temporary files
    const std::string commit = key + kCommitSuffix;
    if (::rename(record.c_str(), commit.c_str()) != 0) {
        Fail(why);
        RollBack(record, entries);
        return failAt(files.back().path);
    }
    SyncFolder(recordFolder);
    Step();
    return Complete(commit, entries, why, failedPath);
}

WriteResult WriteFilesAtomically(const std::vector<FileWrite>& files) {
    WriteResult result;
    std::string why;
    if (!WriteGroup(files, &why, &result.failedPath)) result.status = Status::Failure(why);
    return result;
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
    return WriteFilesAtomically({{path, bytes}}).status;
}
