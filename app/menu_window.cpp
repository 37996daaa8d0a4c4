#include "app/menu_window.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/animation_list_window.h"
#include "settings/settings.h"
#include "app/shell_buttons.h"

CMenuWindow::CMenuWindow() {
    setObjectName(QStringLiteral("CLASS_MENUWINDOW"));
    setWindowTitle(QStringLiteral("MenuWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
}

CMenuWindow::~CMenuWindow() = default;

void CMenuWindow::Create(QWidget* parent, int x, int y, int width, int height, const CSettings& settings,
                         const CScreenMetrics& metrics) {
    metrics_ = metrics;
    background = MenuBackgroundColor(settings);
    textColor = MenuTextColor(settings);
    modelPath = settings.ModelPath;
    setParent(parent);
    setGeometry(x, y, width, height);
    backBuffer_ = MakeBackBuffer(metrics_);
    show();

    layout_ = ComputeMenuLayout(width, height, metrics_.rowHeight);
    const int w = layout_.buttonWidth, l = layout_.buttonLeft, h = layout_.buttonHeight;
    modelOpen_ = new CButtonModelOpen;
    modelOpen_->Create(l, layout_.buttonTops[0], w, h, this);
    modelOpen_->LoadImages(QStringLiteral("./pict/ButtonModelOpen.png"),
                           QStringLiteral("./pict/ButtonModelOpenDown.png"));
    modelWrite_ = new CButtonModelWrite;
    modelWrite_->Create(l, layout_.buttonTops[1], w, h, this);
    modelWrite_->LoadImages(QStringLiteral("./pict/ButtonModelWrite.png"),
                            QStringLiteral("./pict/ButtonModelWriteDown.png"));
    animOpen_ = new CButtonAnimOpen;
    animOpen_->Create(l, layout_.buttonTops[2], w, h, this);
    animOpen_->LoadImages(QStringLiteral("./pict/ButtonAnimOpen.png"), QStringLiteral("./pict/ButtonAnimOpenDown.png"));
    animWrite_ = new CButtonAnimWrite;
    animWrite_->Create(l, layout_.buttonTops[3], w, h, this);
    animWrite_->LoadImages(QStringLiteral("./pict/ButtonAnimWrite.png"),
                           QStringLiteral("./pict/ButtonAnimWriteDown.png"));
    for (CCustomButton* b : {static_cast<CCustomButton*>(modelOpen_), static_cast<CCustomButton*>(modelWrite_),
                             static_cast<CCustomButton*>(animOpen_), static_cast<CCustomButton*>(animWrite_)})
        b->background = background;

    list_ = new CAnimationListWindow;
    list_->Create(this, layout_.list.x(), layout_.list.y(), layout_.list.width(), layout_.list.height(), &backBuffer_,
                  settings);
}

void CMenuWindow::SetHeight(int height) { resize(width(), height); }

// The animation list follows the strip's height (a maximised window shows more rows).
void CMenuWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!list_) return;
    layout_ = ComputeMenuLayout(width(), height(), metrics_.rowHeight);
    list_->setGeometry(layout_.list);
}

void CMenuWindow::paintEvent(QPaintEvent*) {
    const int w = width(), h = height();
    if (backBuffer_.isNull()) return;
    {
        QPainter p(&backBuffer_);
        p.setClipRect(0, 0, w, h);
        DrawWindowFrame(p, w, h, metrics_.rowHeight, ToQColor(background.Opaque()), ToQColor(background));
        for (CCustomButton* b : {static_cast<CCustomButton*>(modelOpen_), static_cast<CCustomButton*>(modelWrite_),
                                 static_cast<CCustomButton*>(animOpen_), static_cast<CCustomButton*>(animWrite_)})
            if (b) b->PaintInto(p, b->geometry());
    }
    BlitBackBuffer(this, backBuffer_, w, h);
}

void CMenuWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint g = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) leftDown_ = true;
    if (event->button() == Qt::RightButton) rightDown_ = true;
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
    repaint();
}

void CMenuWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint g = event->globalPosition().toPoint();
    lastMouseX_ = g.x();
    lastMouseY_ = g.y();
    repaint();
}

void CMenuWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDown_ = false;
    if (event->button() == Qt::RightButton) rightDown_ = false;
    repaint();
}

void CMenuWindow::SetOpenDialog(const std::function<void(FileDialogMode)>& open) {
    for (CMenuButton* button : {static_cast<CMenuButton*>(modelOpen_), static_cast<CMenuButton*>(modelWrite_),
                                static_cast<CMenuButton*>(animOpen_), static_cast<CMenuButton*>(animWrite_)})
        if (button) button->SetOpen(open);
}
