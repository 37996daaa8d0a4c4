#include "app/disp_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cstdio>

#include "platform/stage_timer.h"
#include "ui/drawing.h"
#include "ui/metrics.h"
#include "ui/texts.h"
#include "ui/timeline.h"
#include "platform/data_paths.h"
#include "scene/view_camera.h"

namespace {

constexpr int kPollMs = 16;
// Until the first picture shows, the window looks more often: start-up is
// over the moment it is on screen. Polling, rather than a post from the
// render thread, keeps Qt out of the render thread.
constexpr int kFirstPollMs = 2;

// What did not load at start, a line each, in the interface's language.
QString LoadProblemsText(const std::vector<LoadProblem>& problems) {
    using Kind = LoadProblem::Kind;
    QStringList lines;
    for (const LoadProblem& p : problems) {
        const QString why = QString::fromStdString(p.why);
        switch (p.kind) {
            case Kind::SkyImage:
                lines << Text(CTextId::kSkyImageUnreadable).arg(QString::fromStdString(p.file), why);
                break;
            case Kind::RoomModel: lines << Text(CTextId::kRoomNotImported).arg(why); break;
            case Kind::NoOpenGl45: lines << Text(CTextId::kRendererNeedsGl45); break;
            case Kind::NoLamps: lines << Text(CTextId::kLampsNotMade); break;
            case Kind::Other: lines << why; break;
        }
    }
    return lines.join(QLatin1Char('\n'));
}
constexpr const char* kRoomFiles[3] = {"washitu1.dae", "washitu2.dae", "washitu3.dae"};

// The keys and mouse actions, as the help overlay lists them: each text is
// the keys, a tab and what they do, in the interface's language.
constexpr CTextId kHelpLines[] = {
    CTextId::kHelpOrbit,    CTextId::kHelpPan,   CTextId::kHelpZoom, CTextId::kHelpView,     CTextId::kHelpOverlays,
    CTextId::kHelpBindPose, CTextId::kHelpSides, CTextId::kHelpHome, CTextId::kHelpFrame,    CTextId::kHelpPause,
    CTextId::kHelpSpeed,    CTextId::kHelpStep,  CTextId::kHelpEnds, CTextId::kHelpTimeline, CTextId::kHelpFullScreen,
    CTextId::kHelpPicture,  CTextId::kHelpHelp,
};

void DrawHelp(QPainter& p, const QRect& area, int screenHeight) {
    const int row = std::max(14, RowHeightFor(screenHeight) * 2 / 3);
    const int rows = static_cast<int>(std::size(kHelpLines));
    const QFont font = CreateInterfaceFont(InterfaceFontEmSize(0.6, row, 1.0f));
    const QRect box(area.x() + row, area.y() + row, std::min(area.width() - 2 * row, row * 22), row * (rows + 1));
    p.fillRect(box, QColor(20, 20, 24, 210));
    for (int i = 0; i < rows; ++i) {
        const int y = box.y() + row / 2 + i * row;
        const QString line = Text(kHelpLines[i]);
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        DrawInterfaceText(p, line.left(tab), font, QRectF(box.x() + row / 2, y, row * 6, row), QColor(240, 200, 130));
        DrawInterfaceText(p, line.mid(tab + 1), font, QRectF(box.x() + row * 7, y, box.width() - row * 7, row),
                          QColor(230, 230, 230));
    }
}

std::string AbsolutePath(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path)).toStdString();
}

}  // namespace

CDispWindow::CDispWindow(const CSettings* settings, EglContextAhead eglContext)
    : contextSource_(std::move(eglContext)) {
    setObjectName(QStringLiteral("CLASS_DISPWINDOW"));
    setWindowTitle(QStringLiteral("Vorland"));
    if (settings) settings_ = *settings;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth_ = screen->geometry().width();
        screenHeight_ = screen->geometry().height();
    }
    setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers the whole widget
    setCursor(Qt::ArrowCursor);
    setMouseTracking(true);  // a plain move takes the keyboard focus
    setFocusPolicy(Qt::ClickFocus);
    scene_ = std::make_unique<Scene>(settings_, [this] { return contextSource_.Take(); });
    timeline_ = new CTimeline;
    timeline_->setParent(this);
    timeline_->hide();
    timeline_->onScrub = [this](double seconds) { scene_->Seek(seconds); };
    timeline_->onPlayingChanged = [this](bool playing) { scene_->SetPaused(!playing); };
    timeline_->onLoopingChanged = [this](bool looping) { scene_->SetLooping(looping); };
}

// The scene's threads end before the surface their context uses goes.
CDispWindow::~CDispWindow() { scene_.reset(); }

