#include "scene/frame_rate.h"

#include <chrono>
#include <ctime>

bool CFrameRateMeter::Frame(long long ms) {
    // The first frame only starts the clock: measuring from a reading of 0
    // would count up to a minute for that one frame.
    if (!started_) {
        started_ = true;
        last_ = ms;
        return false;
    }
    if (last_ > ms) last_ -= 60000;  // the minute wrapped
    elapsed_ += ms - last_;
    last_ = ms;
    frames_ += 1;
    if (elapsed_ <= 1000) return false;
    rate_ = static_cast<float>(frames_) * 1000.0f / static_cast<float>(elapsed_);
    frames_ = 0;
    elapsed_ = 0;
    return true;
}

long long CFrameRateMeter::WallClockReading() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const long long ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return static_cast<long long>(local.tm_sec) * 1000 + ms;
}
