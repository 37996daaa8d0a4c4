#pragma once
// Storage for large blocks that are filled once and read (a file's bytes, a
// weight table): mapped from the system on 2 MB boundaries and marked for
// transparent huge pages, so that filling a few megabytes costs a handful of
// page faults instead of one per 4 KB (which, with the unmapping that
// follows, was most of the time of importing a .glb in a fresh process).
// Smaller blocks come from malloc. Where the system has no huge pages, the
// blocks are ordinary mapped memory.
#include <cstddef>
#include <memory>

// Uninitialized storage of `bytes` bytes, aligned to at least 64; throws
// std::bad_alloc when there is none. Free it with FreeLargeBlock and the
// same size.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;

// Maps in every page of [block, block + bytes) at once, ahead of a writer
// that fills them all: one call instead of a fault per 4 KB page. Does
// nothing for a small range or where the system cannot (it is only faster).
void PrefaultForWriting(void* block, std::size_t bytes) noexcept;

// Owner of a block from AllocateLargeBlock.
struct LargeBlockDeleter {
    std::size_t bytes = 0;
    void operator()(char* block) const noexcept { FreeLargeBlock(block, bytes); }
};
using LargeBlock = std::unique_ptr<char[], LargeBlockDeleter>;
inline LargeBlock MakeLargeBlock(std::size_t bytes) {
    return LargeBlock(static_cast<char*>(AllocateLargeBlock(bytes)), LargeBlockDeleter{bytes});
}
