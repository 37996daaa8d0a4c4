#include "ui/scroll_bar.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "settings/settings.h"

int ScrollTopIndex(int position, int trackLength, int thumbLength, int itemCount, int visibleRows) {
    const int free = trackLength - thumbLength;
    if (itemCount <= visibleRows || free <= 0) return 0;
    const float top =
        static_cast<float>(position) / static_cast<float>(free) * static_cast<float>(itemCount - visibleRows);
    return static_cast<int>(top);
}

int ThumbCornerDiameter(int width) {
    int d = width / 5;
    if (d % 2 != 0) ++d;
    return d;
}

// The corners are given in degrees clockwise from the x axis (y points down);
// Qt's angles run counter-clockwise, in sixteenths of a degree.
static int QtAngle(int clockwiseDegrees) { return -clockwiseDegrees * 16; }

void FillRoundedThumb(QPainter& p, int y, int w, int h, int d, const QColor& color) {
    const int r = d / 2;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    if (d > 0) {
        p.drawPie(QRect(0, y, d, d), QtAngle(180), QtAngle(90));
        p.drawPie(QRect(w - d, y, d, d), QtAngle(270), QtAngle(90));
        p.drawPie(QRect(0, y + h - d, d, d), QtAngle(90), QtAngle(90));
        p.drawPie(QRect(w - d, y + h - d, d, d), QtAngle(0), QtAngle(90));
    }
    // A thumb shorter than its corners (very long lists) leaves the middle
    // rectangles empty rather than drawing them upside down.
    for (const QRect& band : {QRect(r, y, w - d, r), QRect(0, y + r, r, h - d), QRect(r, y + h - r, w - d, r),
                              QRect(w - r, y + r, r, h - d), QRect(r, y + r, w - d, h - d)})
        if (band.width() > 0 && band.height() > 0) p.fillRect(band, color);
    p.restore();
}

void OutlineRoundedThumb(QPainter& p, int y, int w, int h, int d, const QColor& color, float penWidth) {
    const int r = d / 2;
    p.save();
    QPen pen(color, penWidth);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (d > 0) {
        p.drawArc(QRect(0, y, d, d), QtAngle(180), QtAngle(90));
        p.drawArc(QRect(w - d, y, d, d), QtAngle(270), QtAngle(90));
        p.drawArc(QRect(0, y + h - d, d, d), QtAngle(90), QtAngle(90));
        p.drawArc(QRect(w - d, y + h - d, d, d), QtAngle(0), QtAngle(90));
    }
    p.drawLine(QPointF(r, y), QPointF(w - r + 1, y));
    p.drawLine(QPointF(0, y + r), QPointF(0, y + h - r + 1));
    p.drawLine(QPointF(w, y + r), QPointF(w, y + h - r + 1));
    p.drawLine(QPointF(r, y + h), QPointF(w - r + 1, y + h));
    p.restore();
}

CScrollBar::CScrollBar() {
    setObjectName(QStringLiteral("CLASS_SCROLLBAR"));
    setWindowTitle(QStringLiteral("scroll bar"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

CScrollBar::~CScrollBar() = default;

void CScrollBar::Create(QWidget* parent, int x, int /*y*/, int width, int height, QImage* backBuffer,
                        const CSettings& settings) {
    background = BackgroundColor(settings);
    if (parentWidget() != parent) setParent(parent);
    setGeometry(x, 0, width, height);
    backBuffer_ = backBuffer;
    show();
}

void CScrollBar::SetTarget(std::function<int()> itemCount, std::function<void(int)> setTopIndex,
                           std::function<void()> repaintTarget) {
    repaintTarget_ = repaintTarget;
    itemCount_ = std::move(itemCount);
    setTopIndex_ = std::move(setTopIndex);
}

void CScrollBar::ApplyMapping() {
    const int n = itemCount_ ? itemCount_() : 0;
    if (n > visibleRows) {
        if (setTopIndex_) setTopIndex_(ScrollTopIndex(thumbPosition, height(), thumbLength, n, visibleRows));
    } else {
        thumbLength = height();
        thumbPosition = 0;
    }
}

void CScrollBar::paintEvent(QPaintEvent*) {
    const int w = width();
    if (!backBuffer_ || backBuffer_->isNull()) return;
    {
        QPainter p(backBuffer_);
        p.setClipRect(0, 0, w, height());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(0, 0, w, height()), ToQColor(background.Shifted(-10)));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        const int d = ThumbCornerDiameter(w);
        FillRoundedThumb(p, thumbPosition, w, thumbLength, d, ToQColor(background.Shifted(20)));
        OutlineRoundedThumb(p, thumbPosition, w, thumbLength, d, ToQColor(background.Shifted(-30)),
                            static_cast<float>(w / 5));
    }
    BlitBackBuffer(this, *backBuffer_, w, height());
}

void CScrollBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // No hit test on the thumb and no paging: a press anywhere starts a drag.
    dragging_ = true;
    const QPoint global = event->globalPosition().toPoint();
    lastMouseX_ = global.x();
    lastMouseY_ = global.y();
    repaint();
}

void CScrollBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    // The bar keeps no hold of the mouse: leaving it ends the drag.
    if (!rect().contains(event->position().toPoint())) {
        EndDrag();
        return;
    }
    const QPoint global = event->globalPosition().toPoint();
    thumbPosition += global.y() - lastMouseY_;
    if (thumbPosition < 0) thumbPosition = 0;
    if (thumbPosition > height() - thumbLength) thumbPosition = height() - thumbLength;
    ApplyMapping();
    if (repaintTarget_) repaintTarget_();
    else repaint();
    lastMouseX_ = global.x();
    lastMouseY_ = global.y();
}

void CScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    EndDrag();
}

void CScrollBar::EndDrag() {
    dragging_ = false;
    ApplyMapping();
    repaint();
}
