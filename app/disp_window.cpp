#include "app/disp_window.h"

#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QPainter>
#include <QTimer>
#include <QOpenGLContext>
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
    setAttribute(Qt::WA_OpaquePaintEvent);  // the image covers the whole widget
    setCursor(Qt::ArrowCursor);
    setMouseTracking(true);  // a plain move takes the keyboard focus
    setFocusPolicy(Qt::ClickFocus);
    ApplySettings(settings_);
}

CDispWindow::~CDispWindow() {
    stopping_ = true;
    jobsRan_.notify_all();
    ticker_.Stop();  // the frame under way ends; the render thread frees the scene
    if (loader_.joinable()) loader_.join();
    delete surface_;
    std::lock_guard<std::mutex> guard(loadedLock_);
    loaded_ = Loaded{};
}

// Render thread, with its context current (or none ever made: then there are
// no GL objects either).
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

void CDispWindow::FinishRenderThread() {
    ReleaseScene();
    if (presentFramebuffer_) glDeleteFramebuffers(1, &presentFramebuffer_);
    if (presentTexture_) glDeleteTextures(1, &presentTexture_);
    presentFramebuffer_ = presentTexture_ = 0;
    if (renderContext_) {
        renderContext_->doneCurrent();
        delete renderContext_;
        renderContext_ = nullptr;
    }
    std::lock_guard<std::mutex> guard(jobsLock_);
    jobs_.clear();  // models waiting in them go without GL objects
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

    if (!surface_) {
        surface_ = new QOffscreenSurface;
        surface_->setFormat(ContextFormat());
        surface_->create();
    }
    setParent(parent);
    setGeometry(x, y, width, height);
    show();
    if (!ticker_.Running()) {
        ticker_.Start(kTickPeriod, [this] { OnTick(); }, [this] { FinishRenderThread(); });
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, &CDispWindow::ShowNewFrame);
        poll->start(kTickPeriod);
    }
    return true;
}

void CDispWindow::ApplySettings(const CSettings& s) {
    if (&s != &settings_) settings_ = s;
    modelPath_ = s.ModelPath;
    ChangeView([&](View& v) {
        v.background[0] = static_cast<float>(s.ViewerBKColorR) / 255.0f;
        v.background[1] = static_cast<float>(s.ViewerBKColorG) / 255.0f;
        v.background[2] = static_cast<float>(s.ViewerBKColorB) / 255.0f;
        v.background[3] = static_cast<float>(s.ViewerBKColorA) / 255.0f;
        v.renderWidth = ClampRenderSize(s.ScreenWidth, 1536);
        v.renderHeight = ClampRenderSize(s.ScreenHeight, 1080);
        v.camera.RotationX = s.RotationX;
        v.camera.RotationZ = s.RotationZ;
        v.camera.At = {s.AtX, s.AtY, s.AtZ};
        UpdateEyeOffset(v.camera);
    });
}

void CDispWindow::ChangeView(const std::function<void(View&)>& change) {
    std::lock_guard<std::mutex> guard(viewLock_);
    change(view_);
}

CViewCamera CDispWindow::Camera() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_.camera;
}

void CDispWindow::SetCamera(const CViewCamera& camera) {
    ChangeView([&](View& v) { v.camera = camera; });
}

// --- jobs ------------------------------------------------------------------

void CDispWindow::Post(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        jobs_.push_back(std::move(job));
        ++jobsPosted_;
    }
}

void CDispWindow::WaitUntilApplied() {
    if (state_.load() != StateRunning) return;
    std::unique_lock<std::mutex> guard(jobsLock_);
    const std::uint64_t target = jobsPosted_;
    jobsRan_.wait(guard, [&] { return jobsDone_ >= target || stopping_.load(); });
}

// Render thread. The answer travels under the jobs' lock, the queued call
// only says that there is one.
void CDispWindow::Answer(std::function<void()> answer) {
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        answers_.push_back(std::move(answer));
    }
    QMetaObject::invokeMethod(this, "DeliverAnswers", Qt::QueuedConnection);
}

