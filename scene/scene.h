#pragma once
// The scene: the current model and its animations, the two room models,
// their GL side, the lamps, the sky and the light shafts, the camera and
// playback. One object, and one thread owns it:
//  - the render thread (a 16 ms tick) owns every record and every GL object.
//    Between two frames it runs the jobs commands left for it; then it moves
//    the animation, the lamps and the sky on, draws the frame and publishes
//    it as a picture at the view's size;
//  - the worker thread reads and imports files and writes models and
//    animations, so a long import never stalls a frame. At start it loads
//    the room;
//  - the caller (the interface thread) only gives commands, which never wait,
//    and reads what the scene publishes: the picture, a snapshot, the events
//    that answer file commands.
// The camera, the pause and the speed are a small view record the caller
// changes under a lock of its own; the render thread copies it at the start
// of each frame.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "render/room_lighting.h"
#include "scene/frame_ticker.h"
#include "scene/playback_clock.h"
#include "scene/scene_types.h"
#include "scene/view_camera.h"
#include "settings/settings.h"

class CModel;
class CRenderModel;
class CRenderModelGpu;
class CRenderer;
class SceneRecords;
class SceneWorker;
struct LoadedRoom;
struct SceneView;

// Where the room and the sky are, fixed when the scene starts.
struct ScenePlan {
    std::string roomFolder;
    std::string roomFiles[3];
    SkyImages sky;
    // The largest picture the view can ask for (the screen).
    int maxWidth = 1536;
    int maxHeight = 1080;
};

class Scene {
public:
    // Nothing runs until Start. `settings` gives the background, the render
    // size and the camera's start.
    Scene(const CSettings& settings, GlContextFactory makeContext);
    // Ends the frame under way and the file work under way, then frees every
    // record in the render thread's context.
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Starts the render thread and loads the room of `plan`.
    void Start(ScenePlan plan);
    SceneState State() const { return state_.load(); }

    // --- file commands: the answer comes as an event (TakeEvents)
    // Imports a .dae, .gltf, .glb or .mdl file (relative texture paths from
    // its folder) and, once that worked, makes it the current model in place
    // of the old one; on failure the old one stays.
    void OpenModel(const std::string& path);
    // Reads a .ani file into the current model and plays it.
    void AddAnimation(const std::string& path);
    // Writes the current model as .mdl, or its first animation as .ani with
    // the animation id `animationId`. Refused when there is nothing to write.
    void WriteModel(const std::string& path);
    void WriteAnimation(const std::string& path, const CName& animationId);
    // For a model built by the caller (tests, tools): replaces the current
    // model as OpenModel would after its import. Null removes it.
    void ReplaceModel(std::unique_ptr<CModel> model, const std::string& textureFolder = {});

    // --- playback and view (take effect at the next frame)
    void ChooseAnimation(int index);
    void TogglePause();
    // Doubles (faster) or halves the animation speed, 0.125x ... 8x.
    void ChangeSpeed(bool faster);
    bool Paused() const;
    double Speed() const;
    void Orbit(int dx, int dy);
    // A drag of (dx, dy) pixels over an area of width x height pixels.
    void Pan(int dx, int dy, int width, int height);
    void Zoom(int wheelDelta);
    CViewCamera Camera() const;
    void SetCamera(const CViewCamera& camera);
    // The camera looks at the current model as posed now, with the same
    // direction of view, from the distance that shows it whole. False when
    // there is no model.
    bool FrameModel();
    // Looks at the current model from `side`, whole; without a model the
    // camera only turns.
    void ShowSide(ViewSide side);
    // Back to the camera the settings start with.
    void ResetCamera();
    // The room or the inspection view, and the overlays.
    void SetDisplayOptions(const DisplayOptions& options);
    DisplayOptions Display() const;

    // --- the active animation's time (seconds; frames at 30 f/s)
    // Where the pose last drawn stands in the active animation, and its
    // length; 0 without one.
    double AnimationTime() const { return animationTime_.load(); }
    double AnimationLength() const { return animationLength_.load(); }
    // Poses the active animation at `seconds` (within it) at once, paused
    // (out of the bind pose; so do StepFrames and SeekEnd).
    void Seek(double seconds);
    // `frames` frames on (or back) from the one shown, paused.
    void StepFrames(int frames);
    // The first or the last frame, paused.
    void SeekEnd(bool last);
    void SetPaused(bool paused);
    // Off: playback pauses at the animation's last frame rather than starting over.
    void SetLooping(bool looping);
    bool Looping() const;

