// The main window on the test's 1920 x 1080 screen: its title texts, the
// drag by the title bar, maximise and restore, the load problems shown once,
// and leaving by the close button or by closing the window.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "tests/core/test_files.h"
#include "app/animation_list_window.h"
#include "app/application.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "settings/settings.h"
#include "app/shell_buttons.h"
#include "tests/app/app_test_env.h"
#include "ui/select_file_dialog.h"

using apptest::Drag;
using apptest::Viewer;
using apptest::WaitFor;

namespace {

QStringList ConfigLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

TEST(AppWindow, TitleTexts) {
    EXPECT_EQ(CApplication::FormatTitle(SceneState::Created, 0.0f), QStringLiteral("Vorland ver1.6"));
    EXPECT_EQ(CApplication::FormatTitle(SceneState::Created, 0.0f), QStringLiteral("Vorland ver1.6"));
    EXPECT_EQ(CApplication::FormatTitle(SceneState::Loading, 0.0f), QStringLiteral("Vorland ver1.6 [LOADING...]"));
    EXPECT_EQ(CApplication::FormatTitle(SceneState::Running, 59.94f),
              QStringLiteral("Vorland ver1.6 [FPS: 59.94 f/s]"));
    EXPECT_EQ(CApplication::FormatTitle(SceneState::Running, 1.5f), QStringLiteral("Vorland ver1.6 [FPS: 1.50 f/s]"));
}

// Built for the real screen, without the room: the scene still runs (empty),
// and what could not be loaded is told once.
TEST(AppWindow, GeometryTitleDragAndLoadProblems) {
    Viewer v(false);
    ASSERT_TRUE(v.ok);
    CApplication& app = *v.app;
    EXPECT_EQ(app.geometry(), QRect(320, 180, 1280, 720));
    EXPECT_EQ(app.Menu()->geometry(), QRect(4, 36, 254, 680));
    EXPECT_EQ(app.Display()->geometry(), QRect(258, 36, 1018, 680));
    EXPECT_EQ(app.CloseButton()->geometry(), QRect(1234, 3, 28, 28));
    EXPECT_EQ(app.SizeButton()->geometry(), QRect(1196, 3, 28, 28));
    EXPECT_EQ(app.MinimizeButton()->geometry(), QRect(1158, 3, 28, 28));
    EXPECT_EQ(app.Menu()->ModelOpenButton()->geometry(), QRect(6, 18, 241, 54));
    EXPECT_EQ(app.Menu()->ModelWriteButton()->geometry(), QRect(6, 72, 241, 54));
    EXPECT_EQ(app.Menu()->AnimOpenButton()->geometry(), QRect(6, 126, 241, 54));
    EXPECT_EQ(app.Menu()->AnimWriteButton()->geometry(), QRect(6, 180, 241, 54));
    EXPECT_EQ(app.Menu()->AnimationList()->geometry(), QRect(6, 261, 241, 391));
    EXPECT_EQ(app.Menu()->AnimationList()->RowHeight(), 24);
    EXPECT_EQ(app.SelectFileDialog()->geometry(), QRect(576, 324, 768, 432));
    // Without config.ini the settings' colours, not the built-in ones.
    EXPECT_EQ(app.background, (CColor4{255, 140, 110, 110}));
    EXPECT_EQ(app.bar, (CColor4{255, 100, 70, 70}));

    ASSERT_TRUE(WaitFor([&] { return app.Display()->State() >= SceneState::Loading; }, 10000));
    if (app.Display()->State() == SceneState::Loading) {
        EXPECT_EQ(app.TitleText(), QStringLiteral("Vorland ver1.6 [LOADING...]"));
    }
    ASSERT_TRUE(v.WaitRunning());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Vorland ver1\\.6 \\[FPS: \\d+\\.\\d\\d f/s\\]$"))
                    .match(app.TitleText())
                    .hasMatch())
        << app.TitleText().toStdString();

