#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Why a file over a reader's size cap is refused.
std::string TooLarge(std::uint64_t maxBytes) { return "larger than " + std::to_string(maxBytes >> 20) + " MB"; }

}  // namespace

int OpenRegularFile(const std::string& path, std::uint64_t maxBytes, std::uint64_t* size, std::string* why) {
    // Non-blocking: opening a FIFO would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (why) *why = std::strerror(errno);
        return -1;
    }
    struct stat st {};
    const char* refusal = nullptr;
    if (::fstat(fd, &st) != 0) refusal = "cannot be examined";
    else if (!S_ISREG(st.st_mode)) refusal = S_ISDIR(st.st_mode) ? "is a folder, not a file" : "not a regular file";
    if (refusal) {
        if (why) *why = refusal;
        ::close(fd);
        return -1;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        if (why) *why = TooLarge(maxBytes);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (size) *size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes, std::string* why) {
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(path, maxBytes, &size, why);
    if (fd < 0) return std::nullopt;
    std::string data;
    data.reserve(static_cast<std::size_t>(size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (why) *why = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        // A file that grows while we read it stops at the limit all the same.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            if (why) *why = TooLarge(maxBytes);
            ::close(fd);
            return std::nullopt;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

std::optional<FileBytes> ReadWholeFileBytes(const std::string& path, std::uint64_t maxBytes, std::string* why) {
    std::uint64_t size = 0;
    const int fd = OpenRegularFile(path, maxBytes, &size, why);
    if (fd < 0) return std::nullopt;
    const auto refuse = [&](const std::string& reason) {
        if (why) *why = reason;
        ::close(fd);
        return std::nullopt;
    };
    // One byte more than the size shows a file that grew since it was examined.
    std::size_t capacity = static_cast<std::size_t>(size) + 1;
    FileBytes out;
    out.data = MakeLargeBlock(capacity);
    for (;;) {
        if (out.size == capacity) {
            // A file that grows while we read it stops at the limit all the same.
            if (capacity > maxBytes) return refuse(TooLarge(maxBytes));
            const std::size_t grown = static_cast<std::size_t>(std::min<std::uint64_t>(2 * static_cast<std::uint64_t>(capacity), maxBytes + 1));
            LargeBlock larger = MakeLargeBlock(grown);
            std::memcpy(larger.get(), out.data.get(), out.size);
            out.data = std::move(larger);
            capacity = grown;
        }
        const ssize_t n = ::read(fd, out.data.get() + out.size, capacity - out.size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return refuse(std::strerror(errno));
        }
        if (n == 0) break;
        out.size += static_cast<std::size_t>(n);
    }
    if (out.size > maxBytes) return refuse(TooLarge(maxBytes));
    ::close(fd);
    return out;
}

namespace {

// A name beside `path` that no other writer in this or another process picks:
// pid, a per-process counter and the clock.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(static_cast<unsigned long long>(now) & 0xffffffu);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Makes the rename itself durable.
void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
        while (::sigtimedwait(&set_, nullptr, &zero) > 0) {
        }
        ::pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

private:
    sigset_t set_{};
    sigset_t old_{};
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

// One file of a group on its way: complete in a temporary file before any
// target is touched.
struct PendingWrite {
    std::string target;   // symbolic links followed
    std::string_view bytes;
    int fd = -1;
    std::string named;    // the temporary file's name; empty while it has none
    bool inPlace = false; // the target has further hard links: copied into it

    ~PendingWrite() {
        if (fd >= 0) ::close(fd);
        if (!named.empty()) ::unlink(named.c_str());
    }
};

bool Fail(std::string* why) {
    if (why) *why = std::strerror(errno);
    return false;
}

// An unnamed file in the target's folder (it vanishes with the process
// however that ends); a named one where the file system has no such files.
bool Prepare(PendingWrite& w, std::string* why) {
    struct stat old {};
    const bool exists = ::stat(w.target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        // A device, a FIFO or a folder is never replaced by a file.
        if (why) *why = S_ISDIR(old.st_mode) ? "is a folder, not a file" : "not a regular file";
        return false;
    }
    w.fd = ::open(FolderOf(w.target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (w.fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // O_EXCL with mode 0666 lets the umask decide the permissions
        // without touching the umask, which other threads share.
        for (int attempt = 0; attempt < 100 && w.fd < 0; ++attempt) {
            w.named = TemporaryNameFor(w.target);
            w.fd = ::open(w.named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (w.fd < 0 && errno != EEXIST) break;
        }
        if (w.fd < 0) w.named.clear();
    }
    if (w.fd < 0) return Fail(why);
    if (exists) {
        // The replacement keeps the old file's permissions and, where we may, its owner.
        ::fchmod(w.fd, old.st_mode & 07777);
        if (::fchown(w.fd, old.st_uid, old.st_gid) != 0) {
        }
        w.inPlace = old.st_nlink > 1;
    }
    if (!WriteAll(w.fd, w.bytes) || ::fsync(w.fd) != 0) return Fail(why);
    return true;
}

bool Commit(PendingWrite& w, std::string* why) {
    if (w.inPlace) {
        // Every name of a hard-linked file shows the new bytes: they go into
        // the file itself, now that a complete copy proved there is room.
        const int fd = ::open(w.target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return Fail(why);
        const bool ok = WriteAll(fd, w.bytes) && ::ftruncate(fd, static_cast<off_t>(w.bytes.size())) == 0 &&
                        ::fsync(fd) == 0;
        if (!ok) {
            const int e = errno;
            ::close(fd);
            errno = e;
            return Fail(why);
        }
        ::close(fd);
        return true;
    }
    if (w.named.empty()) {
        const std::string name = TemporaryNameFor(w.target);
        const std::string self = "/proc/self/fd/" + std::to_string(w.fd);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return Fail(why);
        w.named = name;
    }
    if (::close(w.fd) != 0) {
        w.fd = -1;
        return Fail(why);
    }
    w.fd = -1;
    if (std::rename(w.named.c_str(), w.target.c_str()) != 0) return Fail(why);
    w.named.clear();
    SyncFolderOf(w.target);
    return true;
}

}  // namespace

bool WriteFilesAtomically(const std::vector<FileWrite>& files, std::string* why, std::string* failedPath) {
    FileSizeSignalHeld held;
    std::vector<PendingWrite> pending(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        pending[i].target = FollowLinks(files[i].path);
        pending[i].bytes = files[i].bytes;
        if (!Prepare(pending[i], why)) {
            if (failedPath) *failedPath = files[i].path;
            return false;
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!Commit(pending[i], why)) {
            if (failedPath) *failedPath = files[i].path;
            return false;
        }
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* why) {
    return WriteFilesAtomically({{path, bytes}}, why);
}
