#include "ui/custom_button.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
    normalImage_ = LoadInterfaceImage(normalPath);
    pressedImage_ = LoadInterfaceImage(pressedPath);
    missing_.clear();
    if (normalImage_.isNull()) missing_.append(normalPath);
    if (pressedImage_.isNull()) missing_.append(pressedPath);
    label_ = QFileInfo(normalPath).completeBaseName();
    if (label_.startsWith(QStringLiteral("Button"))) label_ = label_.mid(6);
}

void CCustomButton::PaintLabel(QPainter& p, const QRect& rect) const {
    const QColor back = ToQColor(background.Opaque());
    const QColor ink = qGray(back.rgb()) < 128 ? QColor(235, 235, 235) : QColor(20, 20, 20);
    if (pressed_) p.fillRect(rect, QColor(ink.red(), ink.green(), ink.blue(), 70));
    p.setPen(QPen(ink, 1.0));
    p.drawRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
    QFont font = p.font();
    font.setPixelSize(std::max(6, rect.height() * 2 / 5));
    // Narrow buttons get a smaller font rather than a cut label.
    const int room = std::max(1, rect.width() - 4);
    const int wide = QFontMetrics(font).horizontalAdvance(label_);
    if (wide > room) font.setPixelSize(std::max(5, font.pixelSize() * room / wide));
    p.setFont(font);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, label_);
}

void CCustomButton::PaintInto(QPainter& p, const QRect& rect) const {
    p.save();
    p.fillRect(rect, ToQColor(background));
    const QImage& image = pressed_ ? pressedImage_ : normalImage_;
    if (!image.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(QRectF(rect), image);
    } else if (!label_.isEmpty()) {
        PaintLabel(p, rect);
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
