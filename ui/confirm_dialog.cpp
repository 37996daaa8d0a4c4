#include "ui/confirm_dialog.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "settings/settings.h"
#include "ui/dialog_buttons.h"
#include "ui/texts.h"

bool CButtonConfirmOK::Click() {
    dialog_->Answer(true);
    return true;
}

bool CButtonConfirmCancel::Click() {
    dialog_->Answer(false);
    return true;
}

void CConfirmDialog::Answer(bool ok) {
    accepted = ok;
    waiting = false;
    if (answerHook_) answerHook_();
}

CConfirmDialog::CConfirmDialog()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      metrics_(CScreenMetrics::FromPrimaryScreen()) {
    setObjectName(QStringLiteral("CLASS_CONFIRM_DIALOG"));
    setWindowTitle(QStringLiteral("confirm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Until Create: screen / 1.5, centred.
    x_ = (metrics_.screenWidth - metrics_.defaultWidth) / 2;
    y_ = (metrics_.screenHeight - metrics_.defaultHeight) / 2;
    setGeometry(x_, y_, std::max(1, metrics_.defaultWidth), std::max(1, metrics_.defaultHeight));
}

CConfirmDialog::~CConfirmDialog() = default;

QRect CConfirmDialog::DefaultRect(const CScreenMetrics& m) {
    const int w = static_cast<int>(static_cast<float>(m.screenWidth) * 0.4f);
    const int h = static_cast<int>(static_cast<float>(m.screenHeight) * 0.2f);
    const int x = static_cast<int>(static_cast<float>(m.screenWidth - w) * 0.5f);
    const int y = static_cast<int>(static_cast<float>(m.screenHeight - h) * 0.5f);
    return {x, y, w, h};
}

void CConfirmDialog::Create(int x, int y, int width, int height, const CSettings& settings) {
    background = BackgroundColor(settings);
    bar = BarColor(settings);
    text = TextColor(settings);
    x_ = x;
    y_ = y;
    setGeometry(x, y, width, height);
    setFixedSize(width, height);
    backBuffer_ = MakeBackBuffer(metrics_);

    closeButton_ = new CButtonConfirmClose(this);
    cancelButton_ = new CButtonConfirmCancel(this);
    okButton_ = new CButtonConfirmOK(this);
    SetUpDialogButtons(this, width, height, metrics_.rowHeight, closeButton_, cancelButton_, okButton_, background);

    hide();
}

void CConfirmDialog::paintEvent(QPaintEvent*) {
    const int w = width(), h = height();
    const int t = metrics_.rowHeight;
    if (backBuffer_.isNull()) backBuffer_ = MakeBackBuffer(metrics_);
    {
        QPainter p(&backBuffer_);
        p.setClipRect(0, 0, w, h);
        DrawWindowFrame(p, w, h, t, ToQColor(background.Opaque()), ToQColor(bar));
        const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.5, t, metrics_.dpiScaleX));
        const QColor brush = ToQColor(background.Shifted(30).Opaque());
        DrawInterfaceText(p, Text(CTextId::kConfirmTitle), font, QRectF(w / 50.0, t * 0.1, w, t), brush);
        DrawInterfaceText(p, fileName_ ? fileName_() : QString(), font, QRectF(w / 30.0, h / 3.5, w * 0.9, t), brush);
        DrawInterfaceText(p, Text(CTextId::kConfirmQuestion), font, QRectF(w / 30.0, h * 0.5, w * 0.9, t), brush);
    }
    BlitBackBuffer(this, backBuffer_, w, h);
}

void CConfirmDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_.Press(event, metrics_.rowHeight);
    repaint();
}

void CConfirmDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_.Step(event, x_, y_)) return;
    move(x_, y_);
    repaint();
}

void CConfirmDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_.Release();
    repaint();
}

void CConfirmDialog::closeEvent(QCloseEvent* event) {
    // Closed from outside (window manager): the same answer as Cancel.
    Answer(false);
    QWidget::closeEvent(event);
}
