#pragma once
// CDispWindow: the child window that shows the 3D scene. It owns the scene
// (renderer, the current model and the two room models with their render
// models, lamps, sky, light shafts), drives it from a 16 ms tick of its own,
// loads it on a loader thread at the first tick, and turns mouse input into
// camera moves. Frames are drawn off the interface thread; the widget shows
// the latest finished one as an image, so the interface thread makes no GL
// call at all (on a software rasteriser any GL call would queue behind the
// frame in progress).
//
// Threads:
//  - the tick thread is the render thread: it owns an OpenGL context on an
//    offscreen surface and every GL object of the scene. Each tick it runs
//    the jobs the interface posted, advances the animation, lights and sky,
//    draws the frame into the renderer's targets, stretches it to the
//    widget's size and reads it into the spare of two images, which then
//    becomes the shown one; the widget is asked to repaint. It never waits
//    for the interface;
//  - the loader thread runs LoaderThread once: the file and CPU work (the
//    three room imports, a look at the sky images). The render thread then
//    makes the GL objects, and the interface thread sets state 3;
//  - the interface thread handles input, runs the file actions and paints
//    the shown image. It never waits for a
//    frame in progress: camera, view and playback changes go under the small
//    view lock the render thread copies from at the start of a frame; scene
//    changes (a new model, an animation, the active animation) are jobs the
//    render thread runs between frames, their results coming back as queued
//    calls.
// Locks: the frame lock is held by the render thread for a whole tick; the
// scene lock guards the scene's structure (which models exist, their
// animation lists) and is held by the jobs and the tick's advance, never
// across a draw, so the interface may read the structure under it at once.
// libepoxy must come before Qt's GL headers.
#include "render/gl.h"

#include <QWidget>
#include <QImage>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/display_camera.h"
#include "app/frame_rate.h"
#include "app/frame_ticker.h"
#include "app/playback_clock.h"
#include "settings/settings.h"
#include "render/room_lighting.h"

class CModel;
class CRenderModel;
class CRenderer;
class QOffscreenSurface;
class QOpenGLContext;

class CDispWindow : public QWidget {
    Q_OBJECT
public:
    enum State { StateCreated = 1, StateLoading = 2, StateRunning = 3 };

    // State 1; the screen size is the primary screen's. `settings` (copied;
    // defaults when null) is what the loader applies to the renderer.
    explicit CDispWindow(const CSettings* settings = nullptr);
    // Stops the render thread after the frame under way and frees the scene.
    ~CDispWindow() override;

    // Places the window in `parent` at (x, y, width, height), shows it and
    // starts the tick. The room is loaded from "./model/washitu" and the sky
    // images from ImgPath, both against the working directory at this call.
    // True.
    bool Create(QWidget* parent, int x, int y, int width, int height);
    // Copies the settings into the window and the view: background colour,
    // camera start values, render size.
    void ApplySettings(const CSettings& settings);

    // --- the scene's own steps (public so that they can be driven and tested)
    // One tick (render thread): the first starts the loader; in state 3 the
    // posted jobs run, the current model's frame counter advances by the
    // clock, the lights and the sky move on, and the frame is drawn and
    // handed to the widget before OnTick returns.
    void OnTick();
    // The loader (loader thread).
    void LoaderThread();
    // Space key: the whole screen for the scene, and back to the main
    // window's previous state.
    void ToggleFullScreen();
    // The lights' flicker; the tick runs it with the scene lock held.
    void AnimateLights();

    // --- read by the main window
    int State() const { return state_.load(); }
    float FrameRate() const { return frameRate_.load(); }
    bool FullScreen() const { return fullScreen_; }
    // The problems met while loading, one line each (empty when none).
    QString LoadProblems() const { return loadProblems_; }
    // What the widget shows, at its size in device pixels: the latest
    // finished frame, or the background before the first.
    QImage grabFramebuffer();

    // --- scene structure, for the interface thread
    // Holds the frame lock and the scene lock once the jobs posted so far
    // have run: while it lives no tick advances and no frame draws. It waits
    // for the frame under way, so it is for tests and diagnostics, not for
    // input. GL calls are not allowed under it (the scene's context belongs
    // to the render thread).
    class SceneLock {
    public:
        explicit SceneLock(CDispWindow& window);
        SceneLock(const SceneLock&) = delete;
        SceneLock& operator=(const SceneLock&) = delete;

