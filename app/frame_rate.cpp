#include "app/frame_rate.h"

#include <QTime>

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
    const QTime now = QTime::currentTime();
    return static_cast<long long>(now.second()) * 1000 + now.msec();
}
