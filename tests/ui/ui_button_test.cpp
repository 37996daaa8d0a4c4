// The image button: images, background, pressed state and the click action.
#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QTest>
#include <QWindow>

#include "tests/core/test_files.h"
#include "tests/ui/ui_test_app.h"
#include "ui/custom_button.h"

namespace {

class CountingButton : public CCustomButton {
public:
    bool Click() override {
        ++clicks;
        pressedDuringClick = IsPressed();
        return true;
    }
    int clicks = 0;
    bool pressedDuringClick = true;
};

struct UiButton : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(WriteSolidPng(dir.filePath("n.png"), 8, 8, QColor(0, 200, 0)));
        ASSERT_TRUE(WriteSolidPng(dir.filePath("p.png"), 8, 8, QColor(0, 0, 200)));
        host.resize(300, 200);
        host.move(100, 100);
        button.Create(40, 50, 60, 30, &host);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    QApplication* app = UiTestApp();
    ScratchDir dir;
    QWidget host;
    CountingButton button;  // destroyed before host
};

}  // namespace

TEST_F(UiButton, CreatePlacesAndShows) {
    EXPECT_EQ(button.objectName(), QStringLiteral("CLASS_CUSTOMBUTTON"));
    EXPECT_EQ(button.geometry(), QRect(40, 50, 60, 30));
    EXPECT_TRUE(button.isVisible());
    EXPECT_EQ(button.background, (CColor4{255, 0, 0, 0}));
}

TEST_F(UiButton, MissingImagesShowOnlyTheBackground) {
    button.LoadImages(dir.filePath("absent.png"), dir.filePath("absent-down.png"));
    EXPECT_TRUE(button.NormalImage().isNull());
    // Away from the label and its frame.
    const QImage shot = button.grab().toImage();
    EXPECT_EQ(shot.pixelColor(4, 4), QColor(0, 0, 0));  // opaque black default
    button.background = {255, 140, 110, 110};
    const QImage shot2 = button.grab().toImage();
    EXPECT_EQ(shot2.pixelColor(4, 4), QColor(140, 110, 110));
}

TEST_F(UiButton, PressedImageOnlyBetweenPressAndRelease) {
    button.LoadImages(dir.filePath("n.png"), dir.filePath("p.png"));
    EXPECT_EQ(button.grab().toImage().pixelColor(30, 15), QColor(0, 200, 0));
    QWindow* window = host.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(70, 65));
    EXPECT_TRUE(button.IsPressed());
    EXPECT_EQ(button.grab().toImage().pixelColor(30, 15), QColor(0, 0, 200));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(70, 65));
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(button.clicks, 1);
    EXPECT_FALSE(button.pressedDuringClick);
    EXPECT_EQ(button.grab().toImage().pixelColor(30, 15), QColor(0, 200, 0));
}

TEST_F(UiButton, PressMoveOffReleaseStillClicks) {
    QWindow* window = host.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(70, 65));
    QTest::mouseMove(window, QPoint(250, 180));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(250, 180));
    EXPECT_EQ(button.clicks, 1);
    EXPECT_FALSE(button.IsPressed());
}

TEST_F(UiButton, PressElsewhereOrRightButtonDoesNotClick) {
    QWindow* window = host.windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(window, Qt::RightButton, {}, QPoint(70, 65));
    EXPECT_EQ(button.clicks, 0);
}

TEST_F(UiButton, PaintIntoStretchesTheImage) {
    button.LoadImages(dir.filePath("n.png"), dir.filePath("p.png"));
    QImage target(200, 200, QImage::Format_ARGB32);
    target.fill(Qt::white);
    QPainter p(&target);
    button.PaintInto(p, QRect(10, 20, 100, 50));
    p.end();
    EXPECT_EQ(target.pixelColor(10, 20), QColor(0, 200, 0));
    EXPECT_EQ(target.pixelColor(109, 69), QColor(0, 200, 0));
    EXPECT_EQ(target.pixelColor(110, 70), QColor(Qt::white));
}

TEST_F(UiButton, TransparentImageShowsTheBlackDefault) {
    ASSERT_TRUE(WriteSolidPng(dir.filePath("clear.png"), 8, 8, QColor(255, 0, 0, 0)));
    button.LoadImages(dir.filePath("clear.png"), dir.filePath("clear.png"));
    EXPECT_FALSE(button.NormalImage().isNull());
    EXPECT_EQ(button.grab().toImage().pixelColor(30, 15), QColor(0, 0, 0));
}

TEST_F(UiButton, UndecodableImageDrawsNothing) {
    QFile junk(dir.filePath("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a png at all");
    junk.close();
    button.LoadImages(dir.filePath("junk.png"), dir.filePath("junk.png"));
    EXPECT_TRUE(button.NormalImage().isNull());
    button.background = {255, 10, 20, 30};
    EXPECT_EQ(button.grab().toImage().pixelColor(4, 4), QColor(10, 20, 30));
}

TEST_F(UiButton, AButtonWithoutItsImageIsReportedAndDrawnWithItsLabel) {
    button.LoadImages(dir.filePath("ButtonClose.png"), dir.filePath("ButtonCloseDown.png"));
    EXPECT_EQ(button.MissingImages(),
              QStringList({dir.filePath("ButtonClose.png"), dir.filePath("ButtonCloseDown.png")}));
    const QImage shot = button.grab().toImage();              // on the black default
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(235, 235, 235));  // the frame
    int inked = 0;                                            // the label "Close" in the middle
    for (int y = 8; y < 22; ++y)
        for (int x = 10; x < 50; ++x) inked += shot.pixelColor(x, y) != QColor(0, 0, 0);
    EXPECT_GT(inked, 20);
}
