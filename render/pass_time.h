#pragma once
// Clocks for timing render passes: the process's CPU time and the wall
// clock, both in milliseconds, and a clock that adds each pass's share.
#include <chrono>
#include <ctime>

#include "render/gl.h"

inline double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1.0e6;
}

inline double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Measures passes when the caller asked for timings: `Timings` holds a
// `wall` and a `cpu` record of the same type, each with a `total`. Every lap
// waits for the GPU, so a pass's time is its own.
template <class Timings>
class PassClock {
    using Passes = decltype(Timings::wall);

public:
    explicit PassClock(Timings* timings) : timings_(timings) {
        if (!timings_) return;
        *timings_ = Timings{};
        glFinish();
        wallStart_ = wallLast_ = WallMs();
        cpuStart_ = cpuLast_ = CpuMs();
    }
    // Adds the time since the last lap to the pass `slot` names.
    void Lap(double Passes::*slot) {
        Lap([slot](Passes& p) -> double& { return p.*slot; });
    }
    void Lap(double (Passes::*slot)[3], int i) {
        Lap([slot, i](Passes& p) -> double& { return (p.*slot)[i]; });
    }

private:
    template <class Pick>
    void Lap(Pick pick) {
        if (!timings_) return;
        glFinish();
        const double wall = WallMs(), cpu = CpuMs();
        pick(timings_->wall) += wall - wallLast_;
        pick(timings_->cpu) += cpu - cpuLast_;
        wallLast_ = wall;
        cpuLast_ = cpu;
        timings_->wall.total = wallLast_ - wallStart_;
        timings_->cpu.total = cpuLast_ - cpuStart_;
    }

    Timings* timings_;
    double wallStart_ = 0, wallLast_ = 0, cpuStart_ = 0, cpuLast_ = 0;
};