    // The missing room and sky go to the message window, once.
    CMessageDialog* messages = app.MessageDialog();
    ASSERT_TRUE(WaitFor([&] { return messages->isVisible(); }, 10000));
    EXPECT_EQ(messages->objectName(), QStringLiteral("CLASS_MESSAGE_DIALOG"));
    EXPECT_TRUE(messages->Text().contains(QStringLiteral("washitu1.dae"))) << messages->Text().toStdString();
    EXPECT_TRUE(messages->Text().contains(QStringLiteral("cloud.png"))) << messages->Text().toStdString();
    app.repaint();
    messages->grab().save(UiShotPath(QStringLiteral("app_load_problem.png")));
    app.grab().save(UiShotPath(QStringLiteral("app_empty_scene.png")));
    apptest::Click(messages->OkButton());
    EXPECT_FALSE(messages->isVisible());
    QTest::qWait(1500);
    EXPECT_FALSE(messages->isVisible());

    // The title text is drawn in the background colour plus 50 on each channel.
    const QImage title = app.grab(QRect(0, 0, 600, app.titleBarHeight)).toImage();
    int textPixels = 0;
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x)
            if (title.pixelColor(x, y) == QColor(190, 160, 160)) ++textPixels;
    EXPECT_GT(textPixels, 20);

    // A press below the title bar and a drag: nothing moves.
    Drag(&app, QPoint(600, 300), QPoint(80, 40));
    QTest::qWait(50);
    EXPECT_EQ(app.windowX, 320);
    EXPECT_EQ(app.pos(), QPoint(320, 180));
    // From the title bar: the window follows.
    Drag(&app, QPoint(600, 10), QPoint(80, 40));
    EXPECT_EQ(app.windowX, 400);
    EXPECT_EQ(app.windowY, 220);
    EXPECT_TRUE(WaitFor([&] { return app.pos() == QPoint(400, 220); }, 5000));
    EXPECT_FALSE(app.buttonDown);
    EXPECT_FALSE(app.pressInTitleBar);

    // Maximised: no drag at all; restore comes back to the dragged place.
    apptest::Click(app.SizeButton());
    EXPECT_TRUE(app.maximized);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(0, 0, 1920, 1080); }, 5000));
    EXPECT_EQ(app.Display()->geometry(), QRect(258, 36, 1658, 1040));
    EXPECT_EQ(app.CloseButton()->geometry(), QRect(1874, 3, 28, 28));
    app.grab().save(UiShotPath(QStringLiteral("app_maximised.png")));
    Drag(&app, QPoint(600, 10), QPoint(80, 40));
    EXPECT_EQ(app.windowX, 400);
    EXPECT_EQ(app.pos(), QPoint(0, 0));
    apptest::Click(app.SizeButton());
    EXPECT_FALSE(app.maximized);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(400, 220, 1280, 720); }, 5000));
    EXPECT_EQ(app.Display()->geometry(), QRect(258, 36, 1018, 680));

    // Minimise and back keeps the drag position.
    apptest::Click(app.MinimizeButton());
    QTest::qWait(100);
    app.showNormal();
    QTest::qWait(100);
    EXPECT_EQ(app.windowX, 400);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(400, 220, 1280, 720); }, 5000));

    // The space key: the whole screen for the display, then back.
    QTest::keyClick(app.Display(), Qt::Key_Space);
    EXPECT_TRUE(WaitFor([&] { return app.Display()->geometry() == QRect(0, 0, 1920, 1080); }, 5000));
    EXPECT_TRUE(app.maximized);
    EXPECT_FALSE(app.Menu()->isVisible());
    EXPECT_FALSE(app.CloseButton()->isVisible());
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(0, 0, 1920, 1080); }, 5000));
    QTest::keyClick(app.Display(), Qt::Key_Space);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(400, 220, 1280, 720); }, 5000));
    EXPECT_FALSE(app.maximized);
    EXPECT_EQ(app.Display()->geometry(), QRect(258, 36, 1018, 680));
    EXPECT_TRUE(app.Menu()->isVisible());
    EXPECT_TRUE(app.CloseButton()->isVisible());
}