void CDispWindow::DeliverAnswers() {
    std::vector<std::function<void()>> ready;
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        ready.swap(answers_);
    }
    for (std::function<void()>& answer : ready) answer();
}

// Render thread, scene lock held. The vectors trade buffers, so a tick
// without jobs allocates nothing.
void CDispWindow::RunJobs() {
    std::vector<std::function<void()>> running;
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        running.swap(jobs_);
    }
    for (std::function<void()>& job : running) job();
    if (running.empty()) return;
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        jobsDone_ += running.size();
    }
    jobsRan_.notify_all();
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
    if (!renderContext_ && !contextFailed_) contextFailed_ = !MakeRenderContext();
    if (!sceneBuilt_) {
        BuildLoadedScene();
        return;
    }
    if (state_.load() != StateRunning) return;
    std::lock_guard<std::mutex> frame(frameLock_);
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = ticked_ ? std::chrono::duration<double>(now - lastTick_).count() : 0.0;
    ticked_ = true;
    lastTick_ = now;
    {
        std::lock_guard<std::mutex> guard(sceneLock_);
        RunJobs();
        ticks_.fetch_add(1);
        bool paused = false;
        std::uint32_t step = 0;
        {
            std::lock_guard<std::mutex> view(viewLock_);
            frameView_ = view_;
            // A pause holds the whole scene still: the figure, the lamps, the sky.
            paused = playback_.Paused();
            step = playback_.Advance(elapsed);
        }
        if (renderModels_[0]) {
            CRenderModel& rm = *renderModels_[0];
            rm.frameCounter = CPlaybackClock::MoveCounter(rm.frameCounter, step, rm.LoopLength());
            if (!paused) AnimateLights();
        }
        if (lighting_ && !paused) lighting_->sky.Tick();
    }
    DrawFrame();
}

void CDispWindow::AnimateLights() {
    lightAngle_ += 0.03f;
    if (lightAngle_ > kLightAngleTurn) lightAngle_ = 0.0f;
    if (renderer_) AnimateRoomLights(lightAngle_, *renderer_, lighting_ ? lighting_->lampList : nullptr);
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
    result.ready = true;
    std::lock_guard<std::mutex> guard(loadedLock_);
    loaded_ = std::move(result);
}

// The scene's own context, on the offscreen surface made at Create.
bool CDispWindow::MakeRenderContext() {
    if (!surface_) return false;
    auto* context = new QOpenGLContext;
    context->setFormat(ContextFormat());
    if (!context->create() || !context->makeCurrent(surface_)) {
        delete context;
        return false;
    }
    renderContext_ = context;
    return true;
}

// The GL half of loading, on the render thread with its context current.
void CDispWindow::BuildLoadedScene() {
    Loaded loaded;
    {
        std::lock_guard<std::mutex> guard(loadedLock_);
        if (!loaded_.ready) return;
        loaded = std::move(loaded_);
    }
    sceneBuilt_ = true;
    std::string problems;
    for (const std::string& p : loaded.problems) problems += p + "\n";

    // Without a context the scene runs empty, as without a renderer.
    auto* renderer = contextFailed_ ? nullptr : new CRenderer;
    if (renderer && !renderer->Initialize(screenWidth_, screenHeight_)) {
        renderer->Release();
        delete renderer;
        renderer = nullptr;
    }
    if (!renderer) {
        problems += "the renderer cannot start: OpenGL 4.5 core is needed\n";
    }
    RoomLighting* lighting = nullptr;
    CRenderModel* built[3] = {};
    if (renderer) {
        lighting = new RoomLighting;
        if (!CreateRoomLighting(*renderer, *lighting, plan_.sky))
            problems += "the lamps or the light shafts cannot be made\n";
        ResetShadowMapsBuilt();  // this renderer's lamps have no maps yet
        // Texture names in the room files are relative to their folder.
        for (int i = 0; i < 3; ++i) {
            built[i] = new CRenderModel;
            built[i]->Build(*renderer, loaded.models[i].get(), skinning_ != 0, plan_.roomFolder);
        }
        // The widget is at most as large as the screen; both images are
        // made once, so frames allocate nothing.
        const int w = std::max(screenWidth_, 16), h = std::max(screenHeight_, 16);
        glCreateTextures(GL_TEXTURE_2D, 1, &presentTexture_);
        glTextureStorage2D(presentTexture_, 1, GL_RGBA8, w, h);
        glCreateFramebuffers(1, &presentFramebuffer_);
        glNamedFramebufferTexture(presentFramebuffer_, GL_COLOR_ATTACHMENT0, presentTexture_, 0);
        spareImage_ = QImage(w, h, QImage::Format_RGBX8888);
        std::lock_guard<std::mutex> guard(presentLock_);
        shownImage_ = QImage(w, h, QImage::Format_RGBX8888);
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
        // The loader's start intensities are far brighter than the flicker's:
        // the first frame already shows the lamps as every later one does.
        if (renderModels_[0]) AnimateLights();
    }
    {
        std::lock_guard<std::mutex> guard(loadedLock_);
        builtProblems_ = problems;
    }
    QMetaObject::invokeMethod(this, "FinishLoading", Qt::QueuedConnection);
}

