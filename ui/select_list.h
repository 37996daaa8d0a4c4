#pragma once
// The list box of the select-file dialog: either the drive view (the file
// system's roots) or the folder view (sub-folders of the working directory,
// then the files with one of the configured extensions), each row with an
// icon. A click selects a row and fills the dialog's file-name box by the
// dialog's mode; a double click opens a folder or drive, or runs the dialog's
// OK action on a file that suits the mode.
//
// The working directory of the process is the list's folder. The listing is
// read again when the folder changes (see CListingCache), not on every paint,
// so very large folders stay responsive.
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <functional>

#include "ui/dir_listing.h"
#include "ui/drawing.h"
#include "ui/file_choice.h"
#include "ui/metrics.h"

class CScrollBar;
class CTextEdit;
struct CSettings;

// The modes of the select-file dialog, which the list reads to fill the box.
struct CFileDialogModes {
    using enum FileDialogMode;
    // The default name the write modes put into the file-name box, in the
    // interface's language.
    static QString Untitled();
};

// What the list asks of the window that holds it; any part may be empty.
struct CSelectListHost {
    std::function<FileDialogMode()> mode;
    std::function<CTextEdit*()> fileNameBox;
    std::function<void()> refresh;  // repaint the whole window (after a folder change)
    std::function<void()> ok;       // a file that suits the mode was double-clicked
};

class CSelectList : public QWidget {
public:
    static constexpr int kVisibleRows = 8;  // at the size the list is made with

    using enum FileType;

    CSelectList();
    ~CSelectList() override;

    // Child of `parent` at the rectangle, painting into the parent's back
    // buffer; makes its scroll bar and loads the four icons. objectName
    // "CLASS_SELECTLIST"; shown.
    void Create(QWidget* parent, CSelectListHost host, int x, int y, int width, int height, QImage* backBuffer,
                const CSettings& settings);

    // File name, current path (drive view) and the file-name box from the
    // selected index, then the selected type.
    void UpdateSelection();
    // Selected type from the file name: none when nothing is selected, else by
    // the last four characters (".mdl" model, ".ani" animation, ".dae"
    // COLLADA; case-sensitive), other for anything else and for names of 4
    // characters or fewer.
    void UpdateType();
    // The double-click action on the selected row.
    void Activate();
    // Selected -1, top 0, item count 0, scroll bar position and length 0.
    void Reset();
    // Synchronous repaint of the list and its scroll bar.
    void Refresh();
    // Forget the cached listing (the dialog is shown, the folder changed).
    void InvalidateListing() { cache_.Invalidate(); }
    // Enter or leave the drive view.
    void SetDriveView(bool on) { driveView_ = on; }
    bool IsDriveView() const { return driveView_; }

    // The rows that fit the list's height (its row height stays as Create
    // set it, so a taller list shows more rows).
    int VisibleRows() const { return std::max(1, height() / std::max(1, rowHeight_)); }
    // The kinds of file a mode lists besides folders: what it opens or writes
    // (OPEN MODEL: models, COLLADA and glTF; the animation modes: animations).
    static unsigned ListedKinds(FileDialogMode mode);

    // The icon files that could not be loaded by Create.
    const QStringList& MissingImages() const { return missing_; }
    CScrollBar* ScrollBar() const { return scrollBar_; }
    int RowHeight() const { return rowHeight_; }
    const CListingCache& ListingCache() const { return cache_; }
    // The rows as the folder view shows them (cached listing of the working
    // directory), or the roots in the drive view.
    int CurrentItemCount();

    QString currentPath;  // the folder shown; refreshed from the working directory
    QString fileName;     // name of the selected row, or the box's text on OK
    int selectedIndex = -1;
    int topIndex = 0;
    int itemCount = 0;
    FileType selectedType = kTypeNone;

    CColor4 background{255, 140, 110, 110};
    CColor4 text{255, 200, 180, 180};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;  // the scroll bar follows

private:
    void Press(QMouseEvent* event);
    const std::vector<CListEntry>& Listing();
    FileDialogMode Mode() const;
    void SetBoxText(const QString& text);

    CSelectListHost host_;
    CScrollBar* scrollBar_ = nullptr;
    CScreenMetrics metrics_;
    CListingCache cache_;
    QImage* backBuffer_ = nullptr;
    int rowHeight_ = 0;
    bool driveView_ = false;
    bool buttonDown_ = false;
    int lastMouseX_ = 0, lastMouseY_ = 0;
    QImage iconModel_, iconAnimation_, iconFolder_, iconCollada_;
    QStringList missing_;
};