    // The picture's size in pixels and the aspect it is drawn with.
    void SetViewSize(int pixelWidth, int pixelHeight, float aspect);
    // Full screen composes into the screen target with its clear colour.
    void SetFullScreen(bool fullScreen);
    // Background, render size and camera start of `settings`.
    void ApplySettings(const CSettings& settings);
    // Lets the lamps render their shadow maps again.
    void ClearShadowFlags();
    // Off while nobody can see the picture (a minimised or covered window):
    // time, commands and files go on, but no frame is drawn.
    void SetDrawing(bool drawing) { drawing_ = drawing; }

    // --- what the scene publishes
    SceneSnapshot Snapshot() const;
    std::uint64_t SnapshotVersion() const { return snapshotVersion_.load(); }
    // The answers to file commands since the last call, in order.
    std::vector<SceneEvent> TakeEvents();
    bool HasEvents() const { return eventsWaiting_.load(); }
    // Runs `read` on the latest picture under its lock. False before the first.
    bool ReadPicture(const std::function<void(const Picture&)>& read) const;
    std::uint64_t FramesRendered() const { return framesRendered_.load(); }
    std::uint64_t TickCount() const { return ticks_.load(); }
    // Frames per second, refreshed about once a second.
    float FrameRate() const { return frameRate_.load(); }
    // Milliseconds from the first tick to the running state; 0 before.
    double LoadMilliseconds() const { return loadMilliseconds_.load(); }
    std::array<float, 4> Background() const;

    // --- tests and diagnostics
    // Waits until the commands given so far have been carried out (the file
    // work and the jobs it left for the render thread included).
    void WaitUntilIdle();
    // Holds the render thread between two frames once the scene is idle:
    // while it lives no frame draws and no job runs, and the records below
    // may be read (no GL calls: the context belongs to the render thread).
    class Still {
    public:
        explicit Still(Scene& scene);
        Still(const Still&) = delete;
        Still& operator=(const Still&) = delete;

    private:
        std::unique_lock<std::mutex> frame_;
    };
    const CModel* CurrentModel() const;
    CRenderModel* RenderModel(int index) const;        // 0 the current model's, 1 and 2 the room's
    CRenderModelGpu* RenderModelGpu(int index) const;  // their GPU side
    CRenderer* Renderer() const;
    // Runs `job` on the render thread with its context current, between two
    // frames, and waits for it.
    void RunOnRenderThread(const std::function<void()>& job);

private:
    friend class SceneWorker;
    void Tick();
    void FinishRenderThread();
    // Leaves `job` for the render thread; it runs before the next frame.
    void Post(std::function<void()> job);
    void RunJobs();
    void FinishLoading(LoadedRoom room);
    // `front`: the camera turns to the model's front before it is framed.
    void AfterModelChange(bool fit, bool front = false);
    // With `angles` (RotationX, RotationZ) the camera turns first.
    bool FitCamera(bool onlyWhenOutOfView, const float* angles = nullptr);
    void PublishTime();
    void Publish(SceneEvent event);
    void PublishSnapshot();
    void ChangeView(const std::function<void(SceneView&)>& change);
    // Pauses, leaves the bind pose and posts `seek`.
    void HoldAt(const std::function<void()>& seek);

    std::unique_ptr<SceneRecords> records_;  // render thread
    std::unique_ptr<SceneWorker> worker_;
    GlContextFactory makeContext_;
    std::unique_ptr<GlContext> context_;               // render thread
    bool contextTried_ = false;                        // render thread
    bool ticked_ = false;                              // render thread
    std::chrono::steady_clock::time_point lastTick_;   // render thread
    std::chrono::steady_clock::time_point firstTick_;  // render thread
    Picture spare_;                                    // render thread: the next picture
    ScenePlan plan_;

    mutable std::mutex frameLock_;  // held by the render thread for a whole tick

    mutable std::mutex viewLock_;
    std::unique_ptr<SceneView> view_;

    mutable std::mutex pictureLock_;
    Picture shown_;

    std::mutex jobsLock_;
    std::condition_variable jobsRan_;
    std::vector<std::function<void()>> jobs_;
    std::vector<std::function<void()>> running_;  // render thread
    std::uint64_t jobsPosted_ = 0;
    std::uint64_t jobsDone_ = 0;

    mutable std::mutex publishLock_;
    SceneSnapshot snapshot_;
    std::vector<SceneEvent> events_;
    std::atomic<std::uint64_t> snapshotVersion_{0};
    std::atomic<bool> eventsWaiting_{false};

    CFrameTicker ticker_;
    std::atomic<SceneState> state_{SceneState::Created};
    std::atomic<std::uint64_t> ticks_{0};
    std::atomic<std::uint64_t> framesRendered_{0};
    std::atomic<float> frameRate_{0.0f};
    std::atomic<double> loadMilliseconds_{0.0};
    std::atomic<double> animationTime_{0.0};
    std::atomic<double> animationLength_{0.0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> drawing_{true};
};
