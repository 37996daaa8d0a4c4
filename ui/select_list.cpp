#include "ui/select_list.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <cmath>
#include <utility>

#include "settings/settings.h"
#include "ui/scroll_bar.h"
#include "ui/text_edit.h"
#include "ui/texts.h"

QString CFileDialogModes::Untitled() { return Text(CTextId::kUntitled); }

CSelectList::CSelectList() : metrics_(CScreenMetrics::FromPrimaryScreen()) {
    setObjectName(QStringLiteral("CLASS_SELECTLIST"));
    setWindowTitle(QStringLiteral("select list"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

CSelectList::~CSelectList() = default;

void CSelectList::Create(QWidget* parent, CSelectListHost host, int x, int y, int width, int height, QImage* backBuffer,
                         const CSettings& settings) {
    background = BackgroundColor(settings);
    text = TextColor(settings);
    host_ = std::move(host);
    if (parentWidget() != parent) setParent(parent);
    setGeometry(x, y, width, height);
    topIndex = 0;
    rowHeight_ = static_cast<int>(static_cast<float>(height) * 0.125f);
    backBuffer_ = backBuffer;

    const int barWidth = static_cast<int>(std::trunc(width * 0.05));
    scrollBar_ = new CScrollBar;
    scrollBar_->Create(this, width - barWidth, 0, barWidth, height, backBuffer, settings);
    scrollBar_->SetTarget([this] { return itemCount; }, [this](int top) { topIndex = top; }, [this] { Refresh(); });

    missing_.clear();
    for (const auto& [icon, path] : {std::pair{&iconModel_, QStringLiteral("./pict/IconModel.png")},
                                     std::pair{&iconAnimation_, QStringLiteral("./pict/IconAnim.png")},
                                     std::pair{&iconFolder_, QStringLiteral("./pict/IconDir.png")},
                                     std::pair{&iconCollada_, QStringLiteral("./pict/IconDae.png")}}) {
        *icon = LoadInterfaceImage(path);
        if (icon->isNull()) missing_.append(path);  // the row then shows its name only
    }
    show();
}

void CSelectList::Refresh() {
    // Child widgets are not repainted with their parent; the bar follows the
    // list's paint, which sets its thumb and visibility.
    repaint();
    if (scrollBar_ && scrollBar_->isVisible()) scrollBar_->repaint();
}

FileDialogMode CSelectList::Mode() const { return host_.mode ? host_.mode() : FileDialogMode::kModeNone; }

void CSelectList::SetBoxText(const QString& value) {
    CTextEdit* box = host_.fileNameBox ? host_.fileNameBox() : nullptr;
    if (box && box->text() != value) box->setText(value);
}

unsigned CSelectList::ListedKinds(FileDialogMode mode) {
    switch (mode) {
        case CFileDialogModes::kModeOpenModel: return kListModels | kListCollada;
        case CFileDialogModes::kModeWriteModel: return kListModels;
        case CFileDialogModes::kModeOpenAnimation:
        case CFileDialogModes::kModeWriteAnimation: return kListAnimations;
        default: return kListAllFiles;
    }
}

const std::vector<CListEntry>& CSelectList::Listing() { return cache_.Get(CurrentDirectory(), ListedKinds(Mode())); }

int CSelectList::CurrentItemCount() {
    return driveView_ ? static_cast<int>(ListRoots().size()) : static_cast<int>(Listing().size());
}

void CSelectList::UpdateType() {
    if (selectedIndex < 0) {
        selectedType = kTypeNone;
        return;
    }
    selectedType = FileTypeOfName(fileName);
}

void CSelectList::UpdateSelection() {
    const FileDialogMode mode = Mode();
    SetBoxText(QString());
    if (mode == CFileDialogModes::kModeWriteModel) SetBoxText(CFileDialogModes::Untitled() + QStringLiteral(".mdl"));
    if (mode == CFileDialogModes::kModeWriteAnimation)
        SetBoxText(CFileDialogModes::Untitled() + QStringLiteral(".ani"));

    if (driveView_) {
        const QStringList roots = ListRoots();
        if (selectedIndex >= 0 && selectedIndex < roots.size()) {
            fileName.clear();
            currentPath = roots[selectedIndex];
        }
        itemCount = static_cast<int>(roots.size());
        UpdateType();
        return;
    }

    currentPath = CurrentDirectory();
    const std::vector<CListEntry>& rows = Listing();
    if (selectedIndex >= topIndex && selectedIndex >= 0 && selectedIndex < static_cast<int>(rows.size())) {
        const CListEntry& row = rows[static_cast<std::size_t>(selectedIndex)];
        fileName = row.name;
        if (row.kind != CEntryKind::Folder) {
            using enum FileDialogMode;
            const bool fits =
                (row.kind == CEntryKind::Model && (mode == kModeOpenModel || mode == kModeWriteModel)) ||
                (row.kind == CEntryKind::Collada && mode == kModeOpenModel) ||
                (row.kind == CEntryKind::Animation && (mode == kModeOpenAnimation || mode == kModeWriteAnimation));
            if (fits) SetBoxText(row.name);
        }
        // A folder leaves the box as set above: empty, or the default name
        // in the write modes.
    }
    itemCount = static_cast<int>(rows.size());
    UpdateType();
}

void CSelectList::Reset() {
    selectedIndex = -1;
    topIndex = 0;
    itemCount = 0;
    if (scrollBar_) scrollBar_->Reset();
}

void CSelectList::Activate() {
    // A double click below the last row selects nothing that exists; it must
    // not act on the name left from an earlier selection.
    if (selectedIndex < 0 || selectedIndex >= itemCount) return;
    const FileDialogMode mode = Mode();
    switch (selectedType) {
        case kTypeOther: {
            const QString target = JoinPath(currentPath, fileName);
            Reset();
            driveView_ = false;
            SetCurrentDirectory(target);  // a failure leaves the folder as it was
            cache_.Invalidate();
            if (host_.refresh) host_.refresh();
            else Refresh();
            break;
        }
        case kTypeModel:
        case kTypeCollada:
            if (mode == CFileDialogModes::kModeOpenModel && host_.ok) host_.ok();
            break;
        case kTypeAnimation:
            if (mode == CFileDialogModes::kModeOpenAnimation && host_.ok) host_.ok();
            break;
        default: break;
    }
}

void CSelectList::paintEvent(QPaintEvent*) {
    if (!backBuffer_ || backBuffer_->isNull()) return;
    const int w = width(), h = height();
    const int r = std::max(1, rowHeight_);
    int count = 0;
    {
        QPainter p(backBuffer_);
        p.setClipRect(0, 0, w, h);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(0, 0, w, h), ToQColor(background.Shifted(-20)));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);

        const QColor textBrush = ToQColor(text);
        const QColor highlight = ToQColor(background.Shifted(-40));
        const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.6, rowHeight_, metrics_.dpiScaleX));
        const int iconX = static_cast<int>(std::trunc(r * 0.5));
        // Rows from the top index down to the first one below the window;
        // the rest would be clipped anyway.
        const int lastVisible = topIndex + (h + r - 1) / r;

        // Names end with an ellipsis before the scroll bar's place.
        const int textRight = scrollBar_ ? scrollBar_->x() : w;
        auto drawRow = [&](int i, const QString& label, const QImage& icon) {
            const int y = (i - topIndex) * r;
            if (i == selectedIndex) p.fillRect(QRect(0, y, w, r), highlight);
            DrawInterfaceTextElided(p, label, font, QRectF(2 * r, y, textRight - 2 * r, r), textBrush);
            if (!icon.isNull()) p.drawImage(QRect(iconX, y, r, r), icon);
        };

        if (driveView_) {
            const QStringList roots = ListRoots();
            count = static_cast<int>(roots.size());
            if (selectedIndex >= 0 && selectedIndex < count) {
                fileName.clear();
                currentPath = roots[selectedIndex];
                SetBoxText(QString());
            }
            for (int n = std::max(0, topIndex); n < count && n <= lastVisible; ++n) drawRow(n, roots[n], iconFolder_);
        } else {
            UpdateType();
            currentPath = CurrentDirectory();
            const std::vector<CListEntry>& rows = Listing();
            count = static_cast<int>(rows.size());
            if (selectedIndex >= topIndex && selectedIndex >= 0 && selectedIndex < count)
                fileName = rows[static_cast<std::size_t>(selectedIndex)].name;
            for (int i = std::max(0, topIndex); i < count && i <= lastVisible; ++i) {
                const CListEntry& row = rows[static_cast<std::size_t>(i)];
                const QImage& icon = row.kind == CEntryKind::Folder      ? iconFolder_
                                     : row.kind == CEntryKind::Model     ? iconModel_
                                     : row.kind == CEntryKind::Animation ? iconAnimation_
                                                                         : iconCollada_;
                drawRow(i, row.name, icon);
            }
        }
    }
    itemCount = count;
    UpdateType();

    if (scrollBar_) {
        const int track = scrollBar_->TrackLength();
        const int visible = VisibleRows();
        scrollBar_->visibleRows = visible;
        // No rows: the bar is hidden; keep the thumb at the whole track.
        scrollBar_->thumbLength =
            count > visible
                ? static_cast<int>(static_cast<float>(h) * static_cast<float>(visible) / static_cast<float>(count))
                : track;
        if (count > visible) {
            const int free = track - scrollBar_->thumbLength;
            scrollBar_->thumbPosition = std::clamp(scrollBar_->thumbPosition, 0, std::max(0, free));
        } else {
            scrollBar_->thumbPosition = 0;
        }
        const bool show = count > visible;
        if (scrollBar_->isVisibleTo(this) != show) scrollBar_->setVisible(show);
    }
    BlitBackBuffer(this, *backBuffer_, w, h);
}

