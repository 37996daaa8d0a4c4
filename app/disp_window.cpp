#include "app/disp_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cstdio>

#include "platform/stage_timer.h"
#include "platform/data_paths.h"
#include "scene/view_camera.h"

namespace {

constexpr int kPollMs = 16;
constexpr const char* kRoomFiles[3] = {"washitu1.dae", "washitu2.dae", "washitu3.dae"};

// The scene's context: OpenGL 4.5 core, drawing only into its own targets.
QSurfaceFormat ContextFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 5);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    return format;
}

// Qt's context on an offscreen surface, made on the render thread.
class QtGlContext : public GlContext {
public:
    explicit QtGlContext(QOffscreenSurface* surface) : surface_(surface) { context_.setFormat(ContextFormat()); }
    bool MakeCurrent() override {
        const stage_timer::Span span("GL context");
        return surface_ && context_.create() && context_.makeCurrent(surface_);
    }
    void DoneCurrent() override { context_.doneCurrent(); }

private:
    QOffscreenSurface* surface_;
    QOpenGLContext context_;
};

std::string AbsolutePath(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path)).toStdString();
}

}  // namespace

CDispWindow::CDispWindow(const CSettings* settings) {
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
    surface_ = std::make_unique<QOffscreenSurface>();
    surface_->setFormat(ContextFormat());
    surface_->create();
    QOffscreenSurface* surface = surface_.get();
    scene_ = std::make_unique<Scene>(settings_, [surface]() -> std::unique_ptr<GlContext> {
        return std::make_unique<QtGlContext>(surface);
    });
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
    scene_->Start(std::move(plan));
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CDispWindow::Poll);
    poll->start(kPollMs);
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
                loadProblems_ = QString::fromStdString(snapshot.loadProblems);
                emit LoadProblem(loadProblems_);
            }
        }
        emit SceneChanged();
    }
    if (scene_->HasEvents()) emit EventsWaiting();
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
    // Drawn 1:1 unless the widget changed size since the picture was made.
    const bool drawn = scene_->ReadPicture([&](const Picture& p) {
        const QImage image(p.pixels.data(), p.width, p.height, p.stride, QImage::Format_RGBX8888);
        painter.drawImage(rect(), image);
    });
    // Nothing is drawn yet: show the viewer background.
    if (!drawn) painter.fillRect(rect(), BackgroundColor());
    if (drawn && stage_timer::Enabled()) std::fputs(stage_timer::Finish().c_str(), stderr);  // the first frame is on screen
}

QImage CDispWindow::grabFramebuffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize size(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio));
    QImage frame;
    scene_->ReadPicture([&](const Picture& p) {
        frame = QImage(p.pixels.data(), p.width, p.height, p.stride, QImage::Format_RGBX8888).copy();
    });
    if (frame.isNull()) {
        QImage image(size, QImage::Format_RGBX8888);
        image.fill(BackgroundColor());
        return image;
    }
    return frame.size() == size ? frame : frame.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The picture is stretched over the whole widget: its shape is the picture's.
void CDispWindow::resizeEvent(QResizeEvent* event) {
    const qreal ratio = devicePixelRatioF();
    scene_->SetViewSize(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio),
                        DisplayAspect(width(), height()));
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
    if (fullScreen_)
        top->showFullScreen();
    else if (requestMaximized)
        top->showMaximized();
    else
        top->showNormal();
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
        const QWidget* top = window();
        const bool maximized = top->isMaximized() || top->isFullScreen();
        scene_->Pan(dx, dy, maximized ? screenWidth_ : width(), maximized ? screenHeight_ : height());
    }
}

void CDispWindow::wheelEvent(QWheelEvent* event) { scene_->Zoom(event->angleDelta().y()); }

// The select-file dialog disables the main window while it is open. The
// scene looks the same either way; no repaint is needed.
void CDispWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) return;
    QWidget::changeEvent(event);
}
