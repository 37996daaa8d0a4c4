#include "scene/playback_clock.h"

#include <cmath>

namespace {
// A tick after a suspended machine wakes up does not jump the walk by hours.
constexpr double kLongestGap = 10.0;
}  // namespace

std::uint32_t CPlaybackClock::Advance(double elapsed) {
    if (paused_) return 0;
    const bool keptUp = !(elapsed > kTickSeconds * 1.5);  // a non-number keeps up too
    const double ticks = keptUp ? 1.0 : std::fmin(elapsed, kLongestGap) / kTickSeconds;
    carry_ += ticks * kStepsPerTick * speed_;
    // 2 s / 16 ms is 125 ticks, not 124.99999...
    const double whole = std::floor(carry_ + 1e-9);
    carry_ -= whole;
    return static_cast<std::uint32_t>(whole);
}

std::uint32_t CPlaybackClock::MoveCounter(std::uint32_t counter, std::uint32_t steps, double loopLength) {
    constexpr double kCountsPerTimeUnit = 50.0;
    double total = static_cast<double>(counter) + steps;
    const double period = loopLength * kCountsPerTimeUnit;
    if (steps > kStepsPerTick && period >= 1.0 && total > period) total = std::fmod(total, period);
    return total >= 4294967295.0 ? 0xffffffffu : static_cast<std::uint32_t>(total);
}

void CPlaybackClock::Faster() { speed_ = std::fmin(speed_ * 2.0, kMaxSpeed); }
void CPlaybackClock::Slower() { speed_ = std::fmax(speed_ * 0.5, kMinSpeed); }
