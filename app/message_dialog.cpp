#include "app/message_dialog.h"

#include <QCloseEvent>
#include <QPainter>
#include <QTextOption>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <utility>

#include "settings/settings.h"
#include "ui/texts.h"

bool CButtonMessageOK::Click() {
    dialog_->Dismiss();
    return true;
}

CMessageDialog::CMessageDialog()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      metrics_(CScreenMetrics::FromPrimaryScreen()) {
    setObjectName(QStringLiteral("CLASS_MESSAGE_DIALOG"));
    setWindowTitle(QStringLiteral("Vorland"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CMessageDialog::~CMessageDialog() = default;

void CMessageDialog::Create(const CSettings& settings) {
    background_ = BackgroundColor(settings);
    bar_ = BarColor(settings);
    textColor_ = TextColor(settings);
    const int w = static_cast<int>(std::trunc(metrics_.screenWidth * 0.4));
    const int h = static_cast<int>(std::trunc(metrics_.screenHeight * 0.2));
    setGeometry((metrics_.screenWidth - w) / 2, (metrics_.screenHeight - h) / 2, w, h);
    setFixedSize(w, h);
    backBuffer_ = MakeBackBuffer(metrics_);
    const int t = metrics_.rowHeight;
    const int b = static_cast<int>(std::trunc(t * 3.0));
    okButton_ = new CButtonMessageOK(this);
    okButton_->Create(w - b - t, h - static_cast<int>(std::trunc(t * 0.3)) - t, b, t, this);
    okButton_->LoadImages(QStringLiteral("./pict/ButtonOK.png"), QStringLiteral("./pict/ButtonOKDown.png"));
    okButton_->background = background_;
    hide();
}

void CMessageDialog::ShowMessage(const QString& text) {
    if (isVisible() && !text_.isEmpty()) text_ += QLatin1Char('\n') + text;
    else text_ = text;
    FitToText();
    show();
    raise();
    activateWindow();
    repaint();
}

// At least 0.2 of the screen high, taller when the text needs it (up to 0.8).
void CMessageDialog::FitToText() {
    const int t = metrics_.rowHeight;
    const int w = width();
    const QFontMetrics fm(CreateInterfaceFont(InterfaceFontEmSize(0.4, t, metrics_.dpiScaleX)));
    const QRect needed =
        fm.boundingRect(QRect(0, 0, static_cast<int>(w - 2 * (w / 30.0)), 100000), Qt::TextWrapAnywhere, text_);
    const int minimum = static_cast<int>(std::trunc(metrics_.screenHeight * 0.2));
    const int maximum = static_cast<int>(std::trunc(metrics_.screenHeight * 0.8));
    const int h = std::clamp(static_cast<int>(needed.height() + t * 3.2), minimum, maximum);
    setFixedSize(w, h);
    setGeometry((metrics_.screenWidth - w) / 2, (metrics_.screenHeight - h) / 2, w, h);
    const int b = static_cast<int>(std::trunc(t * 3.0));
    okButton_->setGeometry(w - b - t, h - static_cast<int>(std::trunc(t * 0.3)) - t, b, t);
}

void CMessageDialog::Dismiss() {
    text_.clear();
    hide();
    if (auto action = std::exchange(afterDismiss_, nullptr)) action();
}

void CMessageDialog::paintEvent(QPaintEvent*) {
    const int w = width(), h = height();
    const int t = metrics_.rowHeight;
    if (backBuffer_.isNull()) return;
    {
        QPainter p(&backBuffer_);
        p.setClipRect(0, 0, w, h);
        DrawWindowFrame(p, w, h, t, ToQColor(background_.Opaque()), ToQColor(bar_));
        const QColor brush = ToQColor(background_.Shifted(50).Opaque());
        DrawInterfaceText(p, ::Text(CTextId::kMessageTitle),
                          CreateInterfaceFont(InterfaceFontEmSize(0.5, t, metrics_.dpiScaleX)),
                          QRectF(w / 50.0, t * 0.1, w, t), brush);
        // The message may be long (a path and the importer's words): wrap it.
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(CreateInterfaceFont(InterfaceFontEmSize(0.4, t, metrics_.dpiScaleX)));
        p.setPen(ToQColor(textColor_.Opaque()));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        p.drawText(QRectF(w / 30.0, t * 1.4, w - 2 * (w / 30.0), h - t * 2.9), text_, option);
        okButton_->PaintInto(p, okButton_->geometry());
    }
    BlitBackBuffer(this, backBuffer_, w, h);
}

void CMessageDialog::closeEvent(QCloseEvent* event) {
    Dismiss();
    event->ignore();
}
