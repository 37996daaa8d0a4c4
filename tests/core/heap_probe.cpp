#include "heap_probe.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORLAND_PROBE_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VORLAND_PROBE_HOOKS 1
#endif
#endif

#ifdef VORLAND_PROBE_HOOKS
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, std::size_t),
                                                         void (*)(const volatile void*));
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void*);
extern "C" int __sanitizer_get_ownership(const volatile void*);
#endif

namespace {

constexpr int kOverBound = 3;

#ifdef VORLAND_PROBE_HOOKS
long long g_live = 0;
long long g_peak = 0;
long long g_bound = 0;

void OnMalloc(const volatile void*, std::size_t size) {
    g_live += static_cast<long long>(size);
    if (g_live > g_peak) g_peak = g_live;
    if (g_peak > g_bound) _exit(kOverBound);
}
void OnFree(const volatile void* p) {
    if (p && __sanitizer_get_ownership(p)) g_live -= static_cast<long long>(__sanitizer_get_allocated_size(p));
}
#else
// Virtual size of this process now, from /proc.
std::size_t CurrentAddressSpace() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in bytes.
std::size_t StatusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == key) {
            std::size_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    }
    return 0;
}
#endif

}  // namespace

HeapProbeResult RunWithHeapBound(std::size_t boundBytes, const std::function<void()>& work) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return {false, "fork failed"};
    if (pid == 0) {
#ifdef VORLAND_PROBE_HOOKS
        g_bound = static_cast<long long>(boundBytes);
        __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
#else
        // Give the free heap inherited from the parent back to the system, so
        // reusing it shows in the resident peak below.
        malloc_trim(0);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = CurrentAddressSpace() + boundBytes;
        setrlimit(RLIMIT_AS, &limit);
        // Arenas of threads that have ended keep reserved address space the
        // limit cannot see; touching it shows in the resident peak instead.
        {
            std::ofstream clear("/proc/self/clear_refs");
            clear << "5";
        }
        const std::size_t residentBefore = StatusBytes("VmRSS:");
#endif
        try {
            work();
        } catch (const std::bad_alloc&) {
            _exit(kOverBound);
        }
#ifndef VORLAND_PROBE_HOOKS
        if (StatusBytes("VmHWM:") > residentBefore + boundBytes) _exit(kOverBound);
#endif
        _exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {}
    HeapProbeResult r;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        r.withinBound = true;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == kOverBound) {
        r.detail = "needed more than " + std::to_string(boundBytes) + " bytes of heap";
    } else if (WIFSIGNALED(status)) {
        r.detail = "killed by signal " + std::to_string(WTERMSIG(status));
    } else {
        r.detail = "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    return r;
}
