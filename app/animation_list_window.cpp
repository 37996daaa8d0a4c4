#include "app/animation_list_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/disp_window.h"
#include "settings/settings.h"
#include "ui/scroll_bar.h"

CAnimationListWindow::CAnimationListWindow() : metrics_(CScreenMetrics::FromPrimaryScreen()) {
    setObjectName(QStringLiteral("CLASS_ANIMATIONLISTWINDOW"));
    setWindowTitle(QStringLiteral("animation list"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

CAnimationListWindow::~CAnimationListWindow() = default;

void CAnimationListWindow::Create(QWidget* parent, int x, int y, int width, int height, QImage* backBuffer,
                                  const CSettings& settings) {
    background = BackgroundColor(settings);
    text = TextColor(settings);
    setParent(parent);
    setGeometry(x, y, width, height);
    backBuffer_ = backBuffer;
    topIndex = 0;
    rowHeight_ = static_cast<int>(static_cast<float>(height) * 0.0625f);

    const int barWidth = static_cast<int>(std::trunc(width * 0.05));
    scrollBar_ = new CScrollBar;
    scrollBar_->Create(this, width - barWidth, 0, barWidth, height, backBuffer, settings);
    scrollBar_->SetTarget(
        [this] { return AnimationCount(); },
        [this](int top) { topIndex = std::clamp(top, 0, std::max(0, AnimationCount() - kVisibleRows)); },
        [this] { repaint(); });
    scrollBar_->hide();
    show();
}

void CAnimationListWindow::SetRows(const QStringList& names) {
    names_ = names;
    lengths_.clear();
    playing_ = -1;
    Refresh();
}

void CAnimationListWindow::SetAnimations(const std::vector<AnimationEntry>& animations, int playing) {
    names_.clear();
    lengths_.clear();
    for (const AnimationEntry& a : animations) {
        names_ += QString::fromUtf16(a.id.Data(), a.id.Length());
        lengths_.push_back(a.length);
    }
    playing_ = playing >= 0 && playing < AnimationCount() ? playing : -1;
    Refresh();
}

QString CAnimationListWindow::LengthText(double seconds) {
    return QStringLiteral("%1 s").arg(std::isfinite(seconds) ? seconds : 0.0, 0, 'f', 2);
}

QString CAnimationListWindow::AnimationName(int i) const { return i >= 0 && i < names_.size() ? names_[i] : QString(); }

void CAnimationListWindow::SetTopIndex(int top) {
    const int n = AnimationCount();
    topIndex = std::clamp(top, 0, std::max(0, n - kVisibleRows));
    SyncThumb(n);
}

// The thumb position whose mapping gives back the top index.
void CAnimationListWindow::SyncThumb(int n) {
    if (!scrollBar_) return;
    const int track = scrollBar_->TrackLength();
    const int thumb = n > 0 ? static_cast<int>(std::trunc(height() * 8.0 / n)) : 0;
    const int free = track - thumb;
    if (n <= kVisibleRows || free <= 0) {
        scrollBar_->thumbPosition = 0;
        return;
    }
    int pos = static_cast<int>(std::ceil(static_cast<double>(topIndex) * free / (n - kVisibleRows)));
    pos = std::clamp(pos, 0, free);
    while (pos > 0 && ScrollTopIndex(pos, track, thumb, n) > topIndex) --pos;
    while (pos < free && ScrollTopIndex(pos, track, thumb, n) < topIndex) ++pos;
    scrollBar_->thumbPosition = pos;
}

// The bar follows the list whether or not a paint happens: a window that is
// not exposed yet skips its paints.
void CAnimationListWindow::SyncScrollBar(int n) {
    if (!scrollBar_) return;
    scrollBar_->thumbLength = n > 0 ? static_cast<int>(std::trunc(height() * 8.0 / n)) : 0;
    // While the thumb is dragged it leads; otherwise it follows the list.
    if (!scrollBar_->IsDragging() &&
        ScrollTopIndex(scrollBar_->thumbPosition, scrollBar_->TrackLength(), scrollBar_->thumbLength, n) != topIndex)
        SyncThumb(n);
    scrollBar_->setVisible(n >= 9);
}

void CAnimationListWindow::Refresh() {
    const int n = AnimationCount();
    topIndex = std::clamp(topIndex, 0, std::max(0, n - kVisibleRows));
    SyncScrollBar(n);
    repaint();
    if (scrollBar_ && scrollBar_->isVisible()) scrollBar_->repaint();
}

void CAnimationListWindow::paintEvent(QPaintEvent*) {
    if (!backBuffer_ || backBuffer_->isNull()) return;
    const int w = width(), h = height();
    const int r = std::max(1, rowHeight_);
    const int n = AnimationCount();
    // The list may have shrunk since the top index was set (a new model).
    topIndex = std::clamp(topIndex, 0, std::max(0, n - kVisibleRows));
    {
        QPainter p(backBuffer_);
        p.setClipRect(0, 0, w, h);
        const CColor4 highlight = background.Shifted(-20);
        p.fillRect(0, 0, w, h, ToQColor(highlight));
        p.fillRect(0, 0, w, h, ToQColor(background));
        const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.6, r, metrics_.dpiScaleX));
        const QColor brush = ToQColor(text);
        for (int i = topIndex; i < n; ++i) {
            const int y = (i - topIndex) * r;
            if (y >= h) break;
            if (i == selectedIndex) p.fillRect(0, y, w, r, ToQColor(highlight));
            if (i == playing_) {
                // A triangle in the left margin, pointing at the name.
                const double m = r * 0.3;
                const QPointF tip[3] = {{m, y + m}, {r - m, y + r * 0.5}, {m, y + r - m}};
                p.setPen(Qt::NoPen);
                p.setBrush(brush);
                p.drawPolygon(tip, 3);
            }
            // The length at the right, before the scroll bar; the name takes the rest.
            const double lengthWidth = i < static_cast<int>(lengths_.size()) ? r * 3.2 : 0.0;
            const double right = w - (scrollBar_ ? scrollBar_->width() : 0);
            if (lengthWidth > 0)
                DrawInterfaceTextElided(p, LengthText(lengths_[i]), font,
                                        QRectF(right - lengthWidth, y, lengthWidth, r), brush);
            DrawInterfaceTextElided(p, AnimationName(i), font, QRectF(r, y, right - lengthWidth - r, r), brush);
        }
    }
    SyncScrollBar(n);
    BlitBackBuffer(this, *backBuffer_, w, h);
}

void CAnimationListWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    buttonDown_ = true;
    const int y = static_cast<int>(event->position().y());
    selectedIndex = topIndex + y / std::max(1, rowHeight_);
    if (display_ && selectedIndex >= 0 && selectedIndex < AnimationCount())
        display_->GetScene().ChooseAnimation(selectedIndex);
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
    Refresh();
}

void CAnimationListWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (!buttonDown_) return;
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
    Refresh();
}

void CAnimationListWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    buttonDown_ = false;
    Refresh();
}

// One notch (120) moves one row; wheel up shows earlier rows.
void CAnimationListWindow::wheelEvent(QWheelEvent* event) {
    setFocus(Qt::MouseFocusReason);
    wheelRemainder_ += event->angleDelta().y();
    const int rows = wheelRemainder_ / 120;
    wheelRemainder_ -= rows * 120;
    if (rows != 0) SetTopIndex(topIndex - rows);
    Refresh();
    event->accept();
}

// Taller with the menu strip: the rows keep their height, so more show.
void CAnimationListWindow::resizeEvent(QResizeEvent*) {
    if (scrollBar_) scrollBar_->setGeometry(width() - scrollBar_->width(), 0, scrollBar_->width(), height());
    repaint();
}