// State 3, on the interface thread once the render thread built the scene.
void CDispWindow::FinishLoading() {
    if (state_.load() != StateLoading) return;
    std::string problems;
    {
        std::lock_guard<std::mutex> guard(loadedLock_);
        problems = builtProblems_;
    }
    loadMilliseconds_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstTick_).count();
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

// --- frame (render thread) ------------------------------------------------------

void CDispWindow::DrawFrame() {
    if (!renderer_) return;
    const View& view = frameView_;
    PutCamera(view.camera, *renderer_);
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
    frame.fullScreen = view.fullScreen;
    for (int i = 0; i < 3; ++i) frame.fullScreenClear[i] = fullScreenClear_[i];
    for (int i = 0; i < 4; ++i) frame.background[i] = view.background[i];
    frame.screenWidth = view.renderWidth;
    frame.screenHeight = view.renderHeight;
    frame.aspect = view.aspect;
    RenderFrame(frame);
    Publish(view);
    if (frameRateMeter_.Frame(CFrameRateMeter::WallClockReading())) {
        frameRate_ = frameRateMeter_.Rate();
        rateChanged_ = true;
    }
    ++framesRendered_;  // the interface's poll shows it
}

// Interface thread, every tick period: a new frame is painted, a new rate
// told. Polling keeps the render thread from posting (and allocating) an
// event a frame.
void CDispWindow::ShowNewFrame() {
    const std::uint64_t frames = framesRendered_.load();
    if (frames != shownFrames_) {
        shownFrames_ = frames;
        update();
    }
    if (rateChanged_.exchange(false)) emit FrameRateChanged(frameRate_.load());
}

// Normal mode shows the whole back buffer, full screen the screen target's
// render-size corner; either is stretched over the widget with the linear
// filter and read back, row 0 at the top as in the targets and the image.
void CDispWindow::Publish(const View& view) {
    const bool full = view.fullScreen;
    const CRenderTarget& source = full ? renderer_->Screen() : renderer_->BackBuffer();
    const int sourceWidth = full ? std::min(view.renderWidth, source.width) : source.width;
    const int sourceHeight = full ? std::min(view.renderHeight, source.height) : source.height;
    const int w = std::clamp(view.pixelWidth, 1, spareImage_.width());
    const int h = std::clamp(view.pixelHeight, 1, spareImage_.height());
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlitNamedFramebuffer(source.framebuffer, presentFramebuffer_, 0, 0, sourceWidth, sourceHeight, 0, 0, w, h,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, presentFramebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, spareImage_.width());
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, spareImage_.bits());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    std::lock_guard<std::mutex> guard(presentLock_);
    shownImage_.swap(spareImage_);
    shownWidth_ = w;
    shownHeight_ = h;
}

// --- paint (interface thread) -------------------------------------------------------

void CDispWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard<std::mutex> guard(presentLock_);
    if (state_.load() != StateRunning || shownWidth_ == 0) {
        // Nothing is drawn yet: show the viewer background.
        painter.fillRect(rect(), QColor::fromRgbF(view_.background[0], view_.background[1], view_.background[2]));
        return;
    }
    // Drawn 1:1 unless the widget changed size since the frame was made.
    painter.drawImage(rect(), shownImage_, QRect(0, 0, shownWidth_, shownHeight_));
}

QImage CDispWindow::grabFramebuffer() {
    const qreal ratio = devicePixelRatioF();
    const QSize size(static_cast<int>(width() * ratio), static_cast<int>(height() * ratio));
    std::lock_guard<std::mutex> guard(presentLock_);
    if (state_.load() != StateRunning || shownWidth_ == 0) {
        QImage image(size, QImage::Format_RGBX8888);
        image.fill(QColor::fromRgbF(view_.background[0], view_.background[1], view_.background[2]));
        return image;
    }
    const QImage frame = shownImage_.copy(0, 0, shownWidth_, shownHeight_);
    return frame.size() == size ? frame : frame.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The frame is stretched over the whole widget: its shape is the picture's.
void CDispWindow::resizeEvent(QResizeEvent* event) {
    const float aspect = DisplayAspect(width(), height());
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(width() * ratio), h = static_cast<int>(height() * ratio);
    ChangeView([&](View& v) {
        v.aspect = aspect;
        v.pixelWidth = w;
        v.pixelHeight = h;
    });
    QWidget::resizeEvent(event);
}

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
    const bool full = fullScreen_;
    ChangeView([&](View& v) { v.fullScreen = full; });
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
    const QPoint p = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) OnLeftDown(p);
    if (event->button() == Qt::RightButton) OnRightDown(p);
}

void CDispWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftDrag_ = false;
    if (event->button() == Qt::RightButton) rightDrag_ = false;
}

void CDispWindow::mouseMoveEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    OnMouseMove(event->globalPosition().toPoint());
}

void CDispWindow::wheelEvent(QWheelEvent* event) { OnMouseWheel(event->angleDelta().y()); }

// The select-file dialog disables the main window while it is open. The
// scene looks the same either way; no repaint is needed.
void CDispWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) return;
    QWidget::changeEvent(event);
}

void CDispWindow::OnLeftDown(QPoint p) {
    leftDrag_ = true;
    lastMouse_ = p;
}

void CDispWindow::OnRightDown(QPoint p) {
    rightDrag_ = true;
    lastMouse_ = p;
}

// Before the scene runs there is no camera to move. The next frame shows
// the move.
void CDispWindow::OnMouseMove(QPoint p) {
    const int dx = p.x() - lastMouse_.x();
    const int dy = p.y() - lastMouse_.y();
    lastMouse_ = p;
    if (state_.load() != StateRunning || (!rightDrag_ && !leftDrag_)) return;
    const bool maximized = MainWindowMaximized();
    const int w = maximized ? screenWidth_ : width(), h = maximized ? screenHeight_ : height();
    const bool orbit = rightDrag_;
    ChangeView([&](View& v) {
        if (orbit) OrbitCamera(v.camera, dx, dy);
        else PanCamera(v.camera, dx, dy, w, h);
        UpdateEyeOffset(v.camera);
    });
}

void CDispWindow::OnMouseWheel(int delta) {
    if (state_.load() != StateRunning) return;
    ChangeView([&](View& v) {
        ZoomCamera(v.camera, delta);
        UpdateEyeOffset(v.camera);
    });
}

// --- scene changes ------------------------------------------------------------

CDispWindow::SceneLock::SceneLock(CDispWindow& window) {
    window.WaitUntilApplied();
    frame_ = std::unique_lock<std::mutex>(window.frameLock_);
    scene_ = std::unique_lock<std::mutex>(window.sceneLock_);
}

void CDispWindow::ReleaseCurrentModel() {
    Post([this] {
        DeleteRenderModel(renderModels_[0]);
        delete model_;
        model_ = nullptr;
    });
}