void CDispWindow::Create(QWidget* parent, int x, int y, int width, int height) {
    setParent(parent);
    setGeometry(x, y, width, height);
    show();
    if (started_) return;
    started_ = true;
    // Fixed here, on this thread: later changes of the working directory (the
    // file dialog browses by it) do not move them.
    ScenePlan plan;
    plan.roomFolder = AbsolutePath(QString::fromStdString(DataFile("model/washitu")));
    for (int i = 0; i < 3; ++i) plan.roomFiles[i] = plan.roomFolder + "/" + kRoomFiles[i];
    plan.sky.folder = AbsolutePath(QString::fromStdString(DataFile(settings_.ImgPath.ToUtf8())));
    plan.sky.cloud = settings_.TextureCloudName.ToUtf8();
    plan.sky.star = settings_.TextureStarName.ToUtf8();
    plan.sky.moon = settings_.TextureMoonName.ToUtf8();
    plan.maxWidth = screenWidth_;
    plan.maxHeight = screenHeight_;
    contextSource_.Choose();
    scene_->Start(std::move(plan));
    poll_ = new QTimer(this);
    connect(poll_, &QTimer::timeout, this, &CDispWindow::Poll);
    poll_->start(kFirstPollMs);
}

void CDispWindow::ApplySettings(const CSettings& settings) {
    settings_ = settings;
    scene_->ApplySettings(settings);
}

// Interface thread, every poll period. Polling keeps the render thread from
// posting (and allocating) an event a frame.
void CDispWindow::Poll() {
    // Nobody sees a minimised or covered window: no frames for it.
    const QWindow* handle = window()->windowHandle();
    scene_->SetDrawing(isVisible() && !window()->isMinimized() && handle && handle->isExposed());
    const std::uint64_t frames = scene_->FramesRendered();
    if (frames != shownFrames_) {
        shownFrames_ = frames;
        update();
        if (poll_ && poll_->interval() != kPollMs) poll_->setInterval(kPollMs);
    }
    if (const float rate = scene_->FrameRate(); rate != seenRate_) {
        seenRate_ = rate;
        emit FrameRateChanged(rate);
    }
    if (const std::uint64_t version = scene_->SnapshotVersion(); version != seenVersion_) {
        seenVersion_ = version;
        const SceneSnapshot snapshot = scene_->Snapshot();
        if (snapshot.state != seenState_) {
            seenState_ = snapshot.state;
            emit StateChanged(snapshot.state);
            if (snapshot.state == SceneState::Running && !snapshot.loadProblems.empty()) {
                loadProblems_ = LoadProblemsText(snapshot.loadProblems);
                emit LoadProblem(loadProblems_);
            }
        }
        emit SceneChanged();
    }
    if (scene_->HasEvents()) emit EventsWaiting();
    SyncTimeline();
}

// The timeline follows the scene unless the user is dragging it.
void CDispWindow::SyncTimeline() {
    if (!timeline_->isVisible() || timeline_->Scrubbing()) return;
    const double length = scene_->AnimationLength(), time = scene_->AnimationTime();
    const bool playing = !scene_->Paused(), looping = scene_->Looping();
    if (length != timeline_->Length()) timeline_->SetLength(length);
    if (time != timeline_->Time()) timeline_->SetTime(time);
    if (playing != timeline_->Playing()) timeline_->SetPlaying(playing);
    if (looping != timeline_->Looping()) timeline_->SetLooping(looping);
}

void CDispWindow::SetTimelineShown(bool shown) {
    timeline_->setVisible(shown);
    LayOutView();
    SyncTimeline();
    update();
}

bool CDispWindow::TimelineShown() const { return timeline_->isVisible(); }

QRect CDispWindow::ViewRect() const {
    if (!timeline_->isVisible()) return rect();
    return {0, 0, width(), std::max(1, height() - timeline_->height())};
}

// The timeline one interface row high along the bottom; the scene draws at
// the shape of what is left.
void CDispWindow::LayOutView() {
    const int row = std::max(20, RowHeightFor(screenHeight_ > 0 ? screenHeight_ : 1080));
    timeline_->setGeometry(0, std::max(0, height() - row), width(), std::min(row, height()));
    const QRect view = ViewRect();
    const qreal ratio = devicePixelRatioF();
    scene_->SetViewSize(static_cast<int>(view.width() * ratio), static_cast<int>(view.height() * ratio),
                        DisplayAspect(view.width(), view.height()));
}

