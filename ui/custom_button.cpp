#include "ui/custom_button.h"

#include <QMouseEvent>
#include <QPainter>

CCustomButton::CCustomButton() {
    setObjectName(QStringLiteral("CLASS_CUSTOMBUTTON"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

CCustomButton::~CCustomButton() = default;

void CCustomButton::Create(int x, int y, int width, int height, QWidget* parent) {
    if (parentWidget() != parent) setParent(parent);
    setGeometry(x, y, width, height);
    show();
}

void CCustomButton::LoadImages(const QString& normalPath, const QString& pressedPath) {
    // QImage::load leaves a null image on failure; a null image is skipped.
    normalImage_ = QImage();
    pressedImage_ = QImage();
    normalImage_.load(normalPath);
    pressedImage_.load(pressedPath);
}

void CCustomButton::PaintInto(QPainter& p, const QRect& rect) const {
    p.save();
    p.fillRect(rect, ToQColor(background));
    const QImage& image = pressed_ ? pressedImage_ : normalImage_;
    if (!image.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(rect), image);
    }
    p.restore();
}

void CCustomButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Fill with the stored colour (alpha included) over a cleared window.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    PaintInto(p, rect());
}

void CCustomButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // Qt grabs the mouse for the pressed widget until release, as a capture would.
    pressed_ = true;
    repaint();
}

void CCustomButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = false;
    Click();
    repaint();
}
