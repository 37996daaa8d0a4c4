// The viewer started with the corpus figure as argument: loading, P, F, F12, [ ], a resize.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "app/shell_buttons.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "render/renderer.h"
#include "tests/app/app_test_env.h"
#include "ui/timeline.h"

namespace {
// The box's corners in the display's pixels through the last frame's camera.
QRectF ProjectedRect(const CRenderer& r, const Bounds3& box, QSize size) {
    const Matrix4 viewProj = MultiplyMatrix(r.MatView, r.MatProj);
    QPolygonF corners;
    for (int c = 0; c < 8; ++c) {
        const Vector4 p = TransformRow(
            {c & 1 ? box.max.x : box.min.x, c & 2 ? box.max.y : box.min.y, c & 4 ? box.max.z : box.min.z, 1}, viewProj);
        if (p.w <= 0) return QRectF(-1, -1, 1e6, 1e6);  // behind the eye: never inside
        corners << QPointF((p.x / p.w + 1) * 0.5 * size.width(), (1 - p.y / p.w) * 0.5 * size.height());
    }
    return corners.boundingRect();
}
}  // namespace

TEST(AppViewerKeys, OpensByArgumentFramesPausesAndNeverWhitesOut) {
    const QString figure = QStringLiteral(VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae");
    ASSERT_TRUE(QFileInfo::exists(figure)) << figure.toStdString();
    apptest::Viewer viewer(true);
    ASSERT_TRUE(viewer.ok);
    CApplication& app = *viewer.app;
    CDispWindow* display = app.Display();
    app.OpenFiles({figure});  // what main does with its arguments

    // Every picture until the figure has been drawn three times: never mostly white.
    QImage white(display->size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    double whitest = 0;
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            whitest = std::max(whitest, 1.0 - apptest::DifferingShare(apptest::ScreenImage(display), white, 20));
            const CModel* m = display->GetScene().CurrentModel();
            return m && m->name.ToUtf8() == "collada-demo-animated-male" && display->GetScene().FramesRendered() >= 3;
        },
        240000));
    EXPECT_LT(whitest, 0.3);

    const auto frames = [&](std::uint64_t n) {
        const std::uint64_t target = display->GetScene().FramesRendered() + n;
        const bool drawn = apptest::WaitFor([&] { return display->GetScene().FramesRendered() >= target; }, 60000);
        display->repaint();  // the newest picture on the screen now, not at the next poll
        return drawn;
    };
    QTest::keyClick(&app, Qt::Key_P);  // paused, every frame is the same
    ASSERT_TRUE(frames(2));
    const QImage paused = apptest::ScreenImage(display);
    ASSERT_TRUE(frames(2));
    EXPECT_EQ(apptest::DifferingShare(paused, apptest::ScreenImage(display), 0), 0.0);
    QTest::keyClick(&app, Qt::Key_BracketRight);
    EXPECT_TRUE(app.TitleText().endsWith(" [2x paused]")) << app.TitleText().toStdString();

    // F: the figure's box lies inside the view and fills much of its height.
    QTest::keyClick(&app, Qt::Key_F);
    ASSERT_TRUE(frames(2));
    const QRectF rect =
        ProjectedRect(*display->GetScene().Renderer(),
                      PosedBounds(*display->GetScene().CurrentModel(), *display->GetScene().RenderModel(0)),
                      display->ViewRect().size());
    EXPECT_TRUE(QRectF(display->ViewRect()).contains(rect));
    EXPECT_GT(rect.height(), display->ViewRect().height() * 0.5);
    const QImage withFigure = apptest::ScreenImage(display);

    // F12: the 3D view in the start folder, named in the title.
    QTest::keyClick(&app, Qt::Key_F12);
    const QStringList shots = QDir(viewer.root).entryList({QStringLiteral("vorland-*.png")});
    ASSERT_EQ(shots.size(), 1);
    EXPECT_EQ(apptest::DifferingShare(QImage(viewer.root + "/" + shots[0]), withFigure), 0.0);
    EXPECT_TRUE(app.TitleText().contains(" [saved " + shots[0] + "]"));

    // Scrubbed to 1.0 s: the pose of `vorland-cli render --time 1` (inspection view, no grid, framed as opened).
    for (const Qt::Key k : {Qt::Key_R, Qt::Key_G}) QTest::keyClick(&app, k);
    const QRect bar = display->Timeline()->BarRect();
    int x = bar.left();
    while (x < bar.right() && std::lround(display->Timeline()->TimeAtX(x) * 50) < 50) ++x;
    apptest::Drag(display->Timeline(), {x, bar.center().y()}, {0, 0}, 1);
    QTest::keyClick(&app, Qt::Key_F);
    display->GetScene().WaitUntilIdle();
    EXPECT_DOUBLE_EQ(display->GetScene().AnimationTime(), 1.0);
    ASSERT_TRUE(frames(2));
    const QImage scrubbed = display->grabFramebuffer().copy(display->ViewRect());
    const auto cli = [&](const char* time) {
        QProcess render;
        render.start(
            QStringLiteral(VORLAND_CLI),
            {"render", figure, "-o", viewer.root + "/t.png", "--view", "inspect", "--fit", "--no-grid", "--time", time,
             "--width", QString::number(scrubbed.width()), "--height", QString::number(scrubbed.height())});
        EXPECT_TRUE(render.waitForFinished(120000) && render.exitCode() == 0);
        return QImage(viewer.root + "/t.png");
    };
    EXPECT_LT(apptest::DifferingShare(scrubbed, cli("1"), 24), 0.01);
    EXPECT_GT(apptest::DifferingShare(scrubbed, cli("0"), 24), 0.03);  // not the pose at 0
    for (const Qt::Key k : {Qt::Key_G, Qt::Key_R}) QTest::keyClick(&app, k);

    // Without the figure the room shows where it stood (its arms leave much of its box to the room).
    display->GetScene().ReplaceModel(nullptr);
    display->GetScene().WaitUntilIdle();
    ASSERT_TRUE(frames(2));
    const QRect where = rect.toAlignedRect();
    EXPECT_GT(apptest::DifferingShare(withFigure.copy(where), apptest::ScreenImage(display).copy(where)), 0.1);

    // A window manager's resize: buttons at the new right edge, a picture of the new shape.
    app.resize(1100, 640);
    ASSERT_TRUE(frames(2));  // the frame under way may have begun before the resize
    EXPECT_EQ(app.CloseButton()->geometry().right() + 1, 1100 - app.titleBarHeight / 2);
    const Matrix4& proj = display->GetScene().Renderer()->MatProj;
    EXPECT_NEAR(proj.m[1][1] / proj.m[0][0],
                static_cast<double>(display->ViewRect().width()) / display->ViewRect().height(), 1e-3);

    // Minimised, nobody sees it: no frames (the one under way may finish); shown again, they come back.
    app.showMinimized();
    ASSERT_TRUE(apptest::WaitFor([&] { return app.isMinimized(); }, 5000));
    QTest::qWait(100);
    const std::uint64_t hidden = display->GetScene().FramesRendered();
    QTest::qWait(3000);
    EXPECT_LE(display->GetScene().FramesRendered(), hidden + 1);
    app.showNormal();
    EXPECT_TRUE(frames(1));
}
