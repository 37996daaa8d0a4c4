#include "app/playback_clock.h"

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

void CPlaybackClock::Faster() { speed_ = std::fmin(speed_ * 2.0, kMaxSpeed); }
void CPlaybackClock::Slower() { speed_ = std::fmax(speed_ * 0.5, kMinSpeed); }
