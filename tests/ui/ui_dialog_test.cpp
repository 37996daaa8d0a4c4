// The select-file dialog, its list, scroll bar and file-name box, built as
// the application builds them on a 1920 x 1080 screen.
#include "tests/ui/ui_dialog_fixture.h"

using uidialog::Touch;
using uidialog::UiDialog;

TEST_F(UiDialog, GeometryOnA1920x1080Screen) {
    EXPECT_EQ(dialog->objectName(), QStringLiteral("CLASS_DIALOG"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Select File"));
    EXPECT_EQ(dialog->geometry(), QRect(576, 324, 768, 432));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(list->objectName(), QStringLiteral("CLASS_SELECTLIST"));
    EXPECT_EQ(list->geometry(), QRect(38, 108, 692, 194));
    EXPECT_EQ(list->RowHeight(), 24);
    EXPECT_EQ(bar->objectName(), QStringLiteral("CLASS_SCROLLBAR"));
    EXPECT_EQ(bar->geometry(), QRect(658, 0, 34, 194));
    EXPECT_EQ(box->objectName(), QStringLiteral("RICHEDIT50W"));
    EXPECT_EQ(box->geometry(), QRect(38, 320, 692, 36));
    EXPECT_EQ(dialog->UpButton()->geometry(), QRect(38, 43, 43, 43));
    EXPECT_EQ(dialog->CloseButton()->geometry(), QRect(722, 3, 28, 28));
    EXPECT_EQ(dialog->CancelButton()->geometry(), QRect(516, 386, 108, 36));
    EXPECT_EQ(dialog->OkButton()->geometry(), QRect(631, 386, 108, 36));
    // Button backgrounds: the dialog's colour, the close button's left black.
    EXPECT_EQ(dialog->OkButton()->background, (CColor4{255, 140, 110, 110}));
    EXPECT_EQ(dialog->CloseButton()->background, (CColor4{255, 0, 0, 0}));

    CConfirmDialog* confirm = dialog->ConfirmDialog();
    EXPECT_EQ(confirm->objectName(), QStringLiteral("CLASS_CONFIRM_DIALOG"));
    EXPECT_EQ(confirm->geometry(), QRect(576, 432, 768, 216));
    EXPECT_EQ(confirm->CloseButton()->geometry(), QRect(722, 3, 28, 28));
    EXPECT_EQ(confirm->CancelButton()->geometry(), QRect(516, 170, 108, 36));
    EXPECT_EQ(confirm->OkButton()->geometry(), QRect(631, 170, 108, 36));
    EXPECT_FALSE(confirm->isVisible());
    EXPECT_FALSE(confirm->waiting);
    EXPECT_FALSE(confirm->accepted);
}

TEST_F(UiDialog, IconsWithoutTheirImagesAreReported) {
    const QStringList icons = {"./pict/IconModel.png", "./pict/IconAnim.png", "./pict/IconDir.png",
                               "./pict/IconDae.png"};
    EXPECT_EQ(list->MissingImages(), icons);
    ASSERT_TRUE(QDir().mkpath("pict/IconDae.png"));  // a folder in a picture's place is never opened
    QImage icon(8, 8, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(icon.save(icons[i]));
    CSelectFileDialog again;
    again.Create(0, 0, 640, 480, settings);
    EXPECT_EQ(again.SelectList()->MissingImages(), QStringList({icons[3]}));
}

TEST_F(UiDialog, RectanglesFollowOtherScreens) {
    const CScreenMetrics m = CScreenMetrics::FromValues(1366, 768);
    // Window 910 x 512: dialog trunc(546.0) x trunc(307.2).
    EXPECT_EQ(CSelectFileDialog::DefaultRect(m), QRect(410, 230, 546, 307));
    EXPECT_EQ(CConfirmDialog::DefaultRect(m), QRect(410, 307, 546, 153));
}

TEST_F(UiDialog, TitlesPerModeUseFixedExtensions) {
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(1)),
              QStringLiteral("モデルファイル(.dae .gltf .glb .mdl)を開く"));
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(2)), QStringLiteral("モデルファイル(.mdl)を書き出し"));
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(3)), QStringLiteral("アニメーションファイル(.ani)を開く"));
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(4)),
              QStringLiteral("アニメーションファイル(.ani)を書き出し"));
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(0)), QString());
    EXPECT_EQ(CSelectFileDialog::TitleForMode(FileDialogMode(7)), QString());
}

