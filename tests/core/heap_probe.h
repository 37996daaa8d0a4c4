#pragma once
// Runs a piece of work in a child process and reports whether its heap stayed
// under a bound. Readers must size what they allocate by the bytes they were
// given, never by a count a file merely claims, so a few hundred hostile bytes
// must not be able to ask for gigabytes.
#include <cstddef>
#include <functional>
#include <string>

struct HeapProbeResult {
    bool withinBound = false;
    std::string detail;  // how the child ended, for the failure message
};

// Without sanitizers the child's address space is limited to the bound (so an
// oversized allocation fails there); under a sanitizer the allocator's hooks
// track the child's peak of live heap bytes.
HeapProbeResult RunWithHeapBound(std::size_t boundBytes, const std::function<void()>& work);

// The bound the readers promise for an input of `inputBytes`.
inline std::size_t ReaderHeapBound(std::size_t inputBytes) { return 80 * inputBytes + (8u << 20); }
