// The timeline under real X input (XTest through the X server): the play
// button and the loop switch flip and report, a press-and-drag on the bar
// scrubs to the time under the cursor.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>

#include <algorithm>
#include <vector>

#include "tests/ui/ui_test_app.h"
#include "ui/timeline.h"

// Last: Xlib's macros would spoil the Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

struct UiTimeline : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(qGuiApp->nativeInterface<QNativeInterface::QX11Application>(), nullptr) << "needs Xvfb (xcb)";
        x = XOpenDisplay(nullptr);
        ASSERT_NE(x, nullptr);
        host.resize(700, 120);
        host.move(60, 60);
        timeline.Create(10, 40, 680, 36, &host);
        timeline.SetLength(4.0);
        timeline.onPlayingChanged = [this](bool on) { playing.push_back(on); };
        timeline.onLoopingChanged = [this](bool on) { looping.push_back(on); };
        timeline.onScrub = [this](double t) { scrubs.push_back(t); };
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void TearDown() override {
        if (x) XCloseDisplay(x);
    }
    // Moves the pointer to `at` (timeline coordinates), optionally pressing
    // or releasing the left button, then lets Qt see it.
    void Pointer(QPoint at, int button = 0) {
        const QPoint g = timeline.mapToGlobal(at);
        XTestFakeMotionEvent(x, -1, g.x(), g.y(), 0);
        if (button) XTestFakeButtonEvent(x, 1, button > 0 ? True : False, 0);
        XSync(x, False);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 150) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    void Click(QPoint at) {
        Pointer(at, +1);
        Pointer(at, -1);
    }

    QApplication* app = UiTestApp();
    Display* x = nullptr;
    QWidget host;
    CTimeline timeline;  // destroyed before host
    std::vector<bool> playing, looping;
    std::vector<double> scrubs;
};

}  // namespace

TEST_F(UiTimeline, ButtonsFlipAndReport) {
    const QImage paused = timeline.grab().toImage();
    Click(timeline.PlayButtonRect().center());
    Click(timeline.LoopRect().center());
    EXPECT_EQ(playing, std::vector<bool>{true});
    EXPECT_EQ(looping, std::vector<bool>{false});
    EXPECT_TRUE(timeline.Playing());
    EXPECT_FALSE(timeline.Looping());
    EXPECT_NE(timeline.grab().toImage(), paused);  // pause bars and a dark switch now
    Click(timeline.PlayButtonRect().center());
    EXPECT_EQ(playing, (std::vector<bool>{true, false}));
    EXPECT_TRUE(scrubs.empty());
}

TEST_F(UiTimeline, DragOnTheBarScrubs) {
    const QRect bar = timeline.BarRect();
    const int y = bar.center().y();
    const QPoint to(bar.left() + bar.width() * 3 / 4, y);
    Pointer({bar.left() + bar.width() / 4, y}, +1);
    EXPECT_TRUE(timeline.Scrubbing());
    Pointer({bar.center().x(), y});
    Pointer(to);
    Pointer({bar.right() + 200, y});  // past the end holds at the length
    Pointer(to, -1);
    EXPECT_FALSE(timeline.Scrubbing());
    ASSERT_GE(scrubs.size(), 4u);
    const double pixel = timeline.Length() / bar.width();
    EXPECT_NEAR(scrubs.front(), 1.0, 2 * pixel);
    EXPECT_NEAR(*std::max_element(scrubs.begin(), scrubs.end()), timeline.Length(), 1e-9);
    EXPECT_NEAR(timeline.Time(), 3.0, 2 * pixel);
    EXPECT_EQ(timeline.XOfTime(timeline.Time()), to.x());
    EXPECT_TRUE(playing.empty());
    timeline.grab().save(UiShotPath("timeline.png"));
    // Time and frame at 30 f/s.
    EXPECT_EQ(TimelineText(1.0, 4.0), QStringLiteral("1.00 / 4.00 s  30 / 120"));
}
