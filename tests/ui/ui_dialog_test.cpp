// The select-file dialog, its list, scroll bar and file-name box, and the
// confirm dialog, built as the application builds them on a 1920 x 1080 screen.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/core/test_files.h"
#include "settings/settings.h"
#include "tests/ui/ui_test_app.h"
#include "app/file_actions.h"
#include "ui/confirm_dialog.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"
#include "ui/texts.h"

namespace {

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A dialog made as the main window makes it, with the working directory
// moved into a scratch folder for the test and put back afterwards.
struct UiDialog : ::testing::Test {
    void SetUp() override {
        SetInterfaceLanguage(CLanguage::kJapanese);  // the texts these tests were written for
        ASSERT_TRUE(scratch.isValid());
        startDir = QDir::currentPath();
        root = QDir(scratch.path()).canonicalPath();
        ASSERT_TRUE(QDir::setCurrent(root));
        const QRect r = CSelectFileDialog::DefaultRect(CScreenMetrics::FromPrimaryScreen());
        dialog = std::make_unique<CSelectFileDialog>();
        dialog->Create(r.x(), r.y(), r.width(), r.height(), settings);
        list = dialog->SelectList();
        bar = list->ScrollBar();
        box = dialog->FileNameBox();
    }
    void TearDown() override {
        dialog.reset();
        QDir::setCurrent(startDir);
    }
    // Opens the dialog in `mode` and waits until it is on screen.
    void OpenIn(int mode) {
        dialog->Open(FileDialogMode(mode));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->Refresh();
    }
    void MakeFiles(int n, const QString& suffix) {
        for (int i = 0; i < n; ++i) Touch(root + QStringLiteral("/f%1%2").arg(i, 3, 10, QLatin1Char('0')).arg(suffix));
    }
    QPoint RowCenter(int visibleRow) const {
        return QPoint(list->width() / 3, visibleRow * list->RowHeight() + list->RowHeight() / 2);
    }

    QApplication* app = UiTestApp();
    ScratchDir scratch;
    QString startDir, root;
    CSettings settings;
    std::unique_ptr<CSelectFileDialog> dialog;
    CSelectList* list = nullptr;
    CScrollBar* bar = nullptr;
    CTextEdit* box = nullptr;
};

}  // namespace

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

TEST_F(UiDialog, TypeRules) {
    list->selectedIndex = -1;
    list->fileName = QStringLiteral("walk.ani");
    list->UpdateType();
    EXPECT_EQ(static_cast<int>(list->selectedType), 0);
    list->selectedIndex = 0;
    const std::pair<const char*, int> cases[] = {
        {"walk.mdl", 1}, {"walk.ani", 2}, {"room.dae", 3}, {"walk.MDL", 1}, {"b.GLB", 3},
        {"a.mdl", 1},    {"sub", 4},      {"", 4},         {"x.txt", 4},    {"dir.mdl", 1},
    };
    for (const auto& [name, type] : cases) {
        list->fileName = QString::fromUtf8(name);
        list->UpdateType();
        EXPECT_EQ(static_cast<int>(list->selectedType), type) << name;
    }
}

TEST_F(UiDialog, ListingFiltersAndOrders) {
    Touch(root + "/a.mdl");
    Touch(root + "/b.MDL");  // opened in any letter case, so listed too
    Touch(root + "/walk.ani");
    Touch(root + "/room.dae");
    Touch(root + "/notes.txt");
    QDir(root).mkdir("sub");
    QDir(root).mkdir("pack.mdl");  // a folder stays a folder in the listing
    const std::vector<CListEntry> rows = ListFolder(root);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].kind, CEntryKind::Folder);
    EXPECT_EQ(rows[1].kind, CEntryKind::Folder);
    QStringList files;
    for (std::size_t i = 2; i < rows.size(); ++i) files << rows[i].name;
    files.sort();
    EXPECT_EQ(files, (QStringList{"a.mdl", "b.MDL", "room.dae", "walk.ani"}));
    for (const auto& r : rows) {
        if (r.name == "walk.ani") {
            EXPECT_EQ(r.kind, CEntryKind::Animation);
        }
        if (r.name == "b.MDL") {
            EXPECT_EQ(r.kind, CEntryKind::Model);
        }
    }
    EXPECT_TRUE(ListFolder(root + "/does-not-exist").empty());
}

// Folders, then files, each by digit runs' values and without regard to case.
TEST_F(UiDialog, ListingIsFoldersThenFilesInNaturalOrder) {
    for (const char* name : {"model_10.mdl", "Model_5.mdl", "b.ani", "A.dae", "x07.ani", "x7.ani"})
        Touch(root + "/" + name);
    for (const char* name : {"take10", "Take9", "take009b"}) QDir(root).mkdir(name);
    QStringList names;
    for (const CListEntry& row : ListFolder(root)) names << row.name;
    EXPECT_EQ(names, (QStringList{"Take9", "take009b", "take10", "A.dae", "b.ani", "Model_5.mdl", "model_10.mdl",
                                  "x07.ani", "x7.ani"}));
}

TEST_F(UiDialog, FolderThatIsAFileListsNothing) {
    Touch(root + "/plain.mdl");
    EXPECT_TRUE(ListFolder(root + "/plain.mdl").empty());
    CListingCache cache;
    EXPECT_TRUE(cache.Get(root + "/plain.mdl").empty());
}

