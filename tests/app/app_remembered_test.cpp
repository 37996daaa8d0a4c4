// What the viewer remembers from one run to the next, and its messages' language.
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "app/shell_buttons.h"
#include "tests/app/app_test_env.h"
#include "ui/dir_listing.h"
#include "ui/texts.h"

using namespace apptest;

// Moved, resized, orbited and panned, the dialog left in a folder with a space
// in its name: the next start in the same folder is where the user left off.
TEST(AppRemembered, ARestartBringsBackTheWindowCameraAndFolder) {
    Viewer v(false);
    ASSERT_TRUE(v.ok && v.WaitRunning() && QDir(v.root).mkdir(QStringLiteral("my models")));
    CDispWindow* display = v.app->Display();
    ASSERT_TRUE(WaitFor([&] { return display->GetScene().FramesRendered() > 0; }, 60000));
    v.app->resize(900, 600);  // as a window manager does
    Drag(v.app.get(), QPoint(100, 10), QPoint(-150, 70));
    const QPoint c = display->rect().center();
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
        SendMouse(display, type, c + (type == QEvent::MouseButtonPress ? QPoint() : QPoint(40, -20)), Qt::RightButton);
    Drag(display, c, QPoint(-60, 30));
    RunAction(*v.app, v.app->Menu()->ModelOpenButton(), QStringLiteral("my models"));
    Click(v.app->SelectFileDialog()->CancelButton());
    const CViewCamera camera = display->GetScene().Camera();
    const QRect window = v.app->geometry();
    EXPECT_TRUE(window.size() == QSize(900, 600) && camera.RotationZ != 1.5f && camera.At.x != 0.0f);  // all moved
    Click(v.app->CloseButton());
    v.app.reset();  // the next start, in the same folder
    v.app = std::make_unique<CApplication>();
    v.app->CreateMainWindow();
    ASSERT_TRUE(v.WaitRunning());
    EXPECT_EQ(v.app->geometry(), window);
    const CViewCamera again = v.app->Display()->GetScene().Camera();
    for (const auto& [before, after] : {std::pair{camera.RotationX, again.RotationX},
                                        {camera.RotationZ, again.RotationZ},
                                        {camera.At.x, again.At.x},
                                        {camera.At.y, again.At.y},
                                        {camera.At.z, again.At.z}})
        EXPECT_NEAR(before, after, 1e-5f);
    Click(v.app->Menu()->ModelOpenButton());
    EXPECT_EQ(CurrentDirectory(), v.root + QStringLiteral("/my models"));
}

// What the 1920 x 1080 screen cannot show gets the default window, a gone folder the
// start folder (a window that fits comes back in the test above).
TEST(AppRemembered, WhatNoLongerFitsFallsBack) {
    const QRect byDefault(320, 180, 1280, 720);
    const std::pair<const char*, QRect> cases[] = {
        {"WindowX = 1900\nWindowY = 50\nWindowWidth = 800\nWindowHeight = 600\n", byDefault},  // off to the right
        {"WindowX = 0\nWindowY = 0\nWindowWidth = 2500\nWindowHeight = 600\n", byDefault},
        {"WindowX = x\nWindowWidth = -800\nWindowHeight = 20\nLastFolder = /no/such\n", byDefault}};
    for (const auto& [config, expected] : cases) {
        Viewer v(false, nullptr, config);
        EXPECT_EQ(v.app->geometry(), expected) << config;
        Click(v.app->Menu()->ModelOpenButton());
        EXPECT_EQ(CurrentDirectory(), v.root) << config;
    }
}

// A refusal of the interface and one of the scene, in the language the setting chooses.
TEST(AppRemembered, MessagesFollowTheLanguageSetting) {
    for (const CLanguage language : {CLanguage::kJapanese, CLanguage::kEnglish}) {
        Viewer v(false, nullptr, language == CLanguage::kJapanese ? "Language = ja\n" : "Language = en\n");
        ASSERT_TRUE(v.ok && v.WaitRunning());
        RunAction(*v.app, v.app->Menu()->ModelWriteButton(), QStringLiteral("x"));
        v.app->OpenFiles({v.root + QStringLiteral("/walk.ani")});
        v.app->Display()->Settle();
        for (const CTextId id : {CTextId::kNothingToWrite, CTextId::kNoModelForAnimation})
            EXPECT_TRUE(v.app->MessageDialog()->Text().contains(TextIn(id, language)));
    }
}
