#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Why a file over a reader's size cap is refused.
std::string TooLarge(std::uint64_t maxBytes) { return "larger than " + std::to_string(maxBytes >> 20) + " MB"; }

}  // namespace

Result<OpenFile> OpenRegularFile(const std::string& path, std::uint64_t maxBytes) {
    // Non-blocking: opening a FIFO would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return Status::Failure(std::strerror(errno));
    struct stat st {};
    const char* refusal = nullptr;
    if (::fstat(fd, &st) != 0) refusal = "cannot be examined";
    else if (!S_ISREG(st.st_mode)) refusal = S_ISDIR(st.st_mode) ? "is a folder, not a file" : "not a regular file";
    if (refusal) {
        ::close(fd);
        return Status::Failure(refusal);
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return Status::Failure(TooLarge(maxBytes));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return OpenFile{fd, static_cast<std::uint64_t>(st.st_size)};
}

Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
    const Result<OpenFile> opened = OpenRegularFile(path, maxBytes);
    if (!opened) return opened.status();
    const int fd = opened->fd;
    std::string data;
    data.reserve(static_cast<std::size_t>(opened->size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const Status failed = Status::Failure(std::strerror(errno));
            ::close(fd);
            return failed;
        }
        if (n == 0) break;
        // A file that grows while we read it stops at the limit all the same.
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            return Status::Failure(TooLarge(maxBytes));
        }
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

Result<FileBytes> ReadWholeFileBytes(const std::string& path, std::uint64_t maxBytes) {
    const Result<OpenFile> opened = OpenRegularFile(path, maxBytes);
    if (!opened) return opened.status();
    const int fd = opened->fd;
    const auto refuse = [&](std::string reason) {
        ::close(fd);
        return Result<FileBytes>(Status::Failure(std::move(reason)));
    };
    // One byte more than the size shows a file that grew since it was examined.
    std::size_t capacity = static_cast<std::size_t>(opened->size) + 1;
    FileBytes out;
    out.data = MakeLargeBlock(capacity);
    for (;;) {
        if (out.size == capacity) {
            // A file that grows while we read it stops at the limit all the same.
            if (capacity > maxBytes) return refuse(TooLarge(maxBytes));
            const std::size_t grown = static_cast<std::size_t>(
                std::min<std::uint64_t>(2 * static_cast<std::uint64_t>(capacity), maxBytes + 1));
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
