#pragma once
// Peak heap use of one fuzz input, measured through the sanitizer allocator's
// hooks. A reader that trusts a count or size field in its input shows up here
// as a peak far beyond what the input's size can justify, even when the
// machine would have had the memory.
#include <sanitizer/allocator_interface.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace fuzzbound {

inline bool g_active = false;
inline long long g_live = 0;
inline long long g_peak = 0;

inline void OnMalloc(const volatile void*, std::size_t size) {
    if (!g_active) return;
    g_live += static_cast<long long>(size);
    if (g_live > g_peak) g_peak = g_live;
}

inline void OnFree(const volatile void* p) {
    if (!g_active || !p) return;
    const void* q = const_cast<const void*>(p);
    if (__sanitizer_get_ownership(q)) g_live -= static_cast<long long>(__sanitizer_get_allocated_size(q));
}

inline void Install() { __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree); }

inline long long EnvOr(const char* name, long long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoll(v) : fallback;
}

// Allows `perByte` bytes of heap per input byte plus `fixed` bytes; both can be
// overridden with VORLAND_FUZZ_PER_BYTE and VORLAND_FUZZ_FIXED_MB.
class Scope {
public:
    Scope(std::size_t inputSize, long long perByte, long long fixedMb)
        : limit_(static_cast<long long>(inputSize) * EnvOr("VORLAND_FUZZ_PER_BYTE", perByte) +
                 (EnvOr("VORLAND_FUZZ_FIXED_MB", fixedMb) << 20)),
          size_(inputSize) {
        g_live = 0;
        g_peak = 0;
        g_active = true;
    }
    ~Scope() {
        g_active = false;
        if (g_peak > limit_) {
            std::fprintf(stderr, "==fuzzbound== peak heap %lld bytes for a %zu-byte input exceeds the bound of %lld\n",
                         g_peak, size_, limit_);
            std::abort();
        }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    long long limit_;
    std::size_t size_;
};

}  // namespace fuzzbound