// The close button from a browsed-away working directory: config.ini lands
// in the start directory, whole.
TEST(AppWindow, CloseButtonWritesConfigInTheStartDirectory) {
    Viewer v(false);
    ASSERT_TRUE(v.ok);
    CApplication& app = *v.app;
    ASSERT_TRUE(v.WaitRunning());
    CViewCamera camera = app.Display()->GetScene().Camera();  // moved by the user
    camera.RotationZ = 0.5f;
    camera.At = {1.0f, 2.0f, 3.0f};
    app.Display()->GetScene().SetCamera(camera);
    ASSERT_TRUE(QDir().mkpath(v.root + "/sub"));
    ASSERT_TRUE(QDir::setCurrent(v.root + "/sub"));
    apptest::Click(app.CloseButton());
    EXPECT_TRUE(app.Closed());
    EXPECT_EQ(QDir::currentPath(), v.root);
    EXPECT_FALSE(QFile::exists(v.root + "/sub/config.ini"));
    const QStringList lines = ConfigLines(v.root + "/config.ini");
    ASSERT_EQ(lines.size(), 49);
    EXPECT_EQ(lines.first(), QStringLiteral("ScreenWidth = 1536"));
    EXPECT_EQ(lines.last(), QStringLiteral("InspectView = 0"));  // the room view stays the default
    EXPECT_EQ(lines[2], QStringLiteral("ModelPath = washitu1.dae"));
    EXPECT_TRUE(lines.contains(QStringLiteral("RotationZ = 0.500000")));
    EXPECT_EQ(lines[41], QStringLiteral("AtZ = 3.000000"));
}

// Closing the window another way behaves like the close button, and the
// settings read at start-up are what is written back.
TEST(AppWindow, ClosingTheWindowWritesConfigToo) {
    ScratchDir dir;
    const QString previous = QDir::currentPath();
    {
        QFile f(dir.path() + "/config.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BKColorR=200\r\nRotationX = 1.25\r\nbogus = 3\r\n");
    }
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        auto app = std::make_unique<CApplication>();
        EXPECT_EQ(app->background, (CColor4{255, 200, 110, 110}));
        app->CreateMainWindow();
        app->close();
        EXPECT_TRUE(app->Closed());
    }
    QDir::setCurrent(previous);
    // The file's lines in their place (an unknown key too), the keys it lacked after them.
    const QStringList lines = ConfigLines(dir.path() + "/config.ini");
    ASSERT_EQ(lines.size(), 50);
    EXPECT_EQ(lines.mid(0, 3), (QStringList{QStringLiteral("BKColorR = 200"), QStringLiteral("RotationX = 1.250000"),
                                            QStringLiteral("bogus = 3")}));
    EXPECT_EQ(lines[3], QStringLiteral("ScreenWidth = 1536"));
}

// A config.ini that cannot be read as settings is said at start, in the
// message window, and left as it is when the close button is clicked.
TEST(AppWindow, AnUnreadableConfigIsReportedAndNeverWrittenOver) {
    const QByteArray bytes = "BKColorR = 10\r\nRotationX = 0.25\r\n" + QByteArray(2 << 20, 'x') + "\r\n";
    Viewer v(false, nullptr, bytes);
    ASSERT_TRUE(v.ok);
    EXPECT_EQ(v.app->background.R, 140);  // the default, not the file's 10
    CMessageDialog* messages = v.app->MessageDialog();
    ASSERT_TRUE(WaitFor([&] { return messages->isVisible(); }, 10000));
    EXPECT_TRUE(messages->Text().contains(QStringLiteral("config.ini: larger than 1 MB")))
        << messages->Text().toStdString();
    messages->grab().save(UiShotPath(QStringLiteral("app_unreadable_config.png")));
    apptest::Click(v.app->CloseButton());
    EXPECT_TRUE(v.app->Closed());
    QFile f(v.root + "/config.ini");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll() == bytes);
}