TEST_F(UiDialog, TitleFollowsTheModeNotTheConfiguredExtension) {
    settings.ExtModel.SetAscii(".xyz");
    CSelectFileDialog other;
    other.Create(576, 324, 768, 432, settings);
    other.Open(FileDialogMode(2));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const QImage shotWrite = other.grab().toImage();
    other.Open(FileDialogMode(1));
    const QImage shotOpen = other.grab().toImage();
    // The title band differs between the modes; below it the same folder shows.
    EXPECT_NE(shotWrite.copy(0, 0, 768, 36), shotOpen.copy(0, 0, 768, 36));
    other.Close();
}

TEST_F(UiDialog, OpenResetsAndFillsTheDefaultName) {
    QWidget mainWindow;
    dialog->SetMainWindow(&mainWindow);
    list->selectedIndex = 3;
    list->topIndex = 2;
    OpenIn(2);
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(dialog->mode, FileDialogMode(2));
    EXPECT_EQ(list->selectedIndex, -1);
    EXPECT_EQ(list->topIndex, 0);
    EXPECT_EQ(box->text(), QStringLiteral("名称未設定.mdl"));
    OpenIn(4);
    EXPECT_EQ(box->text(), QStringLiteral("名称未設定.ani"));
    OpenIn(1);
    EXPECT_EQ(box->text(), QString());
    // The path shown is the working directory.
    EXPECT_EQ(list->currentPath, root);
    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(UiDialog, ClickFillsTheBoxByMode) {
    Touch(root + "/walk.ani");
    Touch(root + "/man.mdl");
    // Each mode lists only its own kind: one row each; no mode lists both.
    const std::vector<CListEntry> rows = ListFolder(root);
    ASSERT_EQ(rows.size(), 2u);
    const int ani = rows[0].name == "walk.ani" ? 0 : 1;
    OpenIn(0);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(ani));
    EXPECT_EQ(list->selectedIndex, ani);
    EXPECT_EQ(list->fileName, QStringLiteral("walk.ani"));
    EXPECT_EQ(static_cast<int>(list->selectedType), 2);
    OpenIn(2);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(box->text(), QStringLiteral("man.mdl"));
    EXPECT_EQ(static_cast<int>(list->selectedType), 1);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(1));  // below the last row: the box keeps the default
    EXPECT_EQ(box->text(), QStringLiteral("名称未設定.mdl"));
    OpenIn(3);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(box->text(), QStringLiteral("walk.ani"));
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(1));
    EXPECT_EQ(box->text(), QString());
}

TEST_F(UiDialog, ClickBeyondTheLastRowKeepsTheName) {
    Touch(root + "/man.mdl");
    OpenIn(1);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(list->fileName, QStringLiteral("man.mdl"));
    const QImage selected = list->grab().toImage();
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(5));
    EXPECT_EQ(list->selectedIndex, 5);
    EXPECT_EQ(list->itemCount, 1);
    EXPECT_EQ(list->fileName, QStringLiteral("man.mdl"));
    const QImage after = list->grab().toImage();
    // No row is highlighted any more: row 0's left edge shows the list colour.
    EXPECT_EQ(selected.pixelColor(2, 12), QColor(100, 70, 70));
    EXPECT_EQ(after.pixelColor(2, 12), QColor(120, 90, 90));
    // A double click there does not act on the old name.
    bool okRan = false;
    dialog->SetOkAction([&] { okRan = true; });
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCenter(5));
    EXPECT_FALSE(okRan);
}