bool CDispWindow::ViewKey(int key, bool ctrl) {
    DisplayOptions d = scene_->Display();
    switch (key) {
        case Qt::Key_R: d.inspect = !d.inspect; break;
        case Qt::Key_B: d.bones = !d.bones; break;
        case Qt::Key_W: d.wireframe = !d.wireframe; break;
        case Qt::Key_G: d.grid = !d.grid; break;
        case Qt::Key_1: scene_->ShowSide(ctrl ? ViewSide::Back : ViewSide::Front); return true;
        case Qt::Key_3: scene_->ShowSide(ctrl ? ViewSide::Left : ViewSide::Right); return true;
        case Qt::Key_7: scene_->ShowSide(ctrl ? ViewSide::Bottom : ViewSide::Top); return true;
        case Qt::Key_5:
        case Qt::Key_0: scene_->ResetCamera(); return true;
        case Qt::Key_Comma:
        case Qt::Key_Period: scene_->StepFrames(key == Qt::Key_Period ? 1 : -1); return true;
        case Qt::Key_Home:
        case Qt::Key_End: scene_->SeekEnd(key == Qt::Key_End); return true;
        case Qt::Key_T: d.bindPose = !d.bindPose; break;
        case Qt::Key_L: SetTimelineShown(!TimelineShown()); return true;
        case Qt::Key_H:
        case Qt::Key_F1:
            helpShown_ = !helpShown_;
            update();
            return true;
        default: return false;
    }
    scene_->SetDisplayOptions(d);
    return true;
}

void CDispWindow::Settle() {
    scene_->WaitUntilIdle();
    Poll();
}

QColor CDispWindow::BackgroundColor() const {
    const std::array<float, 4> b = scene_->Background();
    return QColor::fromRgbF(b[0], b[1], b[2]);
}

void CDispWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (PaintView(painter) && stage_timer::Enabled())
        std::fputs(stage_timer::Finish().c_str(), stderr);  // the first frame is on screen
}

// The picture over the view rectangle (1:1 unless the widget changed size
// since it was made), or the background before the first; the help over it.
bool CDispWindow::PaintView(QPainter& painter) {
    const QRect view = ViewRect();
    const bool drawn = scene_->ReadPicture([&](const Picture& p) {
        const QImage image(p.pixels.data(), p.width, p.height, p.stride, QImage::Format_RGBX8888);
        painter.drawImage(view, image);
    });
    if (!drawn) painter.fillRect(view, BackgroundColor());
    if (helpShown_) DrawHelp(painter, view, screenHeight_ > 0 ? screenHeight_ : 1080);
    return drawn;
}

// What the widget shows, the timeline included, in device pixels.
QImage CDispWindow::grabFramebuffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize size(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio));
    QImage image(size, QImage::Format_RGBX8888);
    image.setDevicePixelRatio(ratio);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        PaintView(painter);
        if (timeline_->isVisible()) timeline_->render(&painter, timeline_->pos());
    }
    image.setDevicePixelRatio(1.0);
    return image;
}

void CDispWindow::resizeEvent(QResizeEvent* event) {
    LayOutView();
    QWidget::resizeEvent(event);
}

void CDispWindow::ToggleFullScreen() {
    QWidget* top = window();
    bool requestMaximized;
    if (!fullScreen_) {
        savedMaximized_ = top->isMaximized();
        requestMaximized = true;
    } else {
        requestMaximized = savedMaximized_;
    }
    fullScreen_ = !fullScreen_;
    scene_->SetFullScreen(fullScreen_);
    if (fullScreen_) top->showFullScreen();
    else if (requestMaximized) top->showMaximized();
    else top->showNormal();
    emit FullScreenChanged(fullScreen_);
    update();
}

// --- input -----------------------------------------------------------------

void CDispWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        ToggleFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CDispWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDrag_ = true;
    if (event->button() == Qt::RightButton) rightDrag_ = true;
    lastMouse_ = event->globalPosition().toPoint();
}

void CDispWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDrag_ = false;
    if (event->button() == Qt::RightButton) rightDrag_ = false;
}

// The next frame shows the move.
void CDispWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->globalPosition().toPoint();
    const int dx = p.x() - lastMouse_.x();
    const int dy = p.y() - lastMouse_.y();
    lastMouse_ = p;
    if (rightDrag_) {
        scene_->Orbit(dx, dy);
    } else if (leftDrag_) {
        scene_->Pan(dx, dy, ViewRect().width(), ViewRect().height());
    }
}

void CDispWindow::wheelEvent(QWheelEvent* event) { scene_->Zoom(event->angleDelta().y()); }

// The select-file dialog disables the main window while it is open. The
// scene looks the same either way; no repaint is needed.
void CDispWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) return;
    QWidget::changeEvent(event);
}
