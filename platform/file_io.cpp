#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

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
        if (why) *why = "larger than " + std::to_string(maxBytes >> 20) + " MB";
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
            if (why) *why = "larger than " + std::to_string(maxBytes >> 20) + " MB";
            ::close(fd);
            return std::nullopt;
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
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

// Makes the rename itself durable.
void SyncDirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    // O_EXCL with mode 0666 lets the process umask decide the permissions
    // without touching the umask, which other threads share.
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = TemporaryNameFor(path);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    SyncDirectoryOf(path);
    return true;
}