TEST_F(UiDialog, DoubleClickEntersFolderAndOpensSuitableFiles) {
    QDir(root).mkdir("sub");
    Touch(root + "/sub/walk.ani");
    Touch(root + "/sub/man.mdl");
    int okRuns = 0;
    dialog->SetOkAction([&] { ++okRuns; });
    OpenIn(3);
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(QDir::currentPath(), root + "/sub");
    EXPECT_EQ(list->selectedIndex, -1);
    dialog->Refresh();
    EXPECT_EQ(list->currentPath, root + "/sub");
    EXPECT_EQ(list->CurrentItemCount(), 1);                      // mode 3 lists no model
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCenter(1));  // below the last row: nothing
    EXPECT_EQ(okRuns, 0);
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(okRuns, 1);
}

TEST_F(UiDialog, UpLevelWalksToTheRootThenTheDriveView) {
    QDir(root).mkpath("a/b");
    QDir::setCurrent(root + "/a/b");
    OpenIn(1);
    QTest::mouseClick(dialog->UpButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(QDir::currentPath(), root + "/a");
    EXPECT_EQ(list->currentPath, root + "/a");
    QDir::setCurrent("/");
    dialog->Refresh();
    EXPECT_EQ(list->currentPath, QStringLiteral("/"));
    EXPECT_FALSE(list->IsDriveView());
    QTest::mouseClick(dialog->UpButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(list->IsDriveView());
    EXPECT_EQ(QDir::currentPath(), QStringLiteral("/"));
    EXPECT_EQ(list->itemCount, static_cast<int>(ListRoots().size()));
    const QImage drives = dialog->grab().toImage();
    drives.save(UiShotPath("select_file_dialog_drives.png"));
    EXPECT_EQ(drives.pixelColor(38 + 2, 108 + 2), QColor(120, 90, 90));
    // Again at the root: stays there, still the drive view.
    QTest::mouseClick(dialog->UpButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(list->IsDriveView());
    EXPECT_EQ(QDir::currentPath(), QStringLiteral("/"));
    // Choosing the first root and double-clicking it leaves the drive view.
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(list->currentPath, QStringLiteral("/"));
    EXPECT_EQ(list->fileName, QString());
    EXPECT_EQ(static_cast<int>(list->selectedType), 4);
    QTest::mouseDClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_FALSE(list->IsDriveView());
    EXPECT_EQ(QDir::currentPath(), QStringLiteral("/"));
}

TEST_F(UiDialog, ScrollBarShownFromNineRows) {
    MakeFiles(8, ".mdl");
    OpenIn(1);
    EXPECT_EQ(list->itemCount, 8);
    EXPECT_FALSE(bar->isVisible());
    Touch(root + "/extra.mdl");
    dialog->Refresh();  // the folder changed: listed again
    EXPECT_EQ(list->itemCount, 9);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->thumbLength, static_cast<int>(194 * 8.0f / 9));
}

TEST_F(UiDialog, ThumbDraggedToTheBottomShowsTheLastRows) {
    MakeFiles(16, ".mdl");
    OpenIn(1);
    ASSERT_EQ(list->itemCount, 16);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->thumbLength, 97);
    QWindow* window = dialog->windowHandle();
    const QPoint origin = bar->mapTo(dialog.get(), QPoint(10, 10));
    QTest::mousePress(window, Qt::LeftButton, {}, origin);
    EXPECT_TRUE(bar->IsDragging());
    QTest::mouseMove(window, origin + QPoint(0, 50));
    EXPECT_EQ(bar->thumbPosition, 50);
    EXPECT_EQ(list->topIndex, 4);  // trunc(50 / 97 x 8)
    QTest::mouseMove(window, origin + QPoint(0, 97));
    EXPECT_EQ(bar->thumbPosition, 97);
    EXPECT_EQ(list->topIndex, 8);
    QTest::mouseRelease(window, Qt::LeftButton, {}, origin + QPoint(0, 97));
    EXPECT_FALSE(bar->IsDragging());
    EXPECT_EQ(list->topIndex, 8);
    // A click on the first visible row now selects row 8.
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(0));
    EXPECT_EQ(list->selectedIndex, 8);
    EXPECT_EQ(ScrollTopIndex(97, 194, 97, 16), 8);
    EXPECT_EQ(ScrollTopIndex(48, 194, 97, 16), 3);
    EXPECT_EQ(ScrollTopIndex(10, 194, 194, 8), 0);
}

