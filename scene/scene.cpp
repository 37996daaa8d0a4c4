#include "scene/scene.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include <cmath>

#include "render/camera_fit.h"
#include "model/model.h"
#include "platform/memory.h"
#include "model/render_model.h"
#include "scene/scene_records.h"
#include "scene/scene_view.h"
#include "scene/scene_worker.h"

namespace {

constexpr std::chrono::milliseconds kTickPeriod{16};

// Render sizes beyond the renderer's targets (or below one pixel) would draw
// outside them; keep the frame inside.
int ClampRenderSize(int value, int limit) { return std::clamp(value, 1, limit); }

// RotationX and RotationZ of the camera that looks from `side`.
void SideAngles(ViewSide side, float angles[2]) {
    constexpr float kHalfPi = 1.5707964f;
    angles[0] = kHalfPi;  // level with the target
    angles[1] = kFrontRotationZ;
    switch (side) {
        case ViewSide::Front: break;
        case ViewSide::Back: angles[1] = kHalfPi; break;
        case ViewSide::Right: angles[1] = 0.0f; break;
        case ViewSide::Left: angles[1] = 2.0f * kHalfPi; break;
        case ViewSide::Top: angles[0] = kMinPolarAngle; break;
        case ViewSide::Bottom: angles[0] = 2.0f * kHalfPi - kMinPolarAngle; break;
    }
}

}  // namespace

Scene::Scene(const CSettings& settings, GlContextFactory makeContext)
    : makeContext_(std::move(makeContext)), view_(std::make_unique<SceneView>()) {
    ApplySettings(settings);
}

Scene::~Scene() {
    stopping_ = true;
    jobsRan_.notify_all();
    // The frame under way ends and the render thread frees the scene; jobs
    // the worker leaves after that never run.
    ticker_.Stop();
    worker_.reset();  // after the file work under way
}

void Scene::Start(ScenePlan plan) {
    if (ticker_.Running()) return;
    plan_ = std::move(plan);
    worker_ = std::make_unique<SceneWorker>(*this);
    worker_->LoadRoom(plan_);
    // The first tick makes the context: start-up waits for it.
    ticker_.Start(
        kTickPeriod, [this] { Tick(); }, [this] { FinishRenderThread(); }, /*firstAtOnce=*/true);
}

// --- render thread ----------------------------------------------------------------

void Scene::Tick() {
    if (state_.load() == SceneState::Created) {
        firstTick_ = std::chrono::steady_clock::now();
        state_ = SceneState::Loading;
        PublishSnapshot();
    }
    std::lock_guard<std::mutex> frame(frameLock_);
    if (!contextTried_) {
        contextTried_ = true;
        context_ = makeContext_ ? makeContext_() : nullptr;
        if (context_ && !context_->MakeCurrent()) context_.reset();
        records_ = std::make_unique<SceneRecords>();
        // While the worker imports the room.
        records_->Prepare(context_ != nullptr, plan_.sky, plan_.maxWidth, plan_.maxHeight);
    }
    RunJobs();
    if (state_.load() != SceneState::Running) return;
    ticks_.fetch_add(1);

    const auto now = std::chrono::steady_clock::now();
    const double elapsed = ticked_ ? std::chrono::duration<double>(now - lastTick_).count() : 0.0;
    ticked_ = true;
    lastTick_ = now;
    SceneView view;
    bool paused = false;
    std::uint32_t steps = 0;
    {
        std::lock_guard<std::mutex> guard(viewLock_);
        // A pause holds the whole scene still: the figure, the lamps, the sky.
        paused = view_->playback.Paused();
        steps = view_->playback.Advance(elapsed);
        view = *view_;
    }
    if (view.display.bindPose) steps = 0;  // the animation waits where it was
    // An orbit or the start camera may take the eye out of the room: the
    // frame is drawn from the nearest place inside it.
    if (!view.display.inspect) KeepInRoom(view.camera, view.room);
    if (records_->Advance(steps, paused, view.looping)) ChangeView([](SceneView& v) { v.playback.SetPaused(true); });
    PublishTime();
    if (!drawing_.load() || !records_->Draw(view, spare_)) return;
    {
        std::lock_guard<std::mutex> guard(pictureLock_);
        std::swap(shown_, spare_);
    }
    if (records_->CountFrame()) frameRate_ = records_->FrameRate();
    ++framesRendered_;
}

// The room as the worker loaded it, built here; then the scene runs.
void Scene::FinishLoading(LoadedRoom room) {
    std::vector<LoadProblem> problems = records_->Build(std::move(room));
    ChangeView([&](SceneView& v) { v.room = records_->RoomBounds(); });
    {
        std::lock_guard<std::mutex> guard(publishLock_);
        snapshot_.loadProblems = std::move(problems);
    }
    loadMilliseconds_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - firstTick_).count();
    state_ = SceneState::Running;
    PublishSnapshot();
    ReturnFreeMemory();  // what the imports freed goes back to the system
}