void CSelectList::Press(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    buttonDown_ = true;
    const int y = static_cast<qint16>(static_cast<int>(event->position().y()));
    selectedIndex = y / std::max(1, rowHeight_) + topIndex;
    UpdateSelection();
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
}

void CSelectList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Press(event);
    Refresh();
}

void CSelectList::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    Press(event);
    Refresh();
    Activate();
}

void CSelectList::mouseMoveEvent(QMouseEvent* event) {
    if (!buttonDown_) return;
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
    Refresh();
}

void CSelectList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    buttonDown_ = false;
    Refresh();
}

void CSelectList::wheelEvent(QWheelEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (scrollBar_) {
        const int track = scrollBar_->TrackLength();
        if (scrollBar_->thumbLength < track) {
            const int free = track - scrollBar_->thumbLength;
            // One notch (120) moves the thumb 12 pixels; towards the user is down.
            int position = static_cast<int>(scrollBar_->thumbPosition - event->angleDelta().y() * 0.1);
            position = std::clamp(position, 0, std::max(0, free));
            scrollBar_->thumbPosition = position;
            if (itemCount > VisibleRows())
                topIndex = ScrollTopIndex(position, track, scrollBar_->thumbLength, itemCount, VisibleRows());
            else {
                scrollBar_->thumbLength = track;
                scrollBar_->thumbPosition = 0;
            }
        }
    }
    event->accept();
    Refresh();
}

void CSelectList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!scrollBar_) return;
    const int barWidth = static_cast<int>(std::trunc(width() * 0.05));
    scrollBar_->setGeometry(width() - barWidth, 0, barWidth, height());
}
