#include "scene/scene_records.h"

#include <algorithm>
#include <cmath>
#include <future>

#include "model/model.h"
#include "model/posed_bounds.h"
#include "model/render_model.h"
#include "platform/stage_timer.h"
#include "render/render_model_gpu.h"
#include "render/camera_fit.h"
#include "render/frame.h"
#include "render/gl.h"
#include "render/renderer.h"

namespace {

constexpr float kLightAngleTurn = 6.2831855f;
constexpr int kFullScreenClear[3] = {255, 255, 255};

void ReleaseRenderModel(std::unique_ptr<CRenderModelGpu>& model) {
    if (!model) return;
    model->ReleaseGpu();
    model.reset();
}

// The render model of `shared`, built under its lock; null when it cannot be.
// The build's notes (bones beyond the palette) are added to `notes`.
std::unique_ptr<CRenderModelGpu> BuildRenderModel(CRenderer& renderer, SharedModel& shared, bool skinning,
                                                  std::vector<std::string>& notes, bool* built = nullptr) {
    std::lock_guard<std::mutex> guard(shared.lock);
    if (!shared.model) return nullptr;
    auto render = std::make_unique<CRenderModelGpu>();
    const Outcome outcome = render->Build(renderer, shared.model.get(), skinning, shared.textureFolder);
    notes.insert(notes.end(), outcome.notes.begin(), outcome.notes.end());
    if (built) *built = outcome.IsOk();
    return render;
}

}  // namespace

SceneRecords::SceneRecords() = default;

SceneRecords::~SceneRecords() {
    for (auto& model : renderModels_) ReleaseRenderModel(model);
    passes_.Release();
    if (lighting_) lighting_->Release();
    if (renderer_) renderer_->Release();
    if (presentFramebuffer_) glDeleteFramebuffers(1, &presentFramebuffer_);
    if (presentTexture_) glDeleteTextures(1, &presentTexture_);
}

void SceneRecords::Prepare(bool haveContext, const SkyImages& sky, int maxWidth, int maxHeight) {
    using Kind = LoadProblem::Kind;
    std::vector<LoadProblem>& problems = prepareProblems_;
    // The sky's images decode on a thread of their own while the renderer is made.
    std::future<SkyPictures> pictures = std::async(std::launch::async, [sky] { return DecodeSkyPictures(sky); });
    if (haveContext) {
        renderer_ = std::make_unique<CRenderer>();
        if (const Status initialized = renderer_->Initialize(maxWidth, maxHeight); !initialized) {
            problems.push_back({Kind::Other, {}, initialized.Why()});
            renderer_->Release();
            renderer_.reset();
        }
    }
    if (!renderer_) {
        problems.push_back({Kind::NoOpenGl45, {}, {}});
        return;
    }
    lighting_ = std::make_unique<RoomLighting>();
    if (!CreateRoomLighting(*renderer_, *lighting_, pictures.get())) problems.push_back({Kind::NoLamps, {}, {}});
    // The picture is at most as large as the screen: the target is made
    // once, so frames allocate nothing.
    presentWidth_ = std::max(maxWidth, 16);
    presentHeight_ = std::max(maxHeight, 16);
    glCreateTextures(GL_TEXTURE_2D, 1, &presentTexture_);
    glTextureStorage2D(presentTexture_, 1, GL_RGBA8, presentWidth_, presentHeight_);
    glCreateFramebuffers(1, &presentFramebuffer_);
    glNamedFramebufferTexture(presentFramebuffer_, GL_COLOR_ATTACHMENT0, presentTexture_, 0);
}

std::vector<LoadProblem> SceneRecords::Build(LoadedRoom room) {
    std::vector<LoadProblem> problems = std::move(room.problems);
    problems.insert(problems.end(), prepareProblems_.begin(), prepareProblems_.end());
    prepareProblems_.clear();
    current_ = std::move(room.models[0]);
    room_[0] = std::move(room.models[1]);
    room_[1] = std::move(room.models[2]);
    if (!renderer_) return problems;
    const std::shared_ptr<SharedModel>* models[3] = {&current_, &room_[0], &room_[1]};
    std::vector<std::string> unbuilt;
    for (int i = 0; i < 3; ++i)
        if (*models[i]) renderModels_[i] = BuildRenderModel(*renderer_, **models[i], skinning_, unbuilt);
    for (std::string& why : unbuilt) problems.push_back({LoadProblem::Kind::Other, {}, std::move(why)});
    // The start intensities are far brighter than the flicker's: the first
    // frame already shows the lamps as every later one does.
    if (renderModels_[0]) AnimateLights();
    return problems;
}

