#include "scene/frame_ticker.h"

bool CFrameTicker::Start(std::chrono::milliseconds period, std::function<void()> tick, std::function<void()> finish,
                         bool firstAtOnce) {
    if (thread_.joinable()) return false;
    tick_ = std::move(tick);
    finish_ = std::move(finish);
    stop_ = false;
    thread_ = std::thread([this, period, firstAtOnce] { Run(period, firstAtOnce); });
    return true;
}

void CFrameTicker::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CFrameTicker::Run(std::chrono::milliseconds period, bool firstAtOnce) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point next = Clock::now() + (firstAtOnce ? Clock::duration::zero() : period);
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            if (wake_.wait_until(guard, next, [this] { return stop_; })) break;
        }
        tick_();
        next += period;
        const Clock::time_point now = Clock::now();
        if (next < now) next = now;  // overran: skip the missed periods
    }
    if (finish_) finish_();
}
