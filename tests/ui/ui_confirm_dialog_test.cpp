// The overwrite question of the select-file dialog.
#include "tests/ui/ui_dialog_fixture.h"

using uidialog::UiDialog;

TEST_F(UiDialog, ConfirmButtonsSetTheAnswerFlags) {
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    confirm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(confirm));
    confirm->waiting = true;
    QTest::mouseClick(confirm->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(confirm->accepted);
    EXPECT_FALSE(confirm->waiting);
    confirm->waiting = true;
    QTest::mouseClick(confirm->CancelButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(confirm->accepted);
    EXPECT_FALSE(confirm->waiting);
    confirm->waiting = true;
    confirm->accepted = true;
    QTest::mouseClick(confirm->CloseButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(confirm->accepted);
    EXPECT_FALSE(confirm->waiting);
    confirm->hide();
}

TEST_F(UiDialog, AskOverwriteWaitsForTheAnswer) {
    OpenIn(2);
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    bool sawWaiting = false, sawDisabled = false;
    QTimer::singleShot(100, [&] {
        sawWaiting = confirm->waiting && confirm->isVisible();
        sawDisabled = !dialog->isEnabled();
        QTest::mouseClick(confirm->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
    });
    EXPECT_TRUE(dialog->AskOverwrite());
    EXPECT_TRUE(sawWaiting);
    EXPECT_TRUE(sawDisabled);
    EXPECT_FALSE(confirm->isVisible());
    EXPECT_TRUE(dialog->isEnabled());

    QTimer::singleShot(50, [&] { QTest::mouseClick(confirm->CloseButton(), Qt::LeftButton, {}, QPoint(5, 5)); });
    EXPECT_FALSE(dialog->AskOverwrite());
    QTimer::singleShot(50, [&] { QTest::mouseClick(confirm->CancelButton(), Qt::LeftButton, {}, QPoint(5, 5)); });
    EXPECT_FALSE(dialog->AskOverwrite());
}

TEST_F(UiDialog, PressWhileTheQuestionWaitsFocusesTheQuestion) {
    OpenIn(2);
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    confirm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(confirm));
    confirm->waiting = true;
    QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_TRUE(QTest::qWaitForWindowActive(confirm));
    EXPECT_EQ(QApplication::focusWidget(), confirm);
    confirm->waiting = false;
    QTest::mouseClick(dialog->windowHandle(), Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), dialog.get());
    confirm->hide();
}

TEST_F(UiDialog, ConfirmShowsTheNameAsTyped) {
    OpenIn(2);
    list->fileName = QStringLiteral("walk");
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    confirm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(confirm));
    const QImage shot = confirm->grab().toImage();
    shot.save(UiShotPath("confirm.png"));
    EXPECT_EQ(shot.pixelColor(384, 20), QColor(100, 70, 70));     // band
    EXPECT_EQ(shot.pixelColor(384, 150), QColor(140, 110, 110));  // body
    // Text in (170, 140, 140) on the body, in the file-name line.
    bool textColour = false;
    for (int y = 62; y < 98 && !textColour; ++y)
        for (int x = 25; x < 200 && !textColour; ++x) textColour = shot.pixelColor(x, y) == QColor(170, 140, 140);
    EXPECT_TRUE(textColour);
    confirm->hide();
}

TEST_F(UiDialog, ConfirmDialogDragsByItsTitleBand) {
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    confirm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(confirm));
    QWindow* window = confirm->windowHandle();
    auto at = [&](QPoint global) { return confirm->mapFromGlobal(global); };
    const QPoint start = confirm->mapToGlobal(QPoint(200, 20));
    QTest::mousePress(window, Qt::LeftButton, {}, at(start));
    QTest::mouseMove(window, at(start + QPoint(-30, 15)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(start + QPoint(-30, 15)));
    EXPECT_EQ(confirm->pos(), QPoint(546, 447));
    const QPoint body = confirm->mapToGlobal(QPoint(200, 100));
    QTest::mousePress(window, Qt::LeftButton, {}, at(body));
    QTest::mouseMove(window, at(body + QPoint(50, 50)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(body + QPoint(50, 50)));
    EXPECT_EQ(confirm->pos(), QPoint(546, 447));
    confirm->hide();
}

TEST_F(UiDialog, ClosingFromOutsideCountsAsCancel) {
    QWidget mainWindow;
    dialog->SetMainWindow(&mainWindow);
    OpenIn(1);
    EXPECT_FALSE(mainWindow.isEnabled());
    dialog->close();  // a window manager's close
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(dialog->isVisible());

    CConfirmDialog* confirm = dialog->ConfirmDialog();
    confirm->show();
    confirm->waiting = true;
    confirm->accepted = true;
    confirm->close();
    EXPECT_FALSE(confirm->waiting);
    EXPECT_FALSE(confirm->accepted);
}
