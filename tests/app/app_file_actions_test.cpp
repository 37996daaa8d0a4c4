// File actions repeated while the display's tick thread steps the model and
// the paint draws it (also run under ThreadSanitizer), and the colour key.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "tests/core/test_files.h"
#include "app/animation_list_window.h"
#include "app/application.h"
#include "app/disp_window.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "app/shell_buttons.h"
#include "model/model.h"
#include "model/render_model.h"
#include "tests/app/app_test_env.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"

using apptest::Click;
using apptest::RunAction;
using apptest::WaitFor;

TEST(AppFileActions, OpenAndExtendModelsWhileTheTickRuns) {
    const QString figure = QStringLiteral(VORLAND_CORPUS_DIR "/blender/letter-f-animated.dae");
    ASSERT_TRUE(QFileInfo::exists(figure)) << "missing test data: " << figure.toStdString();
    apptest::Viewer v(false);
    ASSERT_TRUE(v.ok);
    ASSERT_TRUE(QFile::copy(figure, v.root + "/f.dae"));
    CApplication& app = *v.app;
    ASSERT_TRUE(v.WaitRunning());
    ASSERT_TRUE(WaitFor([&] { return app.MessageDialog()->isVisible(); }, 10000));  // no room here
    Click(app.MessageDialog()->OkButton());
    CDispWindow* display = app.Display();
    CAnimationListWindow* list = app.Menu()->AnimationList();

    // Nothing open yet: nothing is written, and the user is told.
    for (CCustomButton* write : {static_cast<CCustomButton*>(app.Menu()->ModelWriteButton()),
                                 static_cast<CCustomButton*>(app.Menu()->AnimWriteButton())}) {
        RunAction(app, write, QStringLiteral("f"));
        EXPECT_TRUE(app.MessageDialog()->Text().contains(QStringLiteral("nothing to write")));
        Click(app.MessageDialog()->OkButton());
    }
    EXPECT_FALSE(QFileInfo::exists(v.root + "/f.mdl") || QFileInfo::exists(v.root + "/f.ani"));

    RunAction(app, app.Menu()->ModelOpenButton(), QStringLiteral("f.dae"));
    ASSERT_NE(display->GetScene().RenderModel(0), nullptr);
    const int imported = list->AnimationCount();
    ASSERT_GE(imported, 1);
    RunAction(app, app.Menu()->AnimWriteButton(), QStringLiteral("f"));
    ASSERT_TRUE(QFileInfo::exists(v.root + "/f.ani"));

    for (int round = 0; round < 4; ++round) {
        RunAction(app, app.Menu()->ModelOpenButton(), round % 2 ? QStringLiteral("f.dae") : QStringLiteral("f.mdl"));
        if (round == 0) {  // no f.mdl yet: told, and an empty model stays
            EXPECT_TRUE(app.MessageDialog()->isVisible());
            Click(app.MessageDialog()->OkButton());
            RunAction(app, app.Menu()->ModelOpenButton(), QStringLiteral("f.dae"));
            RunAction(app, app.Menu()->ModelWriteButton(), QStringLiteral("f"));
            ASSERT_TRUE(QFileInfo::exists(v.root + "/f.mdl"));
            continue;
        }
        const int base = list->AnimationCount();
        RunAction(app, app.Menu()->AnimOpenButton(), QStringLiteral("f.ani"));
        EXPECT_FALSE(app.MessageDialog()->isVisible()) << app.MessageDialog()->Text().toStdString();
        ASSERT_EQ(list->AnimationCount(), base + 1);
        EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, base);
        Click(list, QPoint(list->width() / 2, list->RowHeight() / 2));
        EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, 0);
        if (round == 3) {  // and the figure is drawn with what was added
            const std::uint64_t frames = display->GetScene().FramesRendered();
            EXPECT_TRUE(WaitFor([&] { return display->GetScene().FramesRendered() > frames; }, 60000));
        }
    }
    EXPECT_EQ(display->State(), SceneState::Running);
}

// The select-file dialog disables the main window while it is open; that
// must not cost a frame of the scene (about a second on a software
// renderer) at the next repaint of a button or the list.
TEST(AppFileActions, TheDialogDrawsNoSceneFrame) {
    apptest::Viewer v(false);
    ASSERT_TRUE(v.ok);
    CApplication& app = *v.app;
    ASSERT_TRUE(v.WaitRunning());
    ASSERT_TRUE(WaitFor([&] { return app.MessageDialog()->isVisible(); }, 10000));  // no room here
    Click(app.MessageDialog()->OkButton());
    CDispWindow* display = app.Display();
    display->repaint();  // nothing of the scene left to draw
    const std::uint64_t frames = display->GetScene().FramesRendered();
    for (CCustomButton* button : {static_cast<CCustomButton*>(app.Menu()->ModelOpenButton()),
                                  static_cast<CCustomButton*>(app.Menu()->AnimWriteButton())}) {
        Click(button);
        ASSERT_TRUE(app.SelectFileDialog()->isVisible());
        EXPECT_FALSE(app.isEnabled());
        Click(app.SelectFileDialog()->CancelButton());
        EXPECT_TRUE(app.isEnabled());
        app.Menu()->AnimationList()->Refresh();
    }
    EXPECT_EQ(display->GetScene().FramesRendered(), frames);
}

// A title bar configured pure white is see-through (the colour key).
TEST(AppFileActions, WhiteBarIsTransparent) {
    ScratchDir dir;
    const QString previous = QDir::currentPath();
    {
        QFile f(dir.path() + "/config.ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BarColorR = 255\r\nBarColorG = 255\r\nBarColorB = 255\r\n");
    }
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        CApplication app;
        ASSERT_EQ(app.bar, (CColor4{255, 255, 255, 255}));
        app.CreateMainWindow();
        const QImage image = app.grab().toImage();
        EXPECT_EQ(image.pixelColor(900, 10).alpha(), 0);
        EXPECT_EQ(image.pixelColor(900, 2).alpha(), 0);
        app.close();
    }
    QDir::setCurrent(previous);
}

// A model opened before the scene runs opens once the room is in.
TEST(AppFileActions, OpenBeforeTheSceneRunsFollowsTheRoom) {
    const QString figure = QStringLiteral(VORLAND_CORPUS_DIR "/blender/letter-f-animated.dae");
    ASSERT_TRUE(QFileInfo::exists(figure)) << "missing test data: " << figure.toStdString();
    apptest::Viewer v(true);
    ASSERT_TRUE(v.ok);
    ASSERT_TRUE(QFile::copy(figure, v.root + "/f.dae"));
    CApplication& app = *v.app;
    if (app.Display()->State() == SceneState::Running) GTEST_SKIP() << "the scene loaded at once";
    RunAction(app, app.Menu()->ModelOpenButton(), QStringLiteral("f.dae"));
    EXPECT_FALSE(app.SelectFileDialog()->isVisible());
    EXPECT_FALSE(app.MessageDialog()->isVisible()) << app.MessageDialog()->Text().toStdString();
    ASSERT_TRUE(v.WaitRunning());
    ASSERT_NE(app.Display()->GetScene().CurrentModel(), nullptr);
    EXPECT_EQ(app.Display()->GetScene().CurrentModel()->name.ToUtf8(), "f");
}