// After a new current model: the camera goes to it when less than half of it
// is in view, and the interface learns its animations.
void Scene::AfterModelChange(bool fit, bool front) {
    ReturnFreeMemory();  // the old model's memory and the import's scratch
    const float frontAngles[2] = {kFrontRotationX, kFrontRotationZ};
    if (fit) FitCamera(/*onlyWhenOutOfView=*/!front, front ? frontAngles : nullptr);
    PublishSnapshot();
    PublishTime();
}

// Render thread: the camera that shows the current model goes to the view.
bool Scene::FitCamera(bool onlyWhenOutOfView, const float* angles) {
    SceneView view;
    {
        std::lock_guard<std::mutex> guard(viewLock_);
        view = *view_;
    }
    if (angles) {
        view.camera.RotationX = angles[0];
        view.camera.RotationZ = angles[1];
    }
    CViewCamera fitted;
    if (!records_->FitCamera(view, onlyWhenOutOfView, fitted)) return false;
    if (!view.display.inspect) KeepInRoom(fitted, view.room);
    ChangeView([&](SceneView& v) { v.camera = fitted; });
    return true;
}

void Scene::PublishTime() {
    animationTime_ = records_->AnimationTime();
    animationLength_ = records_->AnimationLength();
}

void Scene::FinishRenderThread() {
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        jobs_.clear();  // models waiting in them go without GL objects
    }
    records_.reset();
    if (context_) context_->DoneCurrent();
    context_.reset();
}

void Scene::Post(std::function<void()> job) {
    std::lock_guard<std::mutex> guard(jobsLock_);
    jobs_.push_back(std::move(job));
    ++jobsPosted_;
}

// The vectors trade buffers, so a tick without jobs allocates nothing.
void Scene::RunJobs() {
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        running_.swap(jobs_);
    }
    if (running_.empty()) return;
    for (std::function<void()>& job : running_) job();
    const std::size_t ran = running_.size();
    running_.clear();
    {
        std::lock_guard<std::mutex> guard(jobsLock_);
        jobsDone_ += ran;
    }
    jobsRan_.notify_all();
}

void Scene::Publish(SceneEvent event) {
    std::lock_guard<std::mutex> guard(publishLock_);
    events_.push_back(std::move(event));
    eventsWaiting_ = true;
}

void Scene::PublishSnapshot() {
    std::lock_guard<std::mutex> guard(publishLock_);
    if (records_) records_->Describe(snapshot_);
    snapshot_.state = state_.load();
    snapshot_.version = snapshotVersion_.load() + 1;
    snapshotVersion_ = snapshot_.version;
}

// --- commands -------------------------------------------------------------------

void Scene::OpenModel(const std::string& path) {
    if (worker_) worker_->OpenModel(path);
}

void Scene::AddAnimation(const std::string& path) {
    if (worker_) worker_->AddAnimation(path);
}

void Scene::WriteModel(const std::string& path) {
    if (worker_) worker_->WriteModel(path);
}

void Scene::WriteAnimation(const std::string& path, const CName& animationId) {
    if (worker_) worker_->WriteAnimation(path, animationId);
}

void Scene::ReplaceModel(std::unique_ptr<CModel> model, const std::string& textureFolder) {
    if (worker_) worker_->ReplaceModel(std::move(model), textureFolder);
}

void Scene::ChooseAnimation(int index) {
    Post([this, index] {
        records_->ChooseAnimation(index);
        PublishSnapshot();
        PublishTime();
    });
}

void Scene::ShowSide(ViewSide side) {
    if (state_.load() != SceneState::Running) return;
    Post([this, side] {
        float angles[2];
        SideAngles(side, angles);
        if (FitCamera(/*onlyWhenOutOfView=*/false, angles)) return;
        ChangeView([&](SceneView& v) {
            v.camera.RotationX = angles[0];
            v.camera.RotationZ = angles[1];
            UpdateEyeOffset(v.camera);
        });
    });
}

void Scene::ResetCamera() {
    ChangeView([](SceneView& v) { v.camera = v.home; });
}

void Scene::SetDisplayOptions(const DisplayOptions& options) {
    ChangeView([&](SceneView& v) {
        v.display = options;
        if (!options.inspect) KeepInRoom(v.camera, v.room);
    });
}

DisplayOptions Scene::Display() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_->display;
}

void Scene::Seek(double seconds) {
    HoldAt([this, seconds] {
        records_->Seek(seconds);
        PublishTime();
    });
}

// Frames at 30 f/s; the counter goes in 1/50 s steps, so frame k starts at
// the first step at or after k / 30 s.
void Scene::StepFrames(int frames) {
    HoldAt([this, frames] {
        const double frame = std::floor(records_->AnimationTime() * 30.0 + 1e-6) + frames;
        records_->Seek(std::ceil(std::max(0.0, frame) * 50.0 / 30.0 - 1e-6) / 50.0);
        PublishTime();
    });
}

void Scene::SeekEnd(bool last) {
    HoldAt([this, last] {
        records_->Seek(last ? records_->AnimationLength() : 0.0);
        PublishTime();
    });
}

// A seek asks for the animation's pose: the bind pose goes off.
void Scene::HoldAt(const std::function<void()>& seek) {
    ChangeView([](SceneView& v) {
        v.playback.SetPaused(true);
        v.display.bindPose = false;
    });
    Post(seek);
}

