// The inspection keys on a small skinned leg: the view, overlays, sides,
// the timeline and the help, each judged by the pixels it puts on screen.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <cmath>

#include "app/animation_list_window.h"
#include "app/menu_window.h"
#include "render/camera_fit.h"
#include "settings/settings.h"
#include "tests/app/app_test_env.h"
#include "ui/timeline.h"

namespace {

// Pixels of the bones' orange (the grid's grey is not), and with `joints` of the joints' yellow.
int BonePixels(const QImage& image, bool joints = false) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.red() > 200 && c.green() > 100 && c.green() < (joints ? 245 : 180) && c.blue() < (joints ? 120 : 70);
        }
    return n;
}

bool Grey(QColor c) { return std::abs(c.red() - c.green()) < 12 && std::abs(c.green() - c.blue()) < 16; }

}  // namespace

TEST(AppInspector, KeysChangeWhatTheViewShows) {
    const QString leg = QStringLiteral(VORLAND_SOURCE_DIR "/tests/data/corpus/blender/leg-with-control-bones.dae");
    ASSERT_TRUE(QFileInfo::exists(leg));
    apptest::Viewer viewer(true);
    ASSERT_TRUE(viewer.ok && viewer.WaitRunning());
    CApplication& app = *viewer.app;
    CDispWindow* display = app.Display();
    Scene& scene = display->GetScene();
    app.OpenFiles({leg});
    display->Settle();
    ASSERT_TRUE(apptest::WaitFor([&] { return scene.Snapshot().modelFile == "leg-with-control-bones.dae"; }, 60000));
    EXPECT_TRUE(app.TitleText().contains(" - leg-with-control-bones.dae")) << app.TitleText().toStdString();
    EXPECT_NEAR(scene.Camera().RotationZ, kFrontRotationZ, 1e-5);  // opened: framed from the front
    const SceneSnapshot snapshot = scene.Snapshot();
    ASSERT_GE(snapshot.activeAnimation, 0);
    EXPECT_EQ(app.Menu()->AnimationList()->PlayingIndex(), snapshot.activeAnimation);
    ASSERT_GT(scene.AnimationLength(), 0.2);

    // The next two frames drawn, then the view as the screen shows it.
    const auto shot = [&] {
        display->Settle();
        const std::uint64_t target = scene.FramesRendered() + 2;
        EXPECT_TRUE(apptest::WaitFor([&] { return scene.FramesRendered() >= target; }, 60000));
        return display->grabFramebuffer().copy(display->ViewRect());
    };
    const auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&app, static_cast<Qt::Key>(k), m);
    };
    key(Qt::Key_Home);  // paused at the first frame: every picture the same
    EXPECT_TRUE(scene.Paused());
    const QImage room = shot();

    // R: the neutral gradient instead of the room, remembered for the next start.
    key(Qt::Key_R);
    const QImage inspect = shot();
    EXPECT_EQ(app.Settings()->InspectView, 1);
    const QColor top = inspect.pixelColor(2, 2), bottom = inspect.pixelColor(2, inspect.height() - 3);
    EXPECT_TRUE(Grey(top) && Grey(bottom)) << top.name().toStdString() << " " << bottom.name().toStdString();
    EXPECT_NE(top, bottom);
    EXPECT_GT(apptest::DifferingShare(room, inspect), 0.5);

    // B, W and G in the inspection view, then B over the room.
    key(Qt::Key_B);
    EXPECT_GT(BonePixels(shot()), BonePixels(inspect) + 60);
    key(Qt::Key_B);
    for (int k : {Qt::Key_W, Qt::Key_G}) {
        key(k);
        EXPECT_GT(apptest::DifferingShare(inspect, shot(), 20), 0.002) << k;
        key(k);
    }
    EXPECT_LT(apptest::DifferingShare(inspect, shot()), 0.001);  // each key undoes itself
    key(Qt::Key_R);
    key(Qt::Key_B);
    EXPECT_GT(BonePixels(shot(), true), BonePixels(room, true) + 60);  // seen from the front, lines overlap
    key(Qt::Key_B);
    key(Qt::Key_R);

    // Sides: front, right and top each frame the leg differently; 0 goes back home.
    const QImage front = inspect;
    key(Qt::Key_3);
    const QImage right = shot();
    key(Qt::Key_7);
    const QImage above = shot();
    EXPECT_GT(apptest::DifferingShare(front, right, 20), 0.02);
    EXPECT_GT(apptest::DifferingShare(right, above, 20), 0.02);
    key(Qt::Key_1, Qt::ControlModifier);
    display->Settle();
    EXPECT_NEAR(scene.Camera().RotationZ, -kFrontRotationZ, 1e-5);
    key(Qt::Key_0);
    display->Settle();
    EXPECT_FLOAT_EQ(scene.Camera().RotationX, app.Settings()->RotationX);

    // The room view keeps the eye in the room: zoomed, dragged and turned far out, never the plain background.
    key(Qt::Key_R);
    QImage plain(display->ViewRect().size(), QImage::Format_RGB32);
    plain.fill(QColor::fromRgbF(scene.Background()[0], scene.Background()[1], scene.Background()[2]));
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < 40; ++n) apptest::Wheel(display, -120);
        apptest::Drag(display, {10, 10}, {display->width() - 20, display->height() - 20}, 8);
        EXPECT_GT(apptest::DifferingShare(shot(), plain, 6), 0.98) << i;
        for (const auto t : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
            apptest::SendMouse(display, t, QPoint(t == QEvent::MouseButtonPress ? 300 : 335, 300), Qt::RightButton);
    }
    key(Qt::Key_R);
    key(Qt::Key_1);

    // The timeline: a drag on its bar poses the leg there at once; frame keys step by 1/30 s.
    CTimeline* timeline = display->Timeline();
    ASSERT_TRUE(timeline->isVisible());
    const QRect bar = timeline->BarRect();
    const QImage start = shot();
    scene.SetPaused(false);
    apptest::Drag(timeline, {bar.left() + 1, bar.center().y()}, {bar.width() / 2, 0});
    const QImage middle = shot();
    EXPECT_TRUE(scene.Paused());
    EXPECT_NEAR(scene.AnimationTime(), timeline->TimeAtX(bar.left() + 1 + bar.width() / 2), 0.03);
    EXPECT_GT(apptest::DifferingShare(start, middle, 20), 0.002);
    const double before = scene.AnimationTime();
    key(Qt::Key_Period);
    display->Settle();
    EXPECT_NEAR(scene.AnimationTime() - before, 1.0 / 30, 0.021);
    EXPECT_EQ(std::floor(scene.AnimationTime() * 30 + 1e-6), std::floor(before * 30 + 1e-6) + 1);
    key(Qt::Key_End);
    display->Settle();
    EXPECT_GT(scene.AnimationTime(), scene.AnimationLength() - 0.05);

    // T: the bind pose, whatever the time, and back to the pose it left; a seek leaves it.
    const QImage end = shot();
    key(Qt::Key_T);
    const QImage bind = shot();
    EXPECT_GT(apptest::DifferingShare(end, bind, 20), 0.0005);
    key(Qt::Key_Home);
    key(Qt::Key_T);
    EXPECT_LT(apptest::DifferingShare(bind, shot(), 20), 0.001);
    key(Qt::Key_T);
    EXPECT_LT(apptest::DifferingShare(start, shot(), 20), 0.001);

    // L: the picture takes the whole widget; H: the help over it.
    key(Qt::Key_L);
    EXPECT_EQ(display->ViewRect(), display->rect());
    const QImage whole = shot();
    key(Qt::Key_H);
    EXPECT_GT(apptest::DifferingShare(whole, shot(), 20), 0.05);
    key(Qt::Key_H);
    key(Qt::Key_L);
}
