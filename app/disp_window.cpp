#include "app/disp_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWheelEvent>

#include <cstdio>

#include "app/display_camera.h"
#include "collada/collada.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "render/camera_fit.h"
#include "render/frame.h"
#include "render/renderer.h"

namespace {

constexpr std::chrono::milliseconds kTickPeriod{16};
constexpr float kLightAngleTurn = 6.2831855f;
constexpr const char* kRoomFiles[3] = {"washitu1.dae", "washitu2.dae", "washitu3.dae"};

QString ToQString(const CName& name) { return QString::fromStdString(name.ToUtf8()); }

std::string AbsolutePath(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path)).toStdString();
}

// Render sizes beyond the fixed targets (or below one pixel) would draw
// outside them; keep the frame inside.
int ClampRenderSize(int value, int limit) { return value < 1 ? 1 : (value > limit ? limit : value); }

void DeleteRenderModel(CRenderModel*& model) {
    if (!model) return;
    model->ReleaseGpu();
    delete model;
    model = nullptr;
}

}  // namespace

// --- construction ------------------------------------------------------------

CDispWindow::CDispWindow(const CSettings* settings) {
    setObjectName(QStringLiteral("CLASS_DISPWINDOW"));
    setWindowTitle(QStringLiteral("Vorland"));
    if (settings) settings_ = *settings;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth_ = screen->geometry().width();
        screenHeight_ = screen->geometry().height();
    }
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 5);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    setFormat(format);
    setCursor(Qt::ArrowCursor);
    setMouseTracking(true);  // a plain move takes the keyboard focus
    setFocusPolicy(Qt::ClickFocus);
    ApplySettings(settings_);
}

CDispWindow::~CDispWindow() {
    {
        std::lock_guard<std::mutex> guard(paintHandOver_);
        stopping_ = true;
    }
    paintServed_.notify_all();
    ticker_.Stop();
    if (loader_.joinable()) loader_.join();
    if (isValid()) {
        makeCurrent();
        ReleaseScene();
        doneCurrent();
    }
    std::lock_guard<std::mutex> guard(loadedLock_);
    loaded_ = Loaded{};
}

void CDispWindow::ReleaseScene() {
    std::lock_guard<std::mutex> guard(sceneLock_);
    for (CRenderModel*& rm : renderModels_) DeleteRenderModel(rm);
    delete model_;
    model_ = nullptr;
    for (CModel*& m : roomModels_) {
        delete m;
        m = nullptr;
    }
    if (lighting_) {
        lighting_->Release();
        delete lighting_;
        lighting_ = nullptr;
    }
    if (renderer_) {
        renderer_->Release();
        delete renderer_;
        renderer_ = nullptr;
    }
}

bool CDispWindow::Create(QWidget* parent, int x, int y, int width, int height) {
    // What the loader reads is fixed here, on this thread: later changes of
    // the working directory (the file dialog browses by it) do not move it.
    plan_.roomFolder = AbsolutePath(QStringLiteral("model/washitu"));
    for (int i = 0; i < 3; ++i) plan_.roomFiles[i] = plan_.roomFolder + "/" + kRoomFiles[i];
    plan_.extDae = settings_.ExtDae;
    plan_.sky.folder = AbsolutePath(ToQString(settings_.ImgPath));
    plan_.sky.cloud = settings_.TextureCloudName.ToUtf8();
    plan_.sky.star = settings_.TextureStarName.ToUtf8();
    plan_.sky.moon = settings_.TextureMoonName.ToUtf8();

    setParent(parent);
    setGeometry(x, y, width, height);
    show();
    if (!ticker_.Running()) ticker_.Start(kTickPeriod, [this] { OnTick(); });
    return true;
}

void CDispWindow::ApplySettings(const CSettings& s) {
    if (&s != &settings_) settings_ = s;
    modelPath_ = s.ModelPath;
    background_[0] = static_cast<float>(s.ViewerBKColorR) / 255.0f;
    background_[1] = static_cast<float>(s.ViewerBKColorG) / 255.0f;
    background_[2] = static_cast<float>(s.ViewerBKColorB) / 255.0f;
    background_[3] = static_cast<float>(s.ViewerBKColorA) / 255.0f;
    renderWidth_ = ClampRenderSize(s.ScreenWidth, 1536);
    renderHeight_ = ClampRenderSize(s.ScreenHeight, 1080);
    if (renderer_) {
        renderer_->RotationX = s.RotationX;
        renderer_->RotationZ = s.RotationZ;
        renderer_->EyeOffset = {s.EyePosX, s.EyePosY, s.EyePosZ};
        renderer_->At = {s.AtX, s.AtY, s.AtZ};
    }
}

