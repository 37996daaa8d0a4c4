#include "ui/text_edit.h"

#include <QPalette>
#include <cmath>

#include "settings/settings.h"
#include "ui/metrics.h"

CTextEdit::CTextEdit() {
    setObjectName(QStringLiteral("RICHEDIT50W"));
    hide();
}

CTextEdit::~CTextEdit() = default;

void CTextEdit::Create(QWidget* parent, int x, int y, int width, int height, const CSettings& settings,
                       const CScreenMetrics& metrics) {
    background_ = BackgroundColor(settings);
    text_ = TextColor(settings);
    if (parentWidget() != parent) setParent(parent);
    setGeometry(x, y, width, height);
    setFrame(false);
    setMaxLength(1023);  // the name buffers hold 1024 units with the terminator
    setMouseTracking(true);

    // The font is made trunc(height x 0.7) pixels high; its size is then set
    // in twips at the screen's DPI, which is the size the text shows in.
    fontHeight_ = static_cast<int>(std::trunc(height * 0.7));
    fontTwips_ = metrics.dpiY > 0.0f ? static_cast<int>(fontHeight_ * 1440 / metrics.dpiY) : 0;
    QFont font(InterfaceFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    if (fontTwips_ > 0) font.setPointSizeF(fontTwips_ / 20.0);
    else font.setPixelSize(std::max(1, fontHeight_));
    setFont(font);

    const QColor box = ToQColor(BoxBackground().Opaque());
    const QColor ink = ToQColor(text_.Opaque());
    QPalette pal = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, box);
        pal.setColor(g, QPalette::Window, box);
        pal.setColor(g, QPalette::Text, ink);
    }
    setPalette(pal);
    setAutoFillBackground(true);
    show();
}

void CTextEdit::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QLineEdit::mouseMoveEvent(event);
}

void CTextEdit::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    QLineEdit::mousePressEvent(event);
}
