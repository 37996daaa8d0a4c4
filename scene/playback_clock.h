#pragma once
// Animation time on the wall clock. The tick adds 3 to the frame counter
// every 16 ms; when ticks come late (a slow frame, a busy machine) the
// counter still advances by the time that really passed, so a walk takes
// its real length at any frame rate. Pause and a speed factor on top.
#include <cstdint>

class CPlaybackClock {
public:
    static constexpr double kTickSeconds = 0.016;
    static constexpr double kStepsPerTick = 3.0;
    static constexpr double kMinSpeed = 0.125;
    static constexpr double kMaxSpeed = 8.0;

    // Frame-counter steps for a tick `elapsedSeconds` after the previous one:
    // the usual 3 x speed while ticks keep up (up to one and a half periods
    // apart), else the elapsed time's worth. Fractions carry over to the next
    // tick. 0 while paused.
    std::uint32_t Advance(double elapsedSeconds);

    // The frame counter `steps` on. Steps longer than a tick's own (ticks
    // that fell behind, a faster speed) may jump past the end of a loop of
    // `loopLength` key-time units: they land where the loop would have come
    // to, rather than past the end, which the pose evaluation turns into a
    // restart at 0 on every slow frame.
    static std::uint32_t MoveCounter(std::uint32_t counter, std::uint32_t steps, double loopLength);

    void TogglePause() { paused_ = !paused_; }
    void SetPaused(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }
    // Doubles or halves the speed within kMinSpeed ... kMaxSpeed.
    void Faster();
    void Slower();
    double Speed() const { return speed_; }

private:
    double speed_ = 1.0;
    double carry_ = 0.0;
    bool paused_ = false;
};