void CDispWindow::ReplaceCurrentModelLater(std::unique_ptr<CModel> model, std::function<void(bool)> done) {
    auto held = std::make_shared<std::unique_ptr<CModel>>(std::move(model));
    const std::string folder = QDir::currentPath().toStdString();
    Post([this, held, folder, done] {
        DeleteRenderModel(renderModels_[0]);
        delete model_;
        model_ = held->release();
        bool built = false;
        if (model_ && renderer_) {
            renderModels_[0] = new CRenderModel;
            built = renderModels_[0]->Build(*renderer_, model_, skinning_ != 0, folder);
            FitModel(true);
        }
        ClearShadowFlagsLocked();
        ResetShadowMapsBuilt();  // the lamps' cube maps show the new model
        lastBuilt_ = built;
        if (done) Answer([done, built] { done(built); });
    });
}

bool CDispWindow::ReplaceCurrentModel(std::unique_ptr<CModel> model) {
    if (state_.load() != StateRunning) return false;
    ReplaceCurrentModelLater(std::move(model));
    WaitUntilApplied();
    auto structure = LockStructure();
    return lastBuilt_;
}

void CDispWindow::AddAnimationLater(std::function<bool(CModel&)> read, std::function<void(int)> done) {
    Post([this, read, done] {
        int last = -1;
        CRenderModel* rm = renderModels_[0];
        if (model_) {
            if (read(*model_) && rm) rm->CopyAnimation(*model_, model_->animations.Count() - 1);
            if (rm) last = rm->animations.Count() - 1;
            if (last >= 0) rm->activeAnimation = last;
        }
        lastAdded_ = last;
        if (done) Answer([done, last] { done(last); });
    });
}

int CDispWindow::AddAnimation(const std::function<bool(CModel&)>& read) {
    if (state_.load() != StateRunning) return -1;
    AddAnimationLater(read);
    WaitUntilApplied();
    auto structure = LockStructure();
    return lastAdded_;
}

void CDispWindow::SetActiveAnimation(int index) {
    Post([this, index] {
        if (renderModels_[0] && index >= 0 && index < renderModels_[0]->animations.Count())
            renderModels_[0]->activeAnimation = index;
    });
}

void CDispWindow::ClearShadowFlags() {
    Post([this] { ClearShadowFlagsLocked(); });
}

void CDispWindow::ClearShadowFlagsLocked() {
    if (!lighting_) return;
    for (CPointLight& lamp : lighting_->lamps) lamp.ShadowMapsDone = 0;
}

// --- viewer keys -----------------------------------------------------------------

bool CDispWindow::FrameModel() {
    {
        auto structure = LockStructure();
        if (!model_ || !renderModels_[0]) return false;
    }
    Post([this] { FitModel(false); });
    return true;
}

// Render thread, scene lock held. A model opened by the user may stand
// anywhere and be of any size; when less than half of it is in view the
// camera goes to it. The fitted camera goes to the interface, which owns it.
void CDispWindow::FitModel(bool onlyWhenOutOfView) {
    CRenderModel* rm = renderModels_[0];
    if (!renderer_ || !model_ || !rm) return;
    View view;
    {
        std::lock_guard<std::mutex> guard(viewLock_);
        view = view_;
    }
    PutCamera(view.camera, *renderer_);
    if (onlyWhenOutOfView) rm->UpdatePose();  // not drawn yet: pose it as the first frame will
    if (!FitCameraToBox(*renderer_, PosedBounds(*model_, *rm), view.aspect, onlyWhenOutOfView)) return;
    CViewCamera fitted = CameraOf(*renderer_);
    UpdateEyeOffset(fitted);
    Answer([this, fitted] { ChangeView([&](View& v) { v.camera = fitted; }); });
}

void CDispWindow::TogglePause() {
    std::lock_guard<std::mutex> guard(viewLock_);
    playback_.TogglePause();
}

void CDispWindow::ChangeSpeed(bool faster) {
    std::lock_guard<std::mutex> guard(viewLock_);
    if (faster) playback_.Faster();
    else playback_.Slower();
}

bool CDispWindow::Paused() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return playback_.Paused();
}

double CDispWindow::Speed() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return playback_.Speed();
}
