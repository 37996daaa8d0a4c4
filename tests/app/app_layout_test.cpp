// The main window, the menu strip and the select-file dialog laid out on a
// 1920 x 1080 and a 1366 x 768 screen, restored and maximised.
#include <gtest/gtest.h>

#include <vector>

#include "app/animation_list_window.h"
#include "app/file_actions.h"
#include "ui/select_list.h"
#include "app/application.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "app/shell_buttons.h"
#include "app/shell_layout.h"
#include "tests/app/app_test_env.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"

using apptest::Viewer;
using apptest::WaitFor;

// The main window's table: a screen's default window, restored and maximised.
TEST(AppLayout, MainWindowTables) {
    struct Case {
        int screenHeight, windowWidth, width, height;
        int titleBar, menuWidth, buttonSize, buttonTop, closeLeft, sizeLeft, minimiseLeft;
        QRect menu, display;
    };
    const Case cases[] = {
        {1080, 1280, 1280, 720, 36, 254, 28, 3, 1234, 1196, 1158, {4, 36, 254, 680}, {258, 36, 1018, 680}},
        {1080, 1280, 1920, 1080, 36, 254, 28, 3, 1874, 1836, 1798, {4, 36, 254, 1040}, {258, 36, 1658, 1040}},
        {768, 910, 910, 512, 25, 180, 20, 2, 878, 851, 824, {4, 25, 180, 483}, {184, 25, 722, 483}},
    };
    for (const Case& c : cases) {
        const CMainLayout l = ComputeMainLayout(c.screenHeight, c.windowWidth, c.width, c.height);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(std::vector<int>({l.titleBar, l.menuWidth, l.menuHeight, l.buttonSize, l.buttonTop, l.closeLeft,
                                    l.sizeLeft, l.minimiseLeft}),
                  std::vector<int>({c.titleBar, c.menuWidth, c.menu.height(), c.buttonSize, c.buttonTop, c.closeLeft,
                                    c.sizeLeft, c.minimiseLeft}));
        EXPECT_EQ(l.menu, c.menu);
        EXPECT_EQ(l.display, c.display);
    }
    EXPECT_EQ(DefaultWindowRect(1920, 1080), QRect(320, 180, 1280, 720));
    EXPECT_EQ(DefaultWindowRect(1366, 768), QRect(228, 128, 910, 512));
    EXPECT_EQ(CSelectFileDialog::DefaultRect(CScreenMetrics::FromValues(1920, 1080)), QRect(576, 324, 768, 432));
    EXPECT_EQ(CSelectFileDialog::DefaultRect(CScreenMetrics::FromValues(1366, 768)), QRect(410, 230, 546, 307));
}

TEST(AppLayout, MenuTables) {
    struct Case {
        int width, height, titleBar;
        int buttonWidth, buttonLeft, buttonHeight, tops[4];
        QRect list;
    };
    const Case cases[] = {
        {254, 680, 36, 241, 6, 54, {18, 72, 126, 180}, {6, 261, 241, 391}},
        {180, 483, 25, 171, 4, 37, {12, 49, 86, 123}, {4, 178, 171, 285}},
    };
    for (const Case& c : cases) {
        const CMenuLayout l = ComputeMenuLayout(c.width, c.height, c.titleBar);
        SCOPED_TRACE(c.width);
        EXPECT_EQ(std::vector<int>({l.buttonWidth, l.buttonLeft, l.buttonHeight, l.buttonTops[0], l.buttonTops[1],
                                    l.buttonTops[2], l.buttonTops[3]}),
                  std::vector<int>(
                      {c.buttonWidth, c.buttonLeft, c.buttonHeight, c.tops[0], c.tops[1], c.tops[2], c.tops[3]}));
        EXPECT_EQ(l.list, c.list);
    }
}