// --- tick ------------------------------------------------------------------

void CDispWindow::OnTick() {
    if (!tickStarted_) {
        tickStarted_ = true;
        firstTick_ = std::chrono::steady_clock::now();
        state_ = StateLoading;
        QMetaObject::invokeMethod(this, "NotifyLoading", Qt::QueuedConnection);
        loader_ = std::thread([this] { LoaderThread(); });
    }
    if (state_.load() != StateRunning) return;
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = ticked_ ? std::chrono::duration<double>(now - lastTick_).count() : 0.0;
    ticked_ = true;
    lastTick_ = now;
    {
        std::lock_guard<std::mutex> guard(sceneLock_);
        ticks_.fetch_add(1);
        // A pause holds the whole scene still: the figure, the lamps, the sky.
        const bool paused = playback_.Paused();
        if (renderModels_[0]) {
            CRenderModel& rm = *renderModels_[0];
            rm.frameCounter = CPlaybackClock::MoveCounter(rm.frameCounter, playback_.Advance(elapsed), rm.LoopLength());
            if (!paused) AnimateLights();
        }
        if (lighting_ && !paused) lighting_->sky.Tick();
    }
    RequestPaintAndWait();
}

void CDispWindow::AnimateLights() {
    lightAngle_ += 0.03f;
    if (lightAngle_ > kLightAngleTurn) lightAngle_ = 0.0f;
    if (renderer_) AnimateRoomLights(lightAngle_, *renderer_, lighting_ ? lighting_->lampList : nullptr);
}

// The paint runs on the interface thread; the tick waits for it, as a
// synchronous repaint would, so ticks never pile up behind a slow frame.
void CDispWindow::RequestPaintAndWait() {
    std::unique_lock<std::mutex> guard(paintHandOver_);
    if (stopping_) return;
    const std::uint64_t ticket = ++paintsRequested_;
    guard.unlock();
    QMetaObject::invokeMethod(this, "PaintForTick", Qt::QueuedConnection);
    guard.lock();
    paintServed_.wait(guard, [&] { return paintsDone_ >= ticket || stopping_; });
}

void CDispWindow::PaintForTick() {
    repaint();
    {
        std::lock_guard<std::mutex> guard(paintHandOver_);
        paintsDone_ = paintsRequested_;
    }
    paintServed_.notify_all();
}

void CDispWindow::NotifyLoading() { emit StateChanged(StateLoading); }

// --- loader ----------------------------------------------------------------

void CDispWindow::LoaderThread() {
    Loaded result;
    const SkyImages& sky = plan_.sky;
    for (const std::string* name : {&sky.cloud, &sky.star, &sky.moon}) {
        const QString path = QString::fromStdString(sky.folder + "/" + *name);
        QImageReader reader(path);
        if (!reader.canRead())
            result.problems.push_back("sky image " + path.toStdString() + ": " + reader.errorString().toStdString());
    }
    for (int i = 0; i < 3; ++i) {
        result.models[i] = std::make_unique<CModel>();
        std::string error;
        if (!LoadCollada(*result.models[i], plan_.roomFiles[i], plan_.extDae, &error))
            result.problems.push_back(error.empty() ? plan_.roomFiles[i] + ": cannot be imported" : error);
    }
    {
        std::lock_guard<std::mutex> guard(loadedLock_);
        loaded_ = std::move(result);
    }
    QMetaObject::invokeMethod(this, "FinishLoading", Qt::QueuedConnection);
}

void CDispWindow::initializeGL() {
    if (finishPending_) FinishLoading();
}

