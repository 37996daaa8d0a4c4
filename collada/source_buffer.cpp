#include "collada/source_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/file_io.h"

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kParallelReadBytes = std::size_t{8} << 20;

// Reads bytes [from, to) of the file into the same place of `data`; returns
// how many arrived before an error or the end of the file.
std::size_t ReadRange(int fd, char* data, std::size_t from, std::size_t to) {
    std::size_t done = 0;
    while (from + done < to) {
        const ssize_t n = ::pread(fd, data + from + done, to - from - done, static_cast<off_t>(from + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

bool SourceBuffer::Allocate(std::size_t size) {
    Release();
    if (size >= kHugePage) {
        // Huge pages must start on a huge-page boundary: map one more, keep
        // the aligned part. A fresh process pays a page fault and a cleared
        // page for every 4 KB it reads into; in huge pages that is a few
        // faults per file.
        const std::size_t length = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* p = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            const auto start = reinterpret_cast<std::uintptr_t>(p);
            const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
            if (aligned > start) munmap(p, aligned - start);
            if (aligned + length < start + length + kHugePage)
                munmap(reinterpret_cast<void*>(aligned + length), start + kHugePage - aligned);
#ifdef MADV_HUGEPAGE
            (void)madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);  // a hint; fine when refused
#endif
            data_ = reinterpret_cast<char*>(aligned);
            mapped_ = length;
            size_ = size;
            return true;
        }
    }
    data_ = static_cast<char*>(std::malloc(size ? size : 1));
    if (!data_) return false;
    size_ = size;
    return true;
}

void SourceBuffer::Release() {
    if (mapped_) munmap(data_, mapped_);
    else std::free(data_);
    data_ = nullptr;
    size_ = mapped_ = 0;
}

void SourceBuffer::Assign(std::string_view bytes) {
    if (!Allocate(bytes.size())) throw std::bad_alloc();
    if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
}

Status SourceBuffer::ReadFile(const std::string& path) {
    const Result<OpenFile> opened = OpenRegularFile(path, kMaxModelFileBytes);
    if (!opened) return opened.status();
    const int fd = opened->fd;
    if (!Allocate(static_cast<std::size_t>(opened->size))) {
        ::close(fd);
        return Status::Failure("not enough memory to read it");
    }
    // Most of reading a large file is the kernel handing out fresh pages:
    // two threads share that work, each reading its half.
    const std::size_t half = size_ >= kParallelReadBytes ? size_ / 2 : size_;
    std::size_t tailDone = 0;
    {
        std::jthread tail;
        if (half < size_) {
            try {
                tail = std::jthread([this, fd, half, &tailDone] { tailDone = ReadRange(fd, data_, half, size_); });
            } catch (const std::system_error&) {
                tailDone = ReadRange(fd, data_, half, size_);
            }
        }
        const std::size_t headDone = ReadRange(fd, data_, 0, half);
        if (tail.joinable()) tail.join();
        // A file that shrank while we read it ends where its bytes stop.
        size_ = headDone < half ? headDone : half + tailDone;
    }
    ::close(fd);
    return Status::Ok();
}