TEST_F(UiDialog, UnreadableFolderListsNothing) {
    QDir(root).mkdir("locked");
    Touch(root + "/locked/a.mdl");
    QFile::setPermissions(root + "/locked", QFileDevice::WriteOwner);
    if (::geteuid() != 0) {
        EXPECT_TRUE(ListFolder(root + "/locked").empty());
    } else {
        // Root reads every folder: list it as "nobody" in a child process.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ExeGroup | QFileDevice::ExeOther);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
            ::_exit(dropped && ListFolder(root + "/locked").empty() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    QFile::setPermissions(root + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(UiDialog, RootsStartWithSlashAndStopAt25) {
    QStringList roots = ListRoots();
    ASSERT_FALSE(roots.isEmpty());
    EXPECT_EQ(roots.front(), QStringLiteral("/"));
    EXPECT_LE(roots.size(), 25);
    EXPECT_EQ(roots.removeDuplicates(), 0);
}

TEST(DriveView, KeepsOnlyVolumesAUserBrowses) {
    const QByteArray table =
        "proc /proc proc rw,relatime 0 0\n"
        "sysfs /sys sysfs rw,relatime 0 0\n"
        "devtmpfs /dev devtmpfs rw,relatime,mode=755 0 0\n"
        "tmpfs /dev/shm tmpfs rw,relatime 0 0\n"
        "/dev/vda / ext4 rw,relatime 0 0\n"
        "tools /mnt/sandboxing/tools/v1/python tmpfs ro,nosuid 0 0\n"
        "/dev/vdb /mnt/sandboxing/data ext4 ro 0 0\n"
        "cgroup /sys/fs/cgroup/cpu cgroup rw,cpu 0 0\n"
        "cgroup2 /sys/fs/cgroup/unified cgroup2 rw 0 0\n"
        "tmpfs /run tmpfs rw,nosuid 0 0\n"
        "/dev/sda1 /run/media/user/STICK vfat rw 0 0\n"
        "overlay /var/lib/docker/overlay2/abc/merged overlay rw 0 0\n"
        "/dev/sda2 /boot ext4 rw 0 0\n"
        "/dev/sdb1 /media/user/My\\040Disk ext4 rw 0 0\n"
        "server:/export /home nfs4 rw 0 0\n"
        "/dev/sdb1 /media/user/My\\040Disk ext4 rw 0 0\n"
        "/dev/vda /etc/hosts ext4 rw 0 0\n"
        "broken-line\n"
        "\n";
    EXPECT_EQ(RootsFromMountTable(table),
              QStringList({"/", "/run/media/user/STICK", "/boot", "/media/user/My Disk", "/home"}));
    EXPECT_EQ(RootsFromMountTable(QByteArray()), QStringList({"/"}));
    // At most 25, "/" included.
    QByteArray many;
    for (int i = 0; i < 40; ++i)
        many += "/dev/sd" + QByteArray::number(i) + " /data/" + QByteArray::number(i) + " ext4 rw 0 0\n";
    const QStringList roots = RootsFromMountTable(many);
    ASSERT_EQ(roots.size(), 25);
    EXPECT_EQ(roots.front(), QStringLiteral("/"));
    EXPECT_EQ(roots.back(), QStringLiteral("/data/23"));
}

TEST(DriveView, ThisMachineShowsNoPseudoMounts) {
    const auto under = [](const QString& path, const QString& dir) {
        return path == dir || path.startsWith(dir + u'/');
    };
    for (const QString& root : ListRoots()) {
        EXPECT_FALSE(under(root, "/proc") || under(root, "/sys") || under(root, "/dev") ||
                     under(root, "/mnt/sandboxing"))
            << root.toStdString();
        EXPECT_TRUE(!under(root, "/run") || under(root, "/run/media")) << root.toStdString();
    }
}

TEST_F(UiDialog, PathHelpersAcceptBothSeparators) {
    EXPECT_EQ(LastSeparator(u"C:\\Users\\someone"), 8);
    EXPECT_EQ(LastSeparator(u"/home/user"), 5);
    EXPECT_EQ(LastSeparator(u"name"), -1);
    EXPECT_TRUE(IsRootPath(u"/"));
    EXPECT_TRUE(IsRootPath(u"C:\\"));
    EXPECT_FALSE(IsRootPath(u"/ab"));  // three characters, but a folder
    EXPECT_EQ(JoinPath("/", "home"), QStringLiteral("/home"));
    EXPECT_EQ(JoinPath("/home", "user"), QStringLiteral("/home/user"));
    EXPECT_EQ(JoinPath("/mnt/usb", ""), QStringLiteral("/mnt/usb"));
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

TEST_F(UiDialog, GltfFilesAreListedAndOpenedAsModels) {
    for (const char* name : {"a.glb", "b.gltf", "c.GLB", "d.glbx"}) Touch(root + "/" + QString::fromLatin1(name));
    QStringList listed;
    for (const CListEntry& row : ListFolder(root)) {
        EXPECT_EQ(row.kind, CEntryKind::Collada) << row.name.toStdString();
        listed << row.name;
    }
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.glb", "b.gltf", "c.GLB"}));
    EXPECT_EQ(FileTypeOfName(QStringLiteral("walk.gltf")), CSelectList::kTypeCollada);
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