// The real windows, built for a 1366 x 768 screen (inside the test's larger
// one): every child where the tables put it.
TEST(AppLayout, WindowsBuiltFor1366x768) {
    const CScreenMetrics m = CScreenMetrics::FromValues(1366, 768);
    Viewer v(false, &m);
    ASSERT_TRUE(v.ok);
    CApplication& app = *v.app;
    EXPECT_EQ(app.objectName(), QStringLiteral("CLASS_MAINWINDOW"));
    EXPECT_TRUE(app.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(app.geometry(), QRect(228, 128, 910, 512));
    EXPECT_EQ(app.titleBarHeight, 25);
    EXPECT_EQ(app.Menu()->objectName(), QStringLiteral("CLASS_MENUWINDOW"));
    EXPECT_EQ(app.Menu()->geometry(), QRect(4, 25, 180, 483));
    EXPECT_EQ(app.Display()->objectName(), QStringLiteral("CLASS_DISPWINDOW"));
    EXPECT_EQ(app.Display()->geometry(), QRect(184, 25, 722, 483));
    EXPECT_EQ(app.CloseButton()->geometry(), QRect(878, 2, 20, 20));
    EXPECT_EQ(app.SizeButton()->geometry(), QRect(851, 2, 20, 20));
    EXPECT_EQ(app.MinimizeButton()->geometry(), QRect(824, 2, 20, 20));
    EXPECT_EQ(app.Menu()->ModelOpenButton()->geometry(), QRect(4, 12, 171, 37));
    EXPECT_EQ(app.Menu()->AnimWriteButton()->geometry(), QRect(4, 123, 171, 37));
    CAnimationListWindow* list = app.Menu()->AnimationList();
    EXPECT_EQ(list->objectName(), QStringLiteral("CLASS_ANIMATIONLISTWINDOW"));
    EXPECT_EQ(list->geometry(), QRect(4, 178, 171, 285));
    EXPECT_EQ(list->RowHeight(), 17);
    EXPECT_EQ(app.SelectFileDialog()->geometry(), QRect(410, 230, 546, 307));
    EXPECT_FALSE(app.SelectFileDialog()->isVisible());
    app.grab().save(UiShotPath(QStringLiteral("app_1366x768.png")));

    app.ToggleMaximized();
    EXPECT_TRUE(app.maximized);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(0, 0, 1366, 768); }, 5000)) << app.geometry().x();
    EXPECT_EQ(app.Menu()->geometry(), QRect(4, 25, 180, 739));
    EXPECT_EQ(app.Display()->geometry(), QRect(184, 25, 1178, 739));
    EXPECT_EQ(app.CloseButton()->geometry(), QRect(1334, 2, 20, 20));
    EXPECT_EQ(app.menuHeight, 739);
    // The animation list grows with the strip; its rows keep their height.
    EXPECT_EQ(list->geometry(), ComputeMenuLayout(180, 739, 25).list);
    EXPECT_EQ(list->RowHeight(), 17);
    EXPECT_EQ(list->ScrollBar()->TrackLength(), list->height());

    app.ToggleMaximized();
    EXPECT_FALSE(app.maximized);
    EXPECT_TRUE(WaitFor([&] { return app.geometry() == QRect(228, 128, 910, 512); }, 5000));
    EXPECT_EQ(app.Display()->geometry(), QRect(184, 25, 722, 483));
    EXPECT_EQ(app.CloseButton()->geometry(), QRect(878, 2, 20, 20));
}

// The type the OK action goes by: the selected row's, or with nothing
// selected the typed name's.
TEST(AppLayout, ActionTypeFromRowOrTypedName) {
    EXPECT_EQ(FileTypeOfName(QStringLiteral("robot.dae")), CSelectList::kTypeCollada);
    EXPECT_EQ(FileTypeOfName(QStringLiteral("robot.mdl")), CSelectList::kTypeModel);
    EXPECT_EQ(FileTypeOfName(QStringLiteral("walk.ani")), CSelectList::kTypeAnimation);
    EXPECT_EQ(FileTypeOfName(QStringLiteral("walk.ANI")), CSelectList::kTypeAnimation);  // any letter case
    EXPECT_EQ(FileTypeOfName(QStringLiteral(".dae")), CSelectList::kTypeOther);          // no name before it
    EXPECT_EQ(FileTypeOfName(QStringLiteral("walk")), CSelectList::kTypeOther);
    EXPECT_EQ(ActionType(CSelectList::kTypeNone, QStringLiteral("robot.dae")), CSelectList::kTypeCollada);
    EXPECT_EQ(ActionType(CSelectList::kTypeAnimation, QStringLiteral("robot.dae")), CSelectList::kTypeAnimation);
    EXPECT_EQ(ActionType(CSelectList::kTypeNone, QStringLiteral("walk")), CSelectList::kTypeOther);
}

// A window narrower than its title: in either language the text ends in an
// ellipsis before the title-bar buttons instead of running under them.
TEST(AppLayout, TitleEndsBeforeTheButtonsAt320x240) {
    for (const char* language : {"ja", "en"}) {
        Viewer v(false, nullptr, QByteArray("Language = ") + language + "\n");
        ASSERT_TRUE(v.ok);
        CApplication& app = *v.app;
        app.resize(320, 240);
        ASSERT_TRUE(WaitFor([&] { return app.width() == 320; }, 5000));
        // A title longer than the room left of the buttons: loading, or the frame rate.
        ASSERT_TRUE(WaitFor([&] { return app.TitleText().size() > 20; }, 60000)) << app.TitleText().toStdString();
        const QImage shot = app.grab().toImage();
        shot.save(UiShotPath(QStringLiteral("app_320x240_%1.png").arg(QLatin1String(language))));
        const CMainLayout l = ComputeMainLayout(app.screenHeight, app.windowWidth, 320, 240);
        const int t = l.titleBar, textEnd = l.minimiseLeft - static_cast<int>(t * 0.3);
        const QColor bar = ToQColor(app.bar.Opaque());
        int text = 0, underButtons = 0;
        for (int y = t / 4; y < t - 4; ++y)
            for (int x = 8; x < l.minimiseLeft; ++x)
                if (shot.pixelColor(x, y) != bar) ++(x <= textEnd ? text : underButtons);
        EXPECT_GT(text, 0) << language;
        EXPECT_EQ(underButtons, 0) << language;
    }
}
