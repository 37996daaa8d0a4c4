#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Below this a block is malloc's: a huge page would be mostly empty.
constexpr std::size_t kLargeBytes = std::size_t{1} << 20;

bool IsLarge(std::size_t bytes) { return bytes >= kLargeBytes; }

// The mapped length: whole huge pages when that wastes at most a quarter,
// else whole small pages (the huge pages inside still count).
std::size_t MappedBytes(std::size_t bytes) {
    const std::size_t huge = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    return huge - bytes <= bytes / 4 ? huge : (bytes + kPage - 1) / kPage * kPage;
}

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (!IsLarge(bytes)) {
        void* block = std::aligned_alloc(64, (bytes + 63) / 64 * 64);
        if (!block) throw std::bad_alloc();
        return block;
    }
    const std::size_t length = MappedBytes(bytes);
    if (length < bytes || length > SIZE_MAX - kHugePage) throw std::bad_alloc();
    // Map a huge page more than needed, then give back what lies before the
    // first boundary and after the block.
    void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start) ::munmap(mapped, aligned - start);
    const std::uintptr_t end = start + length + kHugePage;
    if (end > aligned + length) ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    ::madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);  // a hint: without it, small pages
    return reinterpret_cast<void*>(aligned);
}

void PrefaultForWriting(void* block, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (bytes < (std::size_t{64} << 10)) return;
    const auto first = (reinterpret_cast<std::uintptr_t>(block) + kPage - 1) / kPage * kPage;
    const auto last = (reinterpret_cast<std::uintptr_t>(block) + bytes) / kPage * kPage;
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)block;
    (void)bytes;
#endif
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (!IsLarge(bytes)) {
        std::free(block);
        return;
    }
    ::munmap(block, MappedBytes(bytes));
}
