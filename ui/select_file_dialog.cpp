#include "ui/select_file_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "settings/settings.h"
#include "ui/dialog_buttons.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"

bool CButtonDir::Click() {
    dialog_->UpLevel();
    return true;
}

bool CButtonOK::Click() {
    dialog_->RunOkAction();
    return true;
}

bool CButtonCancel::Click() {
    dialog_->Close();
    return true;
}

CSelectFileDialog::CSelectFileDialog()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      metrics_(CScreenMetrics::FromPrimaryScreen()) {
    setObjectName(QStringLiteral("CLASS_DIALOG"));
    setWindowTitle(QStringLiteral("Select File"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CSelectFileDialog::~CSelectFileDialog() = default;

QRect CSelectFileDialog::DefaultRect(const CScreenMetrics& m) {
    const int w = static_cast<int>(static_cast<float>(m.defaultWidth) * 0.6f);
    const int h = static_cast<int>(static_cast<float>(m.defaultHeight) * 0.6f);
    const int x = static_cast<int>(static_cast<float>(m.screenWidth - w) * 0.5f);
    const int y = static_cast<int>(static_cast<float>(m.screenHeight - h) * 0.5f);
    return {x, y, w, h};
}

QString CSelectFileDialog::TitleForMode(FileDialogMode mode) {
    switch (mode) {
        case kModeOpenModel:
            return QStringLiteral("モデルファイル(") + QStringLiteral(".mdl") + QStringLiteral(" ") +
                   QStringLiteral(".dae") + QStringLiteral(")を開く");
        case kModeWriteModel:
            return QStringLiteral("モデルファイル(") + QStringLiteral(".mdl") + QStringLiteral(")を書き出し");
        case kModeOpenAnimation:
            return QStringLiteral("アニメーションファイル(") + QStringLiteral(".ani") + QStringLiteral(")を開く");
        case kModeWriteAnimation:
            return QStringLiteral("アニメーションファイル(") + QStringLiteral(".ani") +
                   QStringLiteral(")を書き出し");
        default:
            return QString();
    }
}

void CSelectFileDialog::Create(int x, int y, int width, int height, const CSettings& settings) {
    background = BackgroundColor(settings);
    bar = BarColor(settings);
    text = TextColor(settings);
    x_ = x;
    y_ = y;
    setGeometry(x, y, width, height);
    setFixedSize(width, height);
    backBuffer_ = MakeBackBuffer(metrics_);

    const int t = metrics_.rowHeight;
    const int e = static_cast<int>(std::trunc(width * 0.05));
    const int listY = static_cast<int>(std::trunc(height * 0.25));
    const int listH = static_cast<int>(std::trunc(height * 0.45));
    list_ = new CSelectList;
    CSelectListHost host{[this] { return mode; }, [this] { return FileNameBox(); }, [this] { Refresh(); },
                         [this] { RunOkAction(); }};
    list_->Create(this, std::move(host), e, listY, width - 2 * e, listH, &backBuffer_, settings);

    fileNameBox_ = new CTextEdit;
    fileNameBox_->Create(this, e, static_cast<int>(std::trunc((listY + listH) + t * 0.5)), width - 2 * e, t, settings,
                         metrics_);

    confirm_ = std::make_unique<CConfirmDialog>();
    const QRect c = CConfirmDialog::DefaultRect(metrics_);
    confirm_->Create(c.x(), c.y(), c.width(), c.height(), settings);
    confirm_->SetFileNameSource([this] { return list_->fileName; });

    const int up = static_cast<int>(std::trunc(t * 1.2));
    upButton_ = new CButtonDir(this);
    upButton_->Create(static_cast<int>(std::trunc(width * 0.05)), static_cast<int>(std::trunc(height * 0.1)), up, up,
                      this);
    upButton_->LoadImages(QStringLiteral("./pict/ButtonDir.png"), QStringLiteral("./pict/ButtonDirDown.png"));
    upButton_->background = background;

    closeButton_ = new CButtonDialogClose(this);
    cancelButton_ = new CButtonCancel(this);
    okButton_ = new CButtonOK(this);
    SetUpDialogButtons(this, width, height, t, closeButton_, cancelButton_, okButton_, background);

    hide();
}

void CSelectFileDialog::Open(FileDialogMode newMode) {
    mode = newMode;
    if (!list_) return;
    list_->Reset();
    list_->UpdateSelection();
    if (mainWindow_) mainWindow_->setEnabled(false);
    list_->fileName.clear();
    list_->currentPath.clear();
    list_->InvalidateListing();
    show();
    raise();
    activateWindow();
    Refresh();
}

void CSelectFileDialog::Refresh() {
    repaint();
    if (list_) list_->Refresh();
}

void CSelectFileDialog::RunOkAction() {
    if (okAction_) okAction_();
    else Close();
}

void CSelectFileDialog::Close() {
    if (mainWindow_) mainWindow_->setEnabled(true);
    hide();
}

void CSelectFileDialog::UpLevel() {
    if (!list_) return;
    list_->Reset();
    QString path = list_->currentPath;
    if (path.isEmpty()) path = CurrentDirectory();  // not painted since it was opened
    if (IsRootPath(path) && !list_->IsDriveView()) {
        list_->fileName.clear();
        list_->SetDriveView(true);
        Refresh();
        return;
    }
    const int sep = LastSeparator(path);
    const QString parent = sep >= 0 ? path.left(sep) : QString();
    list_->currentPath = parent;
    SetCurrentDirectory(parent + QLatin1Char('/'));  // failures ignored: the next paint shows where we are
    list_->InvalidateListing();
    list_->fileName.clear();
    Refresh();
}

bool CSelectFileDialog::AskOverwrite() {
    CConfirmDialog* confirm = confirm_.get();
    if (!confirm) return false;
    confirm->show();
    confirm->raise();
    confirm->activateWindow();
    confirm->waiting = true;
    setEnabled(false);
    QEventLoop loop;
    confirm->SetAnswerHook([&loop] { loop.quit(); });
    // exec returns on an answer, or when the application is leaving.
    while (confirm->waiting) {
        loop.exec();
        if (QCoreApplication::closingDown() || !confirm->isVisible()) break;
    }
    confirm->SetAnswerHook(nullptr);
    if (confirm->waiting) {  // left without an answer: nothing is overwritten
        confirm->waiting = false;
        confirm->accepted = false;
    }
    confirm->hide();
    setEnabled(true);
    return confirm->accepted;
}

void CSelectFileDialog::paintEvent(QPaintEvent*) {
    const int w = width(), h = height();
    const int t = metrics_.rowHeight;
    if (backBuffer_.isNull() || !list_) return;
    {
        QPainter p(&backBuffer_);
        p.setClipRect(0, 0, w, h);
        DrawWindowFrame(p, w, h, t, ToQColor(background.Opaque()), ToQColor(bar));
        const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.5, t, metrics_.dpiScaleX));
        const QColor brush = ToQColor(background.Shifted(50));
        DrawInterfaceText(p, TitleForMode(mode), font, QRectF(w / 50.0, t * 0.1, w, t), brush);
        // Every paint brings the list's path back to the working directory.
        list_->currentPath = CurrentDirectory();
        DrawInterfaceText(p, list_->currentPath, font, QRectF(w * 0.12, h * 0.12, w * 0.8, h * 0.8), brush);
        for (CCustomButton* b : {static_cast<CCustomButton*>(closeButton_), static_cast<CCustomButton*>(upButton_),
                                 static_cast<CCustomButton*>(okButton_), static_cast<CCustomButton*>(cancelButton_)})
            b->PaintInto(p, b->geometry());
    }
    BlitBackBuffer(this, backBuffer_, w, h);
}

void CSelectFileDialog::GiveFocus() {
    QWidget* target = (confirm_ && confirm_->waiting) ? static_cast<QWidget*>(confirm_.get()) : this;
    target->activateWindow();
    target->setFocus(Qt::MouseFocusReason);
}

void CSelectFileDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    GiveFocus();
    drag_.Press(event, metrics_.rowHeight);
    repaint();
}

void CSelectFileDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!drag_.Step(event, x_, y_)) return;
    move(x_, y_);
    repaint();
}

void CSelectFileDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    GiveFocus();
    drag_.Release();
    repaint();
}

void CSelectFileDialog::showEvent(QShowEvent* event) {
    if (list_) list_->InvalidateListing();
    QWidget::showEvent(event);
}

void CSelectFileDialog::closeEvent(QCloseEvent* event) {
    // Closed from outside (window manager): like Cancel, so the main window is
    // not left disabled.
    Close();
    event->ignore();
}