// The GL half of loading, on the interface thread with the context current.
void CDispWindow::FinishLoading() {
    if (state_.load() != StateLoading) return;
    if (!isValid() || !context()) {
        finishPending_ = true;  // initializeGL comes back here
        return;
    }
    finishPending_ = false;
    Loaded loaded;
    std::chrono::steady_clock::time_point firstTick;
    {
        std::lock_guard<std::mutex> guard(loadedLock_);
        loaded = std::move(loaded_);
        firstTick = firstTick_;
    }
    std::string problems;
    for (const std::string& p : loaded.problems) problems += p + "\n";

    makeCurrent();
    auto* renderer = new CRenderer;
    if (!renderer->Initialize(screenWidth_, screenHeight_)) {
        problems += "the renderer cannot start: OpenGL 4.5 core is needed\n";
        renderer->Release();
        delete renderer;
        renderer = nullptr;
    }
    RoomLighting* lighting = nullptr;
    CRenderModel* built[3] = {};
    if (renderer) {
        lighting = new RoomLighting;
        if (!CreateRoomLighting(*renderer, *lighting, plan_.sky))
            problems += "the lamps or the light shafts cannot be made\n";
        ResetShadowMapsBuilt();  // this renderer's lamps have no maps yet
        // Texture names in the room files are relative to their folder.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(plan_.roomFolder));
        for (int i = 0; i < 3; ++i) {
            built[i] = new CRenderModel;
            built[i]->Build(*renderer, loaded.models[i].get(), skinning_ != 0);
        }
        QDir::setCurrent(previous);
    }
    {
        std::lock_guard<std::mutex> guard(sceneLock_);
        renderer_ = renderer;
        lighting_ = lighting;
        lightCount_ = lighting ? 3 : 0;
        model_ = loaded.models[0].release();
        roomModels_[0] = loaded.models[1].release();
        roomModels_[1] = loaded.models[2].release();
        for (int i = 0; i < 3; ++i) renderModels_[i] = built[i];
        ApplySettings(settings_);
        // The loader's start intensities are far brighter than the flicker's:
        // the first frame already shows the lamps as every later one does.
        if (renderModels_[0]) AnimateLights();
    }
    doneCurrent();

    loadMilliseconds_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstTick).count();
    state_ = StateRunning;
    emit StateChanged(StateRunning);
    if (!problems.empty()) {
        problems.pop_back();
        loadProblems_ = QString::fromStdString(problems);
        std::fprintf(stderr, "vorland: the scene runs without what could not be loaded:\n%s\n", problems.c_str());
        emit LoadProblem(loadProblems_);
    }
    update();
}

// --- paint -----------------------------------------------------------------

void CDispWindow::paintGL() { Paint(); }

void CDispWindow::Paint() {
    if (state_.load() != StateRunning || !renderer_) {
        // Nothing is drawn yet: show the viewer background, not stale memory.
        glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(background_[0], background_[1], background_[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    if (editing_ || painting_) return;  // a file action holds the models; keep the last image

    if (frameRateMeter_.Frame(CFrameRateMeter::WallClockReading())) {
        frameRate_ = frameRateMeter_.Rate();
        emit FrameRateChanged(frameRate_);
    }
    painting_ = true;
    {
        std::lock_guard<std::mutex> guard(sceneLock_);
        FrameScene frame;
        frame.renderer = renderer_;
        for (int i = 0; i < 3; ++i) frame.models[i] = renderModels_[i];
        if (lighting_) {
            frame.sky = &lighting_->sky;
            frame.lights = lighting_->lampList;
            frame.lightCount = lightCount_;
            frame.volumeLight = &lighting_->volumeLight;
        }
        frame.skinning = skinning_;
        frame.fullScreen = fullScreen_;
        for (int i = 0; i < 3; ++i) frame.fullScreenClear[i] = fullScreenClear_[i];
        for (int i = 0; i < 4; ++i) frame.background[i] = background_[i];
        frame.screenWidth = renderWidth_;
        frame.screenHeight = renderHeight_;
        frame.aspect = ViewAspect();
        RenderFrame(frame);
    }
    Present();
    ++framesRendered_;
    painting_ = false;
}

// Normal mode shows the whole back buffer, full screen the screen target's
// render-size corner; either is stretched over the widget. The targets keep
// row 0 at the top, the widget's framebuffer at the bottom: the copy flips.
void CDispWindow::Present() {
    const bool full = fullScreen_;
    const CRenderTarget& source = full ? renderer_->Screen() : renderer_->BackBuffer();
    const int sourceWidth = full ? renderWidth_ : source.width;
    const int sourceHeight = full ? renderHeight_ : source.height;
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(width() * ratio);
    const int h = static_cast<int>(height() * ratio);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlitNamedFramebuffer(source.framebuffer, defaultFramebufferObject(), 0, 0, sourceWidth, sourceHeight, 0, h, w,
                           0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

// The frame is stretched over the whole widget: its shape is the picture's.
float CDispWindow::ViewAspect() const { return DisplayAspect(width(), height()); }

bool CDispWindow::MainWindowMaximized() const {
    const QWidget* top = window();
    return top->isMaximized() || top->isFullScreen();
}

// --- full screen -------------------------------------------------------------

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
    QOpenGLWidget::keyPressEvent(event);
}

void CDispWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) OnLeftDown(p);
    if (event->button() == Qt::RightButton) OnRightDown(p);
}

void CDispWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDrag_ = false;
    if (event->button() == Qt::RightButton) rightDrag_ = false;
    update();
}

void CDispWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    OnMouseMove(event->globalPosition().toPoint());
}

void CDispWindow::wheelEvent(QWheelEvent* event) { OnMouseWheel(event->angleDelta().y()); }

