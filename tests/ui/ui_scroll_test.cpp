// The scroll bar's thumb drawing and mapping, the listing cache and the icons.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

#include "tests/core/test_files.h"
#include "settings/settings.h"
#include "tests/ui/ui_test_app.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"

namespace {

// Moves a folder's modification time 10 s into the past, as if it had not
// changed for a while.
void AgeFolder(const QString& path) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 10;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

}  // namespace

TEST(UiScrollBar, CornerDiameter) {
    EXPECT_EQ(ThumbCornerDiameter(12), 2);
    EXPECT_EQ(ThumbCornerDiameter(15), 4);  // 3 raised to even
    EXPECT_EQ(ThumbCornerDiameter(34), 6);
    EXPECT_EQ(ThumbCornerDiameter(4), 0);
}

TEST(UiScrollBar, MappingFromThumbToTopIndex) {
    EXPECT_EQ(ScrollTopIndex(97, 194, 97, 16), 8);
    EXPECT_EQ(ScrollTopIndex(0, 194, 97, 16), 0);
    EXPECT_EQ(ScrollTopIndex(96, 194, 97, 16), 7);  // trunc(7.92)
    EXPECT_EQ(ScrollTopIndex(100, 194, 194, 8), 0);
    EXPECT_EQ(ScrollTopIndex(5, 194, 194, 20), 0);  // no free track: no division by zero
    // 100 000 rows: the last position shows the last 8.
    const int thumb = static_cast<int>(194 * 8.0f / 100000);
    EXPECT_EQ(thumb, 0);
    EXPECT_EQ(ScrollTopIndex(194, 194, thumb, 100000), 99992);
}