    private:
        std::unique_lock<std::mutex> frame_;
        std::unique_lock<std::mutex> scene_;
    };
    // The scene lock alone: the models and their animation lists stay as
    // they are while it is held; a frame may be drawing (it changes only the
    // poses, the counters and the lamps' shadow flags).
    std::unique_lock<std::mutex> LockStructure() const { return std::unique_lock<std::mutex>(sceneLock_); }

    CModel* CurrentModel() const { return model_; }
    CRenderModel* RenderModel1() const { return renderModels_[0]; }
    CRenderModel* RoomRenderModel(int index) const { return index >= 1 && index <= 2 ? renderModels_[index] : nullptr; }
    CRenderer* Renderer() const { return renderer_; }
    std::uint8_t Skinning() const { return skinning_; }
    // The camera as the interface thread moves it (read and set under the
    // view lock); the next frame takes it.
    CViewCamera Camera() const;
    void SetCamera(const CViewCamera& camera);

    // --- scene changes: run by the render thread between frames, in order
    // Runs `job` on the render thread with its context current and the scene
    // lock held, before the next frame. Never waits.
    void Post(std::function<void()> job);
    // Waits until the jobs posted so far have run (none run before state 3).
    void WaitUntilApplied();
    // Frees render model 1 and the current model before the next frame.
    void ReleaseCurrentModel();
    // Frees the current model and render model 1, makes `model` the current
    // model and builds render model 1 from it with the skinning switch
    // (relative texture paths are read from the working directory at this
    // call), frames it when it is out of view, and clears the lamps' shadow
    // flags. A null model leaves the display without one. `done` gets, on the
    // interface thread, false when there is no renderer or the build failed.
    void ReplaceCurrentModelLater(std::unique_ptr<CModel> model, std::function<void(bool)> done = {});
    // The same, waiting for the result.
    bool ReplaceCurrentModel(std::unique_ptr<CModel> model);
    // Runs `read` on the current model (on the render thread; it appends an
    // animation, e.g. from an .ani file); when it succeeds the model's last
    // animation is copied into render model 1. Either way the last animation
    // of render model 1 becomes the active one. `done` gets that index, or -1
    // when there is none or no current model, on the interface thread.
    void AddAnimationLater(std::function<bool(CModel&)> read, std::function<void(int)> done = {});
    // The same, waiting for the result.
    int AddAnimation(const std::function<bool(CModel&)>& read);
    // The animation render model 1 plays.
    void SetActiveAnimation(int index);
    // Lets the lamps render their shadow maps again.
    void ClearShadowFlags();

    // --- viewer keys (interface thread)
    // Fits the camera to the current model as posed at the next frame: the
    // same direction of view, At on the model's centre and the distance that
    // shows it whole. False when there is no model.
    bool FrameModel();
    void TogglePause();
    // Doubles (faster) or halves the animation speed, 0.125x ... 8x.
    void ChangeSpeed(bool faster);
    bool Paused() const;
    double Speed() const;