bool SceneRecords::ReplaceModel(std::shared_ptr<SharedModel> model, std::vector<std::string>* notes) {
    ReleaseRenderModel(renderModels_[0]);
    current_ = std::move(model);
    bool built = false;
    std::vector<std::string> buildNotes;
    if (current_ && renderer_)
        renderModels_[0] = BuildRenderModel(*renderer_, *current_, skinning_, notes ? *notes : buildNotes, &built);
    ground_ = Bounds3();
    if (CRenderModel* render = RenderModel(0)) {
        std::lock_guard<std::mutex> guard(current_->lock);
        render->UpdatePose();
        ground_ = PosedBounds(*current_->model, *render);
    }
    ClearShadowFlags();
    if (lighting_) lighting_->shadowMapsBuilt = false;  // the cube maps show the new model
    return built;
}

int SceneRecords::TakeLastAnimation() {
    CRenderModel* render = RenderModel(0);
    if (!current_ || !render) return -1;
    {
        // The build may already have copied what the worker added meanwhile.
        std::lock_guard<std::mutex> guard(current_->lock);
        const CModel& model = *current_->model;
        for (int i = render->animations.Count(); i < model.animations.Count(); ++i) render->CopyAnimation(model, i);
    }
    const int last = render->animations.Count() - 1;
    if (last >= 0) render->activeAnimation = last;
    return last;
}

void SceneRecords::ChooseAnimation(int index) {
    CRenderModel* render = RenderModel(0);
    if (render && index >= 0 && index < render->animations.Count()) render->activeAnimation = index;
}

void SceneRecords::ClearShadowFlags() {
    if (!lighting_) return;
    for (CPointLight& lamp : lighting_->lamps) lamp.ShadowMapsDone = 0;
}

bool SceneRecords::FitCamera(const SceneView& view, bool onlyWhenOutOfView, CViewCamera& fitted) {
    CRenderModel* render = RenderModel(0);
    if (!renderer_ || !current_ || !render) return false;
    PutCamera(view.camera, *renderer_);
    render->bindPose = view.display.bindPose;
    render->UpdatePose();  // as the next frame will: a seek just before is not drawn yet
    {
        std::lock_guard<std::mutex> guard(current_->lock);
        if (!FitCameraToBox(*renderer_, PosedBounds(*current_->model, *render), view.aspect, onlyWhenOutOfView))
            return false;
    }
    fitted = CameraOf(*renderer_);
    UpdateEyeOffset(fitted);
    return true;
}

bool SceneRecords::Advance(std::uint32_t steps, bool paused, bool looping) {
    bool stopped = false;
    if (CRenderModel* render = RenderModel(0)) {
        const std::uint32_t last = LastCounter();
        if (!looping && last > 0 && render->frameCounter <= last &&
            render->frameCounter + std::uint64_t{steps} > last) {
            render->frameCounter = last;
            stopped = true;
        } else {
            render->frameCounter = CPlaybackClock::MoveCounter(render->frameCounter, steps, render->LoopLength());
        }
        if (!paused) AnimateLights();
    }
    if (lighting_ && !paused) lighting_->sky.Tick();
    return stopped;
}

// 50 counter steps a second; at the loop's length the pose is the first one again.
constexpr double kCountsPerSecond = 50.0;

std::uint32_t SceneRecords::LastCounter() const {
    const CRenderModel* render = RenderModel(0);
    const double length = render ? render->LoopLength() : 0.0;
    if (!(length > 0.0)) return 0;
    const double last = std::ceil(length * kCountsPerSecond) - 1.0;
    return last <= 0.0 ? 0u : last >= 4294967295.0 ? 0xfffffffeu : static_cast<std::uint32_t>(last);
}

double SceneRecords::AnimationLength() const {
    const CRenderModel* render = RenderModel(0);
    const double length = render ? render->LoopLength() : 0.0;
    return length > 0.0 && std::isfinite(length) ? length : 0.0;
}

double SceneRecords::AnimationTime() const {
    const CRenderModel* render = RenderModel(0);
    const double length = AnimationLength();
    if (!render || length <= 0.0) return 0.0;
    const double time = render->frameCounter / kCountsPerSecond;
    return time >= length ? 0.0 : time;  // past the end the next pose starts over
}

void SceneRecords::Seek(double seconds) {
    CRenderModel* render = RenderModel(0);
    if (!render || !std::isfinite(seconds)) return;
    const double counter = std::round(std::max(0.0, seconds) * kCountsPerSecond);
    render->frameCounter = static_cast<std::uint32_t>(std::min(counter, static_cast<double>(LastCounter())));
}

void SceneRecords::AnimateLights() {
    lightAngle_ += 0.03f;
    if (lightAngle_ > kLightAngleTurn) lightAngle_ = 0.0f;
    if (renderer_) AnimateRoomLights(lightAngle_, *renderer_, lighting_ ? lighting_->lampList : nullptr);
}

