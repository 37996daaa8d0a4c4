// The display window's parts that need no window: the frame-rate meter, the
// aspect rule, the camera steps and the periodic tick.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "scene/view_camera.h"
#include "scene/frame_rate.h"
#include "scene/frame_ticker.h"
#include "scene/playback_clock.h"
#include "render/renderer.h"

TEST(DisplayFrameRate, RefreshesOnlyPastOneSecond) {
    CFrameRateMeter meter;
    EXPECT_FALSE(meter.Frame(5000));                                          // starts the clock
    for (int i = 1; i <= 10; ++i) EXPECT_FALSE(meter.Frame(5000 + i * 100));  // exactly 1000 ms: not yet
    EXPECT_EQ(meter.Rate(), 0.0f);
    EXPECT_TRUE(meter.Frame(6100));
    EXPECT_FLOAT_EQ(meter.Rate(), 11 * 1000.0f / 1100.0f);
    // The next window starts empty.
    EXPECT_FALSE(meter.Frame(6600));
    EXPECT_TRUE(meter.Frame(7200));
    EXPECT_FLOAT_EQ(meter.Rate(), 2 * 1000.0f / 1100.0f);
}

TEST(DisplayFrameRate, MinuteWrapIsNotANegativeInterval) {
    CFrameRateMeter meter;
    meter.Frame(59500);
    EXPECT_FALSE(meter.Frame(59900));
    // 59.9 s -> 0.7 s of the next minute is 800 ms, not -59200.
    EXPECT_TRUE(meter.Frame(700));
    EXPECT_FLOAT_EQ(meter.Rate(), 2 * 1000.0f / 1200.0f);
    EXPECT_GT(meter.Rate(), 0.0f);
}

TEST(DisplayFrameRate, FirstFrameDoesNotCountFromMidnight) {
    CFrameRateMeter meter;
    EXPECT_FALSE(meter.Frame(42000));  // a reading far from 0 is no 42 s frame
    EXPECT_FALSE(meter.Frame(42500));
    EXPECT_EQ(meter.Rate(), 0.0f);
}

// Steps over `ticks` ticks `elapsed` s apart, after `speed` doublings
// (negative: halvings).
TEST(PlaybackClock, FollowsTheWallClock) {
    const struct {
        double elapsed;
        int ticks, speed;
        bool paused;
        std::uint32_t steps;
    } cases[] = {
        {0.016, 10, 0, false, 30}, {0.020, 10, 0, false, 30},    // keeping up, or a little late: 3 a tick
        {2.0, 3, 0, false, 1125},  {3600.0, 1, 0, false, 1875},  // 0.5 frames/s: 2 s worth; a sleep: 10 s
        {0.016, 8, -3, false, 3},  {0.016, 4, -5, false, 1},     // 0.125x, fractions carried; the floor
        {0.016, 2, 5, false, 48},  {2.0, 5, 0, true, 0},         // capped at 8x; paused
    };
    for (const auto& c : cases) {
        CPlaybackClock clock;
        for (int i = 0; i < std::abs(c.speed); ++i) c.speed > 0 ? clock.Faster() : clock.Slower();
        if (c.paused) clock.TogglePause();
        std::uint32_t steps = 0;
        for (int i = 0; i < c.ticks; ++i) steps += clock.Advance(c.elapsed);
        EXPECT_EQ(steps, c.steps) << c.elapsed << " s x " << c.ticks << ", speed " << c.speed;
    }
    // A 2-unit loop is 100 counts; a tick's own step is left to the pose evaluation.
    EXPECT_EQ(CPlaybackClock::MoveCounter(90, 375, 2.0), 65u);
    EXPECT_EQ(CPlaybackClock::MoveCounter(99, 3, 2.0), 102u);
    EXPECT_EQ(CPlaybackClock::MoveCounter(90, 375, 0.0), 465u);  // nothing loops
}

// Restored, maximised (1920 x 1080 less menu and title bar) and full screen:
// the picture is stretched over the window, so its shape is the window's.
TEST(DisplayAspectRule, IsTheDisplayedArea) {
    EXPECT_FLOAT_EQ(DisplayAspect(1018, 680), 1018.0f / 680.0f);
    EXPECT_FLOAT_EQ(DisplayAspect(1658, 1040), 1658.0f / 1040.0f);
    EXPECT_FLOAT_EQ(DisplayAspect(1920, 1080), 1920.0f / 1080.0f);
    EXPECT_TRUE(std::isfinite(DisplayAspect(300, 0)));
}

TEST(DisplayCameraSteps, OrbitFromSettingsStart) {
    CViewCamera r;
    r.RotationX = 1.5f;
    r.RotationZ = 1.5f;
    OrbitCamera(r, 0, 10);  // 1.5 - 0.3
    EXPECT_NEAR(r.RotationX, 1.2f, 1e-6);
    OrbitCamera(r, 0, -20);  // 1.2 + 0.6 = 1.8 -> pi/2
    EXPECT_FLOAT_EQ(r.RotationX, 1.5707964f);
    OrbitCamera(r, -300, 0);  // 1.5 + 9 = 10.5 -> 10.5 - 2 pi
    EXPECT_NEAR(r.RotationZ, 10.5 - 2 * 3.14159265358979, 1e-5);
}

TEST(DisplayCameraSteps, PanWithoutAnEyeOffsetMovesNothing) {
    CViewCamera r;
    r.At = {1, 2, 3};
    EXPECT_FALSE(PanCamera(r, 10, 10, 640, 360));  // no frame yet: EyeOffset is zero
    EXPECT_EQ(r.At.x, 1.0f);
    EXPECT_EQ(r.At.y, 2.0f);
    EXPECT_EQ(r.At.z, 3.0f);
    EXPECT_FALSE(PanCamera(r, 10, 10, 0, 360));
}

TEST(DisplayCameraSteps, PanAlongTheViewAxes) {
    CViewCamera r;
    r.At = {0, 0, 0};
    r.EyeOffset = {0, -5, 0};                    // looking along +Y from -Y
    ASSERT_TRUE(PanCamera(r, 64, 0, 640, 360));  // sx = 1
    // Right of a camera looking along +Y with Z up is +X or -X: along X only.
    EXPECT_NEAR(std::abs(r.At.x), 1.0f, 1e-5);
    EXPECT_NEAR(r.At.y, 0.0f, 1e-5);
    EXPECT_NEAR(r.At.z, 0.0f, 1e-5);
    r.At = {0, 0, 0};
    ASSERT_TRUE(PanCamera(r, 0, 36, 640, 360));  // sy = 1: along Z only
    EXPECT_NEAR(r.At.x, 0.0f, 1e-5);
    EXPECT_NEAR(std::abs(r.At.z), 1.0f, 1e-5);
}

TEST(DisplayTicker, TicksPeriodicallyAndStops) {
    CFrameTicker ticker;
    std::atomic<int> ticks{0};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(ticker.Start(std::chrono::milliseconds(16), [&] { ticks.fetch_add(1); }));
    EXPECT_FALSE(ticker.Start(std::chrono::milliseconds(16), [] {}));
    while (ticks.load() < 10) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ticker.Stop();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const int after = ticks.load();
    EXPECT_GE(ms, 10 * 16 - 5);  // ten periods cannot come sooner
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ticks.load(), after);  // stopped means stopped
    EXPECT_FALSE(ticker.Running());
}
