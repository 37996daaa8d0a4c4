#include "ui/select_file_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QResizeEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "settings/settings.h"
#include "ui/dialog_buttons.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"
#include "ui/texts.h"

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
        case kModeOpenModel: return Text(CTextId::kDialogOpenModel);
        case kModeWriteModel: return Text(CTextId::kDialogWriteModel);
        case kModeOpenAnimation: return Text(CTextId::kDialogOpenAnimation);
        case kModeWriteAnimation: return Text(CTextId::kDialogWriteAnimation);
        default: return QString();
    }
}

void CSelectFileDialog::Create(int x, int y, int width, int height, const CSettings& settings) {
    background = BackgroundColor(settings);
    bar = BarColor(settings);
    text = TextColor(settings);
    x_ = x;
    y_ = y;
    setGeometry(x, y, width, height);
    // Not below the size it is made with; larger when the main window is (Open).
    setMinimumSize(width, height);
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
    // Enter in the name box is OK.
    connect(fileNameBox_, &QLineEdit::returnPressed, this, [this] { RunOkAction(); });

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

QSize CSelectFileDialog::SizeFor(QSize made, QSize mainWindow, QSize screen) {
    // The share of the main window the default size has of the default window.
    const int w = std::max(made.width(), static_cast<int>(static_cast<float>(mainWindow.width()) * 0.6f));
    const int h = std::max(made.height(), static_cast<int>(static_cast<float>(mainWindow.height()) * 0.6f));
    return {std::min(w, std::max(made.width(), screen.width())), std::min(h, std::max(made.height(), screen.height()))};
}

void CSelectFileDialog::LayOut(int width, int height) {
    if (!list_) return;
    const int t = metrics_.rowHeight;
    const int e = static_cast<int>(std::trunc(width * 0.05));
    const int listY = static_cast<int>(std::trunc(height * 0.25));
    const int listH = static_cast<int>(std::trunc(height * 0.45));
    list_->setGeometry(e, listY, width - 2 * e, listH);
    fileNameBox_->setGeometry(e, static_cast<int>(std::trunc((listY + listH) + t * 0.5)), width - 2 * e, t);
    const DialogButtonLayout at = LayOutDialogButtons(width, height, t);
    closeButton_->setGeometry(at.close);
    cancelButton_->setGeometry(at.cancel);
    okButton_->setGeometry(at.ok);
    upButton_->move(e, static_cast<int>(std::trunc(height * 0.1)));
}

bool CSelectFileDialog::EnterTypedFolder() {
    if (!fileNameBox_ || !list_) return false;
    QString typed = fileNameBox_->text();
    if (typed.isEmpty()) return false;
    if (typed == u'~' || typed.startsWith(QStringLiteral("~/"))) typed = QDir::homePath() + typed.mid(1);
    const QString target = QDir::isAbsolutePath(typed) ? typed : JoinPath(CurrentDirectory(), typed);
    // A folder that cannot be entered is left to the OK action, which says so.
    if (!QFileInfo(target).isDir() || !SetCurrentDirectory(target)) return false;
    list_->Reset();
    list_->SetDriveView(false);
    list_->InvalidateListing();
    list_->fileName.clear();
    list_->UpdateSelection();  // the box: empty, or the default name to write
    Refresh();
    return true;
}

void CSelectFileDialog::Open(FileDialogMode newMode) {
    mode = newMode;
    if (!list_) return;
    if (mainWindow_) {
        // The list grows with the main window: more rows when it is maximised.
        const QSize s = SizeFor(minimumSize(), mainWindow_->size(), QSize(metrics_.screenWidth, metrics_.screenHeight));
        if (s != size()) {
            x_ = (metrics_.screenWidth - s.width()) / 2;
            y_ = (metrics_.screenHeight - s.height()) / 2;
            setGeometry(x_, y_, s.width(), s.height());
            LayOut(s.width(), s.height());  // a hidden window gets its resize event only when shown
        }
    }
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
    if (EnterTypedFolder()) return;
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
        const double titleLeft = w / 50.0;
        DrawInterfaceTextElided(p, TitleForMode(mode), font,
                                QRectF(titleLeft, t * 0.1, closeButton_->x() - t * 0.3 - titleLeft, t), brush);
        // Every paint brings the list's path back to the working directory.
        list_->currentPath = CurrentDirectory();
        DrawInterfaceTextElided(p, list_->currentPath, font, QRectF(w * 0.12, h * 0.12, w * 0.8, h * 0.8), brush,
                                Qt::ElideMiddle);
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

void CSelectFileDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut(width(), height());
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