void Scene::SetPaused(bool paused) {
    ChangeView([paused](SceneView& v) { v.playback.SetPaused(paused); });
}

void Scene::SetLooping(bool looping) {
    ChangeView([looping](SceneView& v) { v.looping = looping; });
}

bool Scene::Looping() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_->looping;
}

void Scene::ClearShadowFlags() {
    Post([this] { records_->ClearShadowFlags(); });
}

bool Scene::FrameModel() {
    if (!Snapshot().hasModel) return false;
    Post([this] { FitCamera(/*onlyWhenOutOfView=*/false); });
    return true;
}

void Scene::ChangeView(const std::function<void(SceneView&)>& change) {
    std::lock_guard<std::mutex> guard(viewLock_);
    change(*view_);
}

void Scene::TogglePause() {
    ChangeView([](SceneView& v) { v.playback.TogglePause(); });
}

void Scene::ChangeSpeed(bool faster) {
    ChangeView([faster](SceneView& v) { faster ? v.playback.Faster() : v.playback.Slower(); });
}

bool Scene::Paused() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_->playback.Paused();
}

double Scene::Speed() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_->playback.Speed();
}

// Before the scene runs there is no camera to move.
void Scene::Orbit(int dx, int dy) {
    if (state_.load() != SceneState::Running) return;
    ChangeView([&](SceneView& v) {
        OrbitCamera(v.camera, dx, dy);
        UpdateEyeOffset(v.camera);
    });
}

void Scene::Pan(int dx, int dy, int width, int height) {
    if (state_.load() != SceneState::Running) return;
    ChangeView([&](SceneView& v) {
        // The point at the target's depth follows the cursor.
        (void)width;
        FollowCursor(v.camera, dx, dy, height);
        if (!v.display.inspect) KeepInRoom(v.camera, v.room);
        UpdateEyeOffset(v.camera);
    });
}

void Scene::Zoom(int wheelDelta) {
    if (state_.load() != SceneState::Running) return;
    ChangeView([&](SceneView& v) {
        ZoomCamera(v.camera, wheelDelta);
        if (!v.display.inspect) KeepInRoom(v.camera, v.room);
        UpdateEyeOffset(v.camera);
    });
}

CViewCamera Scene::Camera() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return view_->camera;
}

void Scene::SetCamera(const CViewCamera& camera) {
    ChangeView([&](SceneView& v) { v.camera = camera; });
}

void Scene::SetViewSize(int pixelWidth, int pixelHeight, float aspect) {
    ChangeView([&](SceneView& v) {
        v.pixelWidth = pixelWidth;
        v.pixelHeight = pixelHeight;
        v.aspect = aspect;
    });
}

void Scene::SetFullScreen(bool fullScreen) {
    ChangeView([&](SceneView& v) { v.fullScreen = fullScreen; });
}

void Scene::ApplySettings(const CSettings& s) {
    ChangeView([&](SceneView& v) {
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
        v.home = v.camera;
        v.display.inspect = s.InspectView == 1;
    });
}

std::array<float, 4> Scene::Background() const {
    std::lock_guard<std::mutex> guard(viewLock_);
    return {view_->background[0], view_->background[1], view_->background[2], view_->background[3]};
}

// --- what the scene publishes -------------------------------------------------

SceneSnapshot Scene::Snapshot() const {
    std::lock_guard<std::mutex> guard(publishLock_);
    return snapshot_;
}

std::vector<SceneEvent> Scene::TakeEvents() {
    std::lock_guard<std::mutex> guard(publishLock_);
    eventsWaiting_ = false;
    return std::exchange(events_, {});
}

bool Scene::ReadPicture(const std::function<void(const Picture&)>& read) const {
    std::lock_guard<std::mutex> guard(pictureLock_);
    if (shown_.width == 0) return false;
    read(shown_);
    return true;
}

// --- tests and diagnostics -------------------------------------------------------

void Scene::WaitUntilIdle() {
    if (!ticker_.Running() || ticker_.OnTickerThread()) return;
    if (worker_) worker_->WaitIdle();
    std::unique_lock<std::mutex> guard(jobsLock_);
    const std::uint64_t target = jobsPosted_;
    jobsRan_.wait(guard, [&] { return jobsDone_ >= target || stopping_.load(); });
}

Scene::Still::Still(Scene& scene) {
    scene.WaitUntilIdle();
    frame_ = std::unique_lock<std::mutex>(scene.frameLock_);
}

const CModel* Scene::CurrentModel() const { return records_ ? records_->CurrentModel() : nullptr; }

CRenderModel* Scene::RenderModel(int index) const { return records_ ? records_->RenderModel(index) : nullptr; }
CRenderModelGpu* Scene::RenderModelGpu(int index) const { return records_ ? records_->RenderModelGpu(index) : nullptr; }

CRenderer* Scene::Renderer() const { return records_ ? records_->Renderer() : nullptr; }

void Scene::RunOnRenderThread(const std::function<void()>& job) {
    if (!ticker_.Running()) return;
    Post(job);
    WaitUntilIdle();
}