    // --- observation (tests, diagnostics)
    std::uint64_t TickCount() const { return ticks_.load(); }
    std::uint64_t FramesRendered() const { return framesRendered_.load(); }
    // Milliseconds from the first tick to state 3; 0 before.
    double LoadMilliseconds() const { return loadMilliseconds_; }

signals:
    // State 2 at the first tick, 3 when the scene runs: the title changes.
    void StateChanged(int state);
    // About once a second with the new rate.
    void FrameRateChanged(float framesPerSecond);
    // After ToggleFullScreen: the main window lays itself out again.
    void FullScreenChanged(bool fullScreen);
    // Once, when the scene runs without something it should have loaded.
    void LoadProblem(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Q_INVOKABLE void FinishLoading();
    Q_INVOKABLE void NotifyLoading();
    Q_INVOKABLE void DeliverAnswers();
    void ShowNewFrame();

    // What the interface sets and a frame reads (view lock).
    struct View {
        CViewCamera camera;
        bool fullScreen = false;
        float aspect = 1.0f;
        int pixelWidth = 1;  // the widget in device pixels
        int pixelHeight = 1;
        int renderWidth = 1536;
        int renderHeight = 1080;
        float background[4] = {0, 0, 0, 1};
    };

    void OnLeftDown(QPoint screenPos);
    void OnRightDown(QPoint screenPos);
    void OnMouseMove(QPoint screenPos);
    void OnMouseWheel(int delta);
    void ChangeView(const std::function<void(View&)>& change);
    bool MakeRenderContext();
    void BuildLoadedScene();
    void RunJobs();
    // Runs `answer` on the interface thread (render thread).
    void Answer(std::function<void()> answer);
    void DrawFrame();
    void Publish(const View& view);
    void FinishRenderThread();
    bool MainWindowMaximized() const;
    void ReleaseScene();
    void ClearShadowFlagsLocked();
    void FitModel(bool onlyWhenOutOfView);

    // --- the scene (render thread; structure under sceneLock_)
    CRenderer* renderer_ = nullptr;
    CModel* model_ = nullptr;
    CModel* roomModels_[2] = {};
    CRenderModel* renderModels_[3] = {};
    RoomLighting* lighting_ = nullptr;  // the lamps, the sky and the volume light
    int lightCount_ = 3;
    // On: the models are skinned models, and drawing them unskinned would
    // freeze every animation. Models without weights draw unchanged.
    std::uint8_t skinning_ = 1;
    CName modelPath_;
    float lightAngle_ = 0.0f;
    std::chrono::steady_clock::time_point lastTick_;  // tick thread only
    bool ticked_ = false;                             // tick thread only
    View frameView_;                                  // tick thread only: this frame's copy
    bool lastBuilt_ = false;                          // the last replacement's build, under sceneLock_
    int lastAdded_ = -1;                              // the last added animation's index, under sceneLock_
    mutable std::mutex sceneLock_;
    std::mutex frameLock_;

    // --- view: written by the interface under viewLock_, read unlocked there
    mutable std::mutex viewLock_;
    View view_;
    CPlaybackClock playback_;  // under viewLock_

    // --- jobs
    std::mutex jobsLock_;
    std::condition_variable jobsRan_;
    std::vector<std::function<void()>> jobs_;
    std::vector<std::function<void()>> answers_;  // for the interface thread
    std::uint64_t jobsPosted_ = 0;
    std::uint64_t jobsDone_ = 0;

    // --- the render thread's context and the finished frames
    QOffscreenSurface* surface_ = nullptr;     // made at Create, on this thread
    QOpenGLContext* renderContext_ = nullptr;  // render thread only
    bool contextFailed_ = false;               // render thread only
    unsigned int presentTexture_ = 0;          // render thread: the frame at the widget's size
    unsigned int presentFramebuffer_ = 0;
    QImage spareImage_;                        // render thread: read back into
    std::mutex presentLock_;                   // the shown image and its size
    QImage shownImage_;
    int shownWidth_ = 0;
    int shownHeight_ = 0;

    // --- window
    std::atomic<int> state_{StateCreated};
    std::atomic<float> frameRate_{0.0f};
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    bool leftDrag_ = false;
    bool rightDrag_ = false;
    QPoint lastMouse_;
    bool fullScreen_ = false;
    bool savedMaximized_ = false;
    int fullScreenClear_[3] = {255, 255, 255};
    CFrameRateMeter frameRateMeter_;  // render thread
    std::atomic<std::uint64_t> framesRendered_{0};
    std::atomic<bool> rateChanged_{false};
    std::uint64_t shownFrames_ = 0;  // interface thread
    CSettings settings_;

    // --- tick
    CFrameTicker ticker_;
    bool tickStarted_ = false;  // tick thread only
    std::atomic<std::uint64_t> ticks_{0};
    std::atomic<bool> stopping_{false};

    // --- loader: what it reads is fixed at Create; what it makes waits in
    // loaded_ until the render thread builds the GL side.
    struct LoadPlan {
        std::string roomFolder;
        std::string roomFiles[3];
        CName extDae;
        SkyImages sky;
    };
    struct Loaded {
        std::unique_ptr<CModel> models[3];
        std::vector<std::string> problems;
        bool ready = false;
    };
    LoadPlan plan_;
    std::thread loader_;
    std::mutex loadedLock_;
    Loaded loaded_;
    bool sceneBuilt_ = false;     // tick thread only
    std::string builtProblems_;   // under loadedLock_, for FinishLoading
    QString loadProblems_;
    std::chrono::steady_clock::time_point firstTick_;
    double loadMilliseconds_ = 0.0;
};