TEST(UiScrollBar, FilledShapeHasRoundCorners) {
    UiTestApp();
    QImage image(60, 80, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    FillRoundedThumb(p, 10, 50, 60, 10, Qt::black);
    p.end();
    auto filled = [&](int x, int y) { return image.pixelColor(x, y) == QColor(Qt::black); };
    EXPECT_FALSE(filled(0, 10));  // outside each corner's quarter circle
    EXPECT_FALSE(filled(49, 10));
    EXPECT_FALSE(filled(0, 69));
    EXPECT_FALSE(filled(49, 69));
    EXPECT_TRUE(filled(5, 15));  // the quarter pies
    EXPECT_TRUE(filled(44, 64));
    EXPECT_TRUE(filled(25, 10));  // top band
    EXPECT_TRUE(filled(0, 40));   // left band
    EXPECT_TRUE(filled(49, 40));  // right band
    EXPECT_TRUE(filled(25, 69));  // bottom band
    EXPECT_TRUE(filled(25, 40));  // middle
    EXPECT_FALSE(filled(25, 9));  // nothing outside the rectangle
    EXPECT_FALSE(filled(25, 70));
    EXPECT_FALSE(filled(50, 40));
}

TEST(UiScrollBar, OutlineFollowsTheEdges) {
    UiTestApp();
    QImage image(60, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    OutlineRoundedThumb(p, 20, 34, 50, 6, Qt::black, 6.0f);
    p.end();
    auto inked = [&](int x, int y) { return image.pixelColor(x, y) == QColor(Qt::black); };
    EXPECT_TRUE(inked(17, 20));  // top line, 6 wide around y = 20
    EXPECT_TRUE(inked(17, 17));
    EXPECT_FALSE(inked(17, 24));
    EXPECT_TRUE(inked(0, 45));    // left line at x = 0
    EXPECT_TRUE(inked(33, 45));   // right line at x = 34
    EXPECT_FALSE(inked(17, 45));  // hollow
    EXPECT_TRUE(inked(17, 70));   // bottom line at y = 70
    EXPECT_FALSE(inked(17, 75));
}

TEST(UiListingCache, ListsAgainOnlyWhenTheFolderChanges) {
    ScratchDir dir;
    const QString path = QDir(dir.path()).canonicalPath();
    Touch(path + "/a.mdl");
    AgeFolder(path);
    CListingCache cache;
    EXPECT_EQ(cache.Get(path).size(), 1u);
    EXPECT_EQ(cache.Get(path).size(), 1u);
    EXPECT_EQ(cache.Listings(), 1);
    Touch(path + "/b.ani");  // the folder's time stamp moves
    EXPECT_EQ(cache.Get(path).size(), 2u);
    EXPECT_EQ(cache.Listings(), 2);
    AgeFolder(path);
    cache.Get(path);
    const int settled = cache.Listings();
    cache.Get(path);
    EXPECT_EQ(cache.Listings(), settled);
    cache.Invalidate();
    cache.Get(path);
    EXPECT_EQ(cache.Listings(), settled + 1);
    cache.Get(path, kListModels);  // other kinds
    EXPECT_EQ(cache.Listings(), settled + 2);
    EXPECT_EQ(cache.Get(path + "/gone").size(), 0u);
}

TEST(UiListingCache, FreshlyChangedFolderIsNotTrusted) {
    ScratchDir dir;
    const QString path = QDir(dir.path()).canonicalPath();
    CListingCache cache;
    EXPECT_EQ(cache.Get(path).size(), 0u);
    // Created in the same clock tick as the listing: still seen.
    Touch(path + "/a.mdl");
    EXPECT_EQ(cache.Get(path).size(), 1u);
}

namespace {

struct UiSelectListIcons : ::testing::Test {
    void SetUp() override {
        startDir = QDir::currentPath();
        start = QDir(startDir_.path()).canonicalPath();
        QDir(start).mkdir("pict");
        WriteSolidPng(start + "/pict/IconDir.png", 16, 16, QColor(0, 0, 255));
        WriteSolidPng(start + "/pict/IconModel.png", 16, 16, QColor(0, 255, 0));
        WriteSolidPng(start + "/pict/IconDae.png", 16, 16, QColor(255, 255, 0));
        // IconAnim.png stays missing: no icon, no crash.
        WriteSolidPng(start + "/pict/ButtonOK.png", 16, 16, QColor(0, 255, 255));
        ASSERT_TRUE(QDir::setCurrent(start));  // images load from the start directory
        dialog = std::make_unique<CSelectFileDialog>();
        dialog->Create(576, 324, 768, 432, settings);
        QDir(start).mkdir("browse");
        QDir(start).mkdir("browse/sub");
        Touch(start + "/browse/m.mdl");
        Touch(start + "/browse/w.ani");
        Touch(start + "/browse/r.dae");
        ASSERT_TRUE(QDir::setCurrent(start + "/browse"));
    }
    void TearDown() override {
        dialog.reset();
        QDir::setCurrent(startDir);
    }
    QApplication* app = UiTestApp();
    ScratchDir startDir_;
    QString startDir, start;
    CSettings settings;
    std::unique_ptr<CSelectFileDialog> dialog;
};

}  // namespace

TEST_F(UiSelectListIcons, EachRowShowsTheIconOfItsKind) {
    dialog->Open(FileDialogMode::kModeOpenModel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    CSelectList* list = dialog->SelectList();
    const int listingsBefore = list->ListingCache().Listings();
    dialog->Refresh();
    EXPECT_EQ(list->ListingCache().Listings(), listingsBefore + 1);  // shown: listed afresh
    const QImage shot = dialog->grab().toImage();
    shot.save(UiShotPath("select_list_icons.png"));
    const std::vector<CListEntry> rows = ListFolder(start + "/browse");
    ASSERT_EQ(rows.size(), 4u);
    const int r = list->RowHeight();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Icon at (trunc(R / 2), i x R), R x R, inside the list at (38, 108).
        const QColor c = shot.pixelColor(38 + r / 2 + r / 2, 108 + static_cast<int>(i) * r + r / 2);
        switch (rows[i].kind) {
            case CEntryKind::Folder: EXPECT_EQ(c, QColor(0, 0, 255)); break;
            case CEntryKind::Model: EXPECT_EQ(c, QColor(0, 255, 0)); break;
            case CEntryKind::Collada: EXPECT_EQ(c, QColor(255, 255, 0)); break;
            case CEntryKind::Animation: EXPECT_EQ(c, QColor(120, 90, 90)); break;  // missing icon
        }
    }
    // The OK button shows its image, stretched over 108 x 36 at (631, 386).
    EXPECT_EQ(shot.pixelColor(631 + 54, 386 + 18), QColor(0, 255, 255));
    EXPECT_EQ(dialog->OkButton()->grab().toImage().pixelColor(100, 30), QColor(0, 255, 255));
    dialog->Close();
}
