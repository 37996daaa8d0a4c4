#include "platform/stage_timer.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string_view>
#include <vector>

namespace stage_timer {
namespace {

struct Stage {
    const char* name;
    double from, to, wall, cpu;  // ms since the process started; sums of wall and CPU
    int times;
};

std::atomic<bool> recording{false};
std::mutex lock;
std::vector<Stage> stages;
double startOffset = 0.0;  // CLOCK_MONOTONIC ms at the process's start

double ClockMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Now() { return ClockMs(CLOCK_MONOTONIC) - startOffset; }

// The process's start on CLOCK_MONOTONIC's scale (both count from boot,
// without suspended time: CLOCK_BOOTTIME would include it); the kernel keeps
// it in clock ticks, so it is good to a tick (10 ms at most).
double ProcessStartMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return ClockMs(CLOCK_MONOTONIC);
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i)
        if (i == 22) return std::stod(field) * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return ClockMs(CLOCK_MONOTONIC);
}

void Add(const char* name, double from, double to, double cpu) {
    std::lock_guard<std::mutex> guard(lock);
    if (!recording.load()) return;
    for (Stage& s : stages)
        if (std::string_view(s.name) == name) {
            s.from = std::min(s.from, from);
            s.to = std::max(s.to, to);
            s.wall += to - from;
            s.cpu += cpu;
            ++s.times;
            return;
        }
    stages.push_back({name, from, to, to - from, cpu, 1});
}

}  // namespace

void Enable() {
    const double cpuBeforeMain = ClockMs(CLOCK_PROCESS_CPUTIME_ID);
    startOffset = ProcessStartMs();
    {
        std::lock_guard<std::mutex> guard(lock);
        stages.clear();
    }
    recording = true;
    Add("process start, libraries", 0.0, Now(), cpuBeforeMain);
}

bool Enabled() { return recording.load(std::memory_order_relaxed); }

Span::Span(const char* name) : name_(name) {
    if (!Enabled()) return;
    wall_ = Now();
    cpu_ = ClockMs(CLOCK_THREAD_CPUTIME_ID);
}

Span::~Span() {
    if (wall_ < 0.0 || !Enabled()) return;
    Add(name_, wall_, Now(), ClockMs(CLOCK_THREAD_CPUTIME_ID) - cpu_);
}

std::string Finish() {
    if (!Enabled()) return {};
    Add("whole: start to this frame on screen", 0.0, Now(), ClockMs(CLOCK_PROCESS_CPUTIME_ID));
    std::lock_guard<std::mutex> guard(lock);
    if (!recording.exchange(false)) return {};
    std::string out =
        "start-up stages (ms from the process's start, good to 10 ms; wall and CPU time summed over runs and "
        "threads)\n";
    char line[160];
    std::snprintf(line, sizeof line, "  %-34s %8s %8s %8s %8s %5s\n", "stage", "from", "to", "wall", "cpu", "runs");
    out += line;
    for (const Stage& s : stages) {
        std::snprintf(line, sizeof line, "  %-34s %8.1f %8.1f %8.1f %8.1f %5d\n", s.name, s.from, s.to, s.wall, s.cpu,
                      s.times);
        out += line;
    }
    return out;
}

}  // namespace stage_timer