TEST_F(UiDialog, LeavingTheBarEndsTheDrag) {
    MakeFiles(16, ".mdl");
    OpenIn(1);
    QWindow* window = dialog->windowHandle();
    const QPoint origin = bar->mapTo(dialog.get(), QPoint(10, 10));
    QTest::mousePress(window, Qt::LeftButton, {}, origin);
    QTest::mouseMove(window, origin + QPoint(0, 20));
    EXPECT_EQ(bar->thumbPosition, 20);
    QTest::mouseMove(window, origin + QPoint(-100, 60));  // off the bar
    EXPECT_FALSE(bar->IsDragging());
    EXPECT_EQ(bar->thumbPosition, 20);
    QTest::mouseRelease(window, Qt::LeftButton, {}, origin + QPoint(-100, 60));
}

TEST_F(UiDialog, WheelMovesTheThumbTwelvePixelsANotch) {
    MakeFiles(16, ".mdl");
    OpenIn(1);
    const QPoint at = RowCenter(1);
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(at), QPointF(list->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &e);
    };
    wheel(-120);  // towards the user: down
    EXPECT_EQ(bar->thumbPosition, 12);
    EXPECT_EQ(list->topIndex, 0);  // trunc(12 / 97 x 8)
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(bar->thumbPosition, 36);
    EXPECT_EQ(list->topIndex, 2);
    for (int i = 0; i < 20; ++i) wheel(-120);
    EXPECT_EQ(bar->thumbPosition, 97);
    EXPECT_EQ(list->topIndex, 8);
    wheel(120);
    EXPECT_EQ(bar->thumbPosition, 85);
    EXPECT_EQ(list->topIndex, 7);
    for (int i = 0; i < 20; ++i) wheel(120);
    EXPECT_EQ(bar->thumbPosition, 0);
    EXPECT_EQ(list->topIndex, 0);
}