bool SceneRecords::Draw(const SceneView& view, Picture& picture) {
    if (!renderer_) return false;
    PutCamera(view.camera, *renderer_);
    if (CRenderModel* render = RenderModel(0)) render->bindPose = view.display.bindPose;
    CRenderModelGpu* const models[3] = {renderModels_[0].get(), renderModels_[1].get(), renderModels_[2].get()};
    const DisplayOptions& display = view.display;
    if ((display.inspect || display.bones || display.wireframe) && !passesTried_) {
        passesTried_ = true;
        // Without them the room view is drawn, with no overlays.
        if (!passes_.Create()) passes_.Release();
    }
    const InspectOptions overlays{display.grid, display.wireframe, display.bones};
    if (display.inspect && passes_.IsCreated()) {
        InspectFrame frame;
        frame.renderer = renderer_.get();
        frame.passes = &passes_;
        frame.model = models[0];
        frame.options = overlays;
        frame.ground = ground_;
        frame.fullScreen = view.fullScreen;
        frame.screenWidth = view.renderWidth;
        frame.screenHeight = view.renderHeight;
        frame.aspect = view.aspect;
        RenderInspectFrame(frame);
        ReadPicture(view, picture);
        return true;
    }
    FrameScene frame;
    if (lighting_) {
        frame = RoomFrameScene(*renderer_, models, *lighting_, view.renderWidth, view.renderHeight, view.aspect);
    } else {
        frame.renderer = renderer_.get();
        for (int i = 0; i < 3; ++i) frame.models[i] = models[i];
        frame.screenWidth = view.renderWidth;
        frame.screenHeight = view.renderHeight;
        frame.aspect = view.aspect;
    }
    frame.skinning = skinning_ ? 1 : 0;
    frame.fullScreen = view.fullScreen;
    for (int i = 0; i < 3; ++i) frame.fullScreenClear[i] = kFullScreenClear[i];
    for (int i = 0; i < 4; ++i) frame.background[i] = view.background[i];
    RenderFrame(frame);
    if ((display.bones || display.wireframe) && passes_.IsCreated() && models[0])
        RenderOverlays(*renderer_, passes_, *models[0], overlays, view.fullScreen, view.renderWidth, view.renderHeight);
    ReadPicture(view, picture);
    return true;
}

// Normal mode shows the whole back buffer, full screen the screen target's
// render-size corner; either is stretched to the picture's size with the
// linear filter and read back, row 0 at the top as in the targets.
void SceneRecords::ReadPicture(const SceneView& view, Picture& picture) {
    const stage_timer::Span span("frame: finish and read back");
    const bool full = view.fullScreen;
    const CRenderTarget& source = full ? renderer_->Screen() : renderer_->BackBuffer();
    const int sourceWidth = full ? std::min(view.renderWidth, source.width) : source.width;
    const int sourceHeight = full ? std::min(view.renderHeight, source.height) : source.height;
    const int w = std::clamp(view.pixelWidth, 1, presentWidth_);
    const int h = std::clamp(view.pixelHeight, 1, presentHeight_);
    picture.width = w;
    picture.height = h;
    picture.stride = w * 4;
    picture.pixels.resize(static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(h));
    renderer_->CopyScaled(source, sourceWidth, sourceHeight, presentFramebuffer_, w, h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, presentFramebuffer_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, picture.pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

Bounds3 SceneRecords::RoomBounds() const {
    Bounds3 box;
    for (int i = 0; i < 2; ++i) {
        const CRenderModel* render = RenderModel(i + 1);
        if (!room_[i] || !render) continue;
        std::lock_guard<std::mutex> guard(room_[i]->lock);
        if (!room_[i]->model) continue;
        const Bounds3 part = PosedBounds(*room_[i]->model, *render);
        if (part.Empty()) continue;
        box.Add(part.min);
        box.Add(part.max);
    }
    return box;
}

void SceneRecords::Describe(SceneSnapshot& snapshot) const {
    snapshot.hasModel = current_ && current_->model;
    snapshot.modelName = snapshot.hasModel ? current_->model->name : CName();
    snapshot.modelFile = snapshot.hasModel ? current_->fileName : std::string();
    snapshot.animations.clear();
    snapshot.activeAnimation = -1;
    const CRenderModel* render = RenderModel(0);
    if (!snapshot.hasModel || !render) return;
    for (int i = 0; i < render->animations.Count(); ++i)
        snapshot.animations.push_back({render->animations[i]->id, render->LoopLengthOf(i)});
    snapshot.activeAnimation = render->activeAnimation;
}

const CModel* SceneRecords::CurrentModel() const { return current_ ? current_->model.get() : nullptr; }

CRenderModelGpu* SceneRecords::RenderModelGpu(int index) const {
    return index >= 0 && index < 3 ? renderModels_[index].get() : nullptr;
}

CRenderModel* SceneRecords::RenderModel(int index) const {
    CRenderModelGpu* gpu = RenderModelGpu(index);
    return gpu ? &gpu->pose : nullptr;
}
