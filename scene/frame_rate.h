#pragma once
// Frames per second over windows of just over a second. Readings are
// milliseconds within a minute (seconds x 1000 + milliseconds of the wall
// clock), so a reading smaller than the last one means the minute wrapped.
class CFrameRateMeter {
public:
    // Counts one frame at reading `ms`. True when the rate was refreshed
    // (more than 1000 ms had accumulated).
    bool Frame(long long ms);
    float Rate() const { return rate_; }
    // Milliseconds within the current minute of the wall clock.
    static long long WallClockReading();

private:
    bool started_ = false;
    long long last_ = 0;
    long long elapsed_ = 0;
    int frames_ = 0;
    float rate_ = 0.0f;
};
