// The viewer started with the corpus figure as its argument: no white-out
// while it loads, the figure in view, pause, F, F12, [ ], and a resize from
// outside.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "app/application.h"
#include "app/disp_window.h"
#include "app/shell_buttons.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "render/renderer.h"
#include "tests/app/app_test_env.h"

namespace {

// Share of pixels near white in every channel.
double WhiteShare(const QImage& image) {
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    long white = 0;
    for (int y = 0; y < x.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(y));
        for (int i = 0; i < x.width(); ++i) white += qRed(p[i]) > 235 && qGreen(p[i]) > 235 && qBlue(p[i]) > 235;
    }
    return x.isNull() ? 0.0 : static_cast<double>(white) / (static_cast<double>(x.width()) * x.height());
}

// The box's corners in the display's pixels (x right, y down), through the
// camera of the last frame; false when a corner is behind the eye.
bool ProjectedRect(const CRenderer& r, const Bounds3& box, QSize size, QRectF* out) {
    const Matrix4 viewProj = MultiplyMatrix(r.MatView, r.MatProj);
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (int c = 0; c < 8; ++c) {
        const Vector4 p = TransformRow({c & 1 ? box.max.x : box.min.x, c & 2 ? box.max.y : box.min.y,
                                        c & 4 ? box.max.z : box.min.z, 1.0f},
                                       viewProj);
        if (p.w <= 0) return false;
        const double x = (p.x / p.w + 1) * 0.5 * size.width(), y = (1 - p.y / p.w) * 0.5 * size.height();
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    }
    *out = QRectF(QPointF(x0, y0), QPointF(x1, y1));
    return true;
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

    // Every picture until the figure has been drawn three times.
    double whitest = 0;
    const auto figureShown = [&] {
        whitest = std::max(whitest, WhiteShare(apptest::ScreenImage(display)));
        const CModel* m = display->CurrentModel();
        return m && m->name.ToUtf8() == "collada-demo-animated-male" && display->FramesRendered() >= 3;
    };
    ASSERT_TRUE(apptest::WaitFor(figureShown, 240000));
    EXPECT_LT(whitest, 0.3);

    // Paused, every frame is the same.
    QTest::keyClick(&app, Qt::Key_P);
    const auto frames = [&](std::uint64_t n) {
        const std::uint64_t target = display->FramesRendered() + n;
        return apptest::WaitFor([&] { return display->FramesRendered() >= target; }, 60000);
    };
    ASSERT_TRUE(frames(2));
    const QImage paused = apptest::ScreenImage(display);
    ASSERT_TRUE(frames(2));
    EXPECT_EQ(apptest::DifferingShare(paused, apptest::ScreenImage(display), 0), 0.0);
    QTest::keyClick(&app, Qt::Key_BracketRight);
    EXPECT_TRUE(app.TitleText().endsWith(" [2x paused]")) << app.TitleText().toStdString();

    // F: the figure's box lies inside the view, and fills a good part of it.
    QTest::keyClick(&app, Qt::Key_F);
    ASSERT_TRUE(frames(2));
    const Bounds3 box = PosedBounds(*display->CurrentModel(), *display->RenderModel1());
    QRectF rect;
    ASSERT_TRUE(ProjectedRect(*display->Renderer(), box, display->size(), &rect));
    EXPECT_TRUE(QRectF(display->rect()).contains(rect));
    EXPECT_GT(rect.height(), display->height() * 0.5);
    const QImage withFigure = apptest::ScreenImage(display);

    // F12: a picture of the 3D view in the start folder, named in the title.
    QTest::keyClick(&app, Qt::Key_F12);
    const QStringList shots = QDir(viewer.root).entryList({QStringLiteral("vorland-*.png")});
    ASSERT_EQ(shots.size(), 1);
    EXPECT_EQ(apptest::DifferingShare(QImage(viewer.root + "/" + shots[0]), withFigure), 0.0);
    EXPECT_TRUE(app.TitleText().contains(" [saved " + shots[0] + "]"));

    // Without the figure the room shows where it stood (spread arms leave
    // much of its box to the room).
    display->ReplaceCurrentModel(nullptr);
    ASSERT_TRUE(frames(2));
    const QRect where = rect.toAlignedRect();
    EXPECT_GT(apptest::DifferingShare(withFigure.copy(where), apptest::ScreenImage(display).copy(where)), 0.1);

    // A window manager's resize: buttons at the new right edge, picture of the new shape.
    app.resize(1100, 640);
    ASSERT_TRUE(frames(1));
    EXPECT_EQ(app.CloseButton()->geometry().right() + 1, 1100 - app.titleBarHeight / 2);
    const Matrix4& proj = display->Renderer()->MatProj;
    EXPECT_NEAR(proj.m[1][1] / proj.m[0][0], static_cast<double>(display->width()) / display->height(), 1e-3);
}