TEST_F(UiDialog, WheelDoesNothingWithEightRows) {
    MakeFiles(8, ".mdl");
    OpenIn(1);
    QWheelEvent e(QPointF(10, 10), QPointF(list->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, -120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &e);
    EXPECT_EQ(bar->thumbPosition, 0);
    EXPECT_EQ(list->topIndex, 0);
}

TEST_F(UiDialog, FileNameBoxFontAndDarkenedBackground) {
    OpenIn(2);
    const CScreenMetrics m = CScreenMetrics::FromPrimaryScreen();
    EXPECT_EQ(box->FontHeightPixels(), 25);  // trunc(36 x 0.7)
    EXPECT_EQ(box->FontHeightTwips(), static_cast<int>(25 * 1440 / m.dpiY));
    EXPECT_NEAR(QFontInfo(box->font()).pixelSize(), 25, 1);
    EXPECT_EQ(box->BoxBackground().Opaque(), (CColor4{255, 120, 90, 90}));
    EXPECT_EQ(box->maxLength(), 1023);
    const QImage shot = box->grab().toImage();
    EXPECT_EQ(shot.pixelColor(box->width() - 3, box->height() - 3), QColor(120, 90, 90));
}

TEST_F(UiDialog, PointingAtTheBoxGivesItTheFocus) {
    OpenIn(1);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    dialog->setFocus();
    EXPECT_FALSE(box->hasFocus());
    QTest::mouseMove(dialog->windowHandle(), box->mapTo(dialog.get(), QPoint(20, 10)));
    EXPECT_TRUE(box->hasFocus());
}

TEST_F(UiDialog, DraggingTheTitleBandMovesTheDialog) {
    OpenIn(1);
    QWindow* window = dialog->windowHandle();
    // Events at fixed screen points, as a real pointer gives them while the
    // window moves under it.
    auto at = [&](QPoint global) { return dialog->mapFromGlobal(global); };
    const QPoint start = dialog->mapToGlobal(QPoint(300, 10));
    QTest::mousePress(window, Qt::LeftButton, {}, at(start));
    QTest::mouseMove(window, at(start + QPoint(40, 20)));
    EXPECT_EQ(dialog->pos(), QPoint(616, 344));
    QTest::mouseMove(window, at(start + QPoint(-1000, -500)));  // no bound: off the screen
    EXPECT_EQ(dialog->pos(), QPoint(-424, -176));
    QTest::mouseMove(window, at(start + QPoint(40, 20)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(start + QPoint(40, 20)));
    EXPECT_EQ(dialog->pos(), QPoint(616, 344));
    // A press below the band does not drag.
    const QPoint body = dialog->mapToGlobal(QPoint(300, 60));
    QTest::mousePress(window, Qt::LeftButton, {}, at(body));
    QTest::mouseMove(window, at(body + QPoint(-100, 30)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(body + QPoint(-100, 30)));
    EXPECT_EQ(dialog->pos(), QPoint(616, 344));
}

TEST_F(UiDialog, ScreenshotOfTheDialog) {
    for (int i = 0; i < 6; ++i) QDir(root).mkdir(QStringLiteral("folder%1").arg(i));
    MakeFiles(4, ".mdl");
    MakeFiles(3, ".ani");  // OPEN MODEL lists no animation
    MakeFiles(6, ".dae");
    Touch(root + "/skip.txt");
    OpenIn(1);
    QTest::mouseClick(list, Qt::LeftButton, {}, RowCenter(2));
    const QImage shot = dialog->grab().toImage();
    ASSERT_TRUE(shot.save(UiShotPath("select_file_dialog.png")));
    EXPECT_EQ(shot.size(), QSize(768, 432));
    EXPECT_EQ(shot.pixelColor(680, 20), QColor(100, 70, 70));                     // title band
    EXPECT_EQ(shot.pixelColor(2, 200), QColor(100, 70, 70));                      // 4-pixel frame
    EXPECT_EQ(shot.pixelColor(5, 200), QColor(140, 110, 110));                    // body
    EXPECT_EQ(shot.pixelColor(38 + 2, 108 + 2), QColor(120, 90, 90));             // list, darkened 20
    EXPECT_EQ(shot.pixelColor(38 + 2, 108 + 2 * 24 + 2), QColor(100, 70, 70));    // highlighted row 2
    EXPECT_EQ(shot.pixelColor(38 + 658 + 17, 108 + 150), QColor(130, 100, 100));  // empty track, -10
    EXPECT_EQ(shot.pixelColor(38 + 658 + 17, 108 + 40), QColor(160, 130, 130));   // thumb, +20
    EXPECT_EQ(shot.pixelColor(38 + 10, 320 + 30), QColor(120, 90, 90));           // file-name box
    EXPECT_EQ(list->itemCount, 16);
    EXPECT_EQ(bar->thumbLength, 97);
}

TEST_F(UiDialog, ScreenshotOfTheWriteMode) {
    Touch(root + "/walk.ani");
    Touch(root + "/man.mdl");
    OpenIn(4);
    const QImage shot = dialog->grab().toImage();
    ASSERT_TRUE(shot.save(UiShotPath("select_file_dialog_write_anim.png")));
    EXPECT_EQ(box->text(), QStringLiteral("名称未設定.ani"));
    // The default name is drawn in the text colour inside the box.
    bool ink = false;
    for (int y = 320; y < 356 && !ink; ++y)
        for (int x = 38; x < 300 && !ink; ++x) {
            const QColor c = shot.pixelColor(x, y);
            ink = c.red() > 180 && c.green() > 160;
        }
    EXPECT_TRUE(ink);
}

TEST_F(UiDialog, HundredThousandRowThumbStillDraws) {
    // The thumb of a very long list is shorter than its corners.
    QImage image(34, 194, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    FillRoundedThumb(p, 100, 34, 0, 6, Qt::black);
    OutlineRoundedThumb(p, 100, 34, 0, 6, Qt::black, 6.0f);
    p.end();
    EXPECT_EQ(image.pixelColor(17, 100), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(17, 50), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(17, 150), QColor(Qt::white));
}

TEST_F(UiDialog, OkWithoutAnActionClosesAndEnablesTheMainWindow) {
    QWidget mainWindow;
    dialog->SetMainWindow(&mainWindow);
    OpenIn(1);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(dialog->isVisible());
    int runs = 0;
    dialog->SetOkAction([&] { ++runs; });
    OpenIn(1);
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(dialog->isVisible());  // the action decides when to close
    QTest::mouseClick(dialog->CloseButton(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST(UiDialogUncreated, CallsBeforeCreateDoNothing) {
    UiTestApp();
    CSelectFileDialog bare;
    bare.Open(FileDialogMode(1));
    bare.UpLevel();
    EXPECT_FALSE(bare.AskOverwrite());
    EXPECT_EQ(bare.mode, FileDialogMode(1));
    EXPECT_EQ(bare.SelectList(), nullptr);
}

// Both languages: each mode lists its own kinds and folders; a name too
// long for its row ends before the scroll bar's place; Enter in the box is
// OK, and a typed folder (relative or absolute) is entered, not acted on.
TEST_F(UiDialog, KindsEllipsisEnterAndTypedFoldersInBothLanguages) {
    ASSERT_TRUE(QDir(root).mkpath("sub/deeper"));
    for (const char* name : {"walk.ani", "b.mdl", "c.dae", "d.glb"}) Touch(root + "/" + name);
    Touch(root + "/" + QString(150, u'x') + ".dae");
    const struct { int mode, rows; } kinds[] = {{1, 5}, {2, 2}, {3, 2}, {4, 2}};  // folder sub counts
    for (const auto& k : kinds) {
        dialog->Open(FileDialogMode(k.mode));
        EXPECT_EQ(list->CurrentItemCount(), k.rows) << k.mode;
    }
    int runs = 0;
    dialog->SetOkAction([&] { ++runs; });
    for (const CLanguage language : {CLanguage::kJapanese, CLanguage::kEnglish}) {
        SetInterfaceLanguage(language);
        ASSERT_TRUE(QDir::setCurrent(root));
        OpenIn(1);
        const bool ja = language == CLanguage::kJapanese;
        dialog->grab().save(UiShotPath(ja ? QStringLiteral("dialog_ja.png") : QStringLiteral("dialog_en.png")));
        const QImage rows = list->grab().toImage();
        const int r = list->RowHeight(), y0 = 4 * r;  // the long name, last of the five rows
        const QColor back = rows.pixelColor(rows.width() - 1, y0 + r / 2);
        int nearEnd = 0, beyond = 0;
        for (int y = y0; y < y0 + r; ++y)
            for (int x = bar->x() - 3 * r; x < rows.width(); ++x)
                if (rows.pixelColor(x, y) != back) ++(x < bar->x() ? nearEnd : beyond);
        EXPECT_GT(nearEnd, 0);
        EXPECT_EQ(beyond, 0);

        QTest::keyClicks(box, QStringLiteral("sub/deeper"));
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(QDir::currentPath(), root + "/sub/deeper");
        box->setText(root);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(QDir::currentPath(), root);
        EXPECT_EQ(runs, ja ? 0 : 1);
        QTest::keyClicks(box, QStringLiteral("c.dae"));
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(runs, ja ? 1 : 2);
        dialog->Close();
    }
}

// The rows keep their height; a dialog opened for a larger main window has a
// taller list, which shows and scrolls by more rows.
TEST_F(UiDialog, TheListGrowsWithTheMainWindow) {
    MakeFiles(40, ".mdl");
    QWidget mainWindow;
    mainWindow.resize(1920, 1080);
    dialog->SetMainWindow(&mainWindow);
    OpenIn(1);
    EXPECT_EQ(dialog->size(), QSize(1152, 648));
    EXPECT_EQ(list->RowHeight(), 24);
    const int rows = list->VisibleRows();
    EXPECT_GT(rows, 8);
    const QImage shot = list->grab().toImage();
    int inked = 0;
    for (int x = 0; x < bar->x(); ++x) inked += shot.pixelColor(x, (rows - 1) * 24 + 12) != shot.pixelColor(1, 1);
    EXPECT_GT(inked, 0);  // the last row that fits is drawn
    QWheelEvent wheel(QPointF(10, 10), QPointF(list->mapToGlobal(QPoint(10, 10))), QPoint(), QPoint(0, -120 * 100),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list, &wheel);
    EXPECT_EQ(list->topIndex, 40 - rows);
}
