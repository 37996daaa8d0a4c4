#pragma once
// A periodic tick on a thread of its own, as steady as the clock allows: the
// next deadline is the previous one plus the period, so a late tick does not
// shift the ones after it. A tick that overruns whole periods drops them
// rather than firing a burst to catch up.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class CFrameTicker {
public:
    CFrameTicker() = default;
    ~CFrameTicker() { Stop(); }
    CFrameTicker(const CFrameTicker&) = delete;
    CFrameTicker& operator=(const CFrameTicker&) = delete;

    // Starts calling `tick` every `period` on the ticker's thread (the first
    // at once with `firstAtOnce`, else after a period), and `finish` on that
    // thread once Stop ends the ticks. False when it is already running.
    bool Start(std::chrono::milliseconds period, std::function<void()> tick, std::function<void()> finish = {},
               bool firstAtOnce = false);
    // Ends the thread after the tick under way, if any. Must not be called
    // from inside the tick.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // True for callers on the ticker's own thread.
    bool OnTickerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Run(std::chrono::milliseconds period, bool firstAtOnce);

    std::function<void()> tick_;
    std::function<void()> finish_;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
};