// The select-file dialog disables the main window while it is open. The
// scene looks the same either way, and the repaint Qt would schedule here
// renders a whole frame at the next repaint of any other widget.
void CDispWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) return;
    QOpenGLWidget::changeEvent(event);
}

void CDispWindow::OnLeftDown(QPoint p) {
    leftDrag_ = true;
    lastMouse_ = p;
    update();
}

void CDispWindow::OnRightDown(QPoint p) {
    rightDrag_ = true;
    lastMouse_ = p;
    update();
}

// The camera lives in the renderer: before the scene runs there is none to move.
void CDispWindow::OnMouseMove(QPoint p) {
    const int dx = p.x() - lastMouse_.x();
    const int dy = p.y() - lastMouse_.y();
    if (renderer_ && state_.load() == StateRunning) {
        if (rightDrag_) {
            OrbitCamera(*renderer_, dx, dy);
        } else if (leftDrag_) {
            const bool maximized = MainWindowMaximized();
            PanCamera(*renderer_, dx, dy, maximized ? screenWidth_ : width(), maximized ? screenHeight_ : height());
        }
    }
    lastMouse_ = p;
    update();
}

void CDispWindow::OnMouseWheel(int delta) {
    if (renderer_ && state_.load() == StateRunning) ZoomCamera(*renderer_, delta);
    update();
}

// --- file actions ------------------------------------------------------------

CDispWindow::SceneLock::SceneLock(CDispWindow& window) : window_(window), guard_(window.sceneLock_) {
    window_.editing_ = true;
    if (window_.isValid()) window_.makeCurrent();
}

CDispWindow::SceneLock::~SceneLock() {
    if (window_.isValid()) window_.doneCurrent();
    window_.editing_ = false;
}

void CDispWindow::ReleaseCurrentModel() {
    SceneLock lock(*this);
    DeleteRenderModel(renderModels_[0]);
    delete model_;
    model_ = nullptr;
}

bool CDispWindow::ReplaceCurrentModel(std::unique_ptr<CModel> model) {
    SceneLock lock(*this);
    DeleteRenderModel(renderModels_[0]);
    delete model_;
    model_ = model.release();
    bool built = false;
    if (model_ && renderer_) {
        renderModels_[0] = new CRenderModel;
        built = renderModels_[0]->Build(*renderer_, model_, skinning_ != 0);
        FrameModelLocked(true);
    }
    ClearShadowFlagsLocked();
    ResetShadowMapsBuilt();  // the lamps' cube maps show the new model
    return built;
}

int CDispWindow::AddAnimation(const std::function<bool(CModel&)>& read) {
    SceneLock lock(*this);
    if (!model_) return -1;
    CRenderModel* rm = renderModels_[0];
    if (read(*model_) && rm) rm->CopyAnimation(*model_, model_->animations.Count() - 1);
    if (!rm) return -1;
    const int last = rm->animations.Count() - 1;
    if (last >= 0) rm->activeAnimation = last;
    return last;
}

void CDispWindow::ClearShadowFlags() {
    std::lock_guard<std::mutex> guard(sceneLock_);
    ClearShadowFlagsLocked();
}

void CDispWindow::ClearShadowFlagsLocked() {
    if (!lighting_) return;
    for (CPointLight& lamp : lighting_->lamps) lamp.ShadowMapsDone = 0;
}

// --- viewer keys -----------------------------------------------------------------

bool CDispWindow::FrameModel() {
    std::lock_guard<std::mutex> guard(sceneLock_);
    return FrameModelLocked(false);
}

// A model opened by the user may stand anywhere and be of any size; when
// less than half of it is in view the camera goes to it.
bool CDispWindow::FrameModelLocked(bool onlyWhenOutOfView) {
    CRenderModel* rm = renderModels_[0];
    if (!renderer_ || !model_ || !rm) return false;
    if (onlyWhenOutOfView) rm->UpdatePose();  // not drawn yet: pose it as the first frame will
    return FitCameraToBox(*renderer_, PosedBounds(*model_, *rm), ViewAspect(), onlyWhenOutOfView);
}

void CDispWindow::TogglePause() {
    std::lock_guard<std::mutex> guard(sceneLock_);
    playback_.TogglePause();
}

void CDispWindow::ChangeSpeed(bool faster) {
    std::lock_guard<std::mutex> guard(sceneLock_);
    if (faster) playback_.Faster();
    else playback_.Slower();
}

bool CDispWindow::Paused() const {
    std::lock_guard<std::mutex> guard(sceneLock_);
    return playback_.Paused();
}

double CDispWindow::Speed() const {
    std::lock_guard<std::mutex> guard(sceneLock_);
    return playback_.Speed();
}
