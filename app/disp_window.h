#pragma once
// CDispWindow: the child window that shows the 3D scene. It owns the scene
// (renderer, the current model and the two room models with their render
// models, lamps, sky, light shafts), drives it from a 16 ms tick of its own,
// loads it on a loader thread at the first tick, paints one frame per paint
// and turns mouse input into camera moves.
//
// Threads:
//  - the tick thread runs OnTick / AnimateLights every 16 ms and then waits
//    while the interface thread paints (the paint is handed over, never run
//    on the tick thread);
//  - the loader thread runs LoaderThread once: the file and CPU work (the
//    three room imports, a look at the sky images). The GL objects are made
//    afterwards on the interface thread with this widget's context current,
//    and only then does the state become 3;
//  - the interface thread paints, handles input and runs the file actions.
// One scene lock guards what the tick and the paint share: the models and
// render models, the renderer's light table, the lamps and the sky. File
// actions change the models only through the operations below, which take
// that lock, so no tick or paint ever sees a model being replaced.
// libepoxy must come before Qt's GL headers.
#include "render/gl.h"

#include <QOpenGLWidget>
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

#include "app/frame_rate.h"
#include "app/frame_ticker.h"
#include "app/playback_clock.h"
#include "settings/settings.h"
#include "render/room_lighting.h"

class CModel;
class CRenderModel;
class CRenderer;

class CDispWindow : public QOpenGLWidget {
    Q_OBJECT
public:
    enum State { StateCreated = 1, StateLoading = 2, StateRunning = 3 };

    // State 1; the screen size is the primary screen's. `settings` (copied;
    // defaults when null) is what the loader applies to the renderer.
    explicit CDispWindow(const CSettings* settings = nullptr);
    ~CDispWindow() override;

    // Places the window in `parent` at (x, y, width, height), shows it and
    // starts the tick. The room is loaded from "./model/washitu" and the sky
    // images from ImgPath, both against the working directory at this call.
    // True.
    bool Create(QWidget* parent, int x, int y, int width, int height);
    // Copies the settings into the window and, once it exists, the renderer:
    // background colour, camera start values, render size.
    void ApplySettings(const CSettings& settings);

    // --- the scene's own steps (public so that they can be driven and tested)
    // One tick (tick thread): the first starts the loader; in state 3 the
    // current model's frame counter advances by 3, the lights and the sky
    // move on, and the frame is painted before OnTick returns.
    void OnTick();
    // The loader (loader thread).
    void LoaderThread();
    // One paint (interface thread, the widget's context current).
    void Paint();
    // Space key: the whole screen for the scene, and back to the main
    // window's previous state.
    void ToggleFullScreen();
    // The lights' flicker; the tick runs it with the scene lock held.
    void AnimateLights();

    // --- read by the main window
    int State() const { return state_.load(); }
    float FrameRate() const { return frameRate_; }
    bool FullScreen() const { return fullScreen_; }
    // The problems met while loading, one line each (empty when none).
    QString LoadProblems() const { return loadProblems_; }

    // --- for the file actions (interface thread, state 3)
    // Holds the scene lock with this widget's GL context current: while it
    // lives no tick advances and no paint draws, so the models can be freed,
    // replaced or extended. Operations below take it themselves; do not call
    // them while holding one.
    class SceneLock {
    public:
        explicit SceneLock(CDispWindow& window);
        ~SceneLock();
        SceneLock(const SceneLock&) = delete;
        SceneLock& operator=(const SceneLock&) = delete;

    private:
        CDispWindow& window_;
        std::unique_lock<std::mutex> guard_;
    };

    CModel* CurrentModel() const { return model_; }
    CRenderModel* RenderModel1() const { return renderModels_[0]; }
    CRenderModel* RoomRenderModel(int index) const { return index >= 1 && index <= 2 ? renderModels_[index] : nullptr; }
    CRenderer* Renderer() const { return renderer_; }
    std::uint8_t Skinning() const { return skinning_; }
    // Frees render model 1 and the current model.
    void ReleaseCurrentModel();
    // Frees the current model and render model 1, makes `model` the current
    // model and builds render model 1 from it with the skinning switch
    // (textures resolve against the working directory), and clears the
    // lamps' shadow flags. A null model leaves the display without one.
    // False when there is no renderer or the build failed.
    bool ReplaceCurrentModel(std::unique_ptr<CModel> model);
    // Runs `read` on the current model (it appends an animation, e.g. from an
    // .ani file); when it succeeds the model's last animation is copied into
    // render model 1. Either way the last animation of render model 1 becomes
    // the active one. Returns that index, or -1 when there is none or no
    // current model.
    int AddAnimation(const std::function<bool(CModel&)>& read);
    // Lets the lamps render their shadow maps again.
    void ClearShadowFlags();

    // --- viewer keys (interface thread)
    // Fits the camera to the current model as posed now: the same direction
    // of view, At on the model's centre and the distance that shows it whole.
    // False when there is no model with vertices.
    bool FrameModel();
    void TogglePause();
    // Doubles (faster) or halves the animation speed, 0.125x ... 8x.
    void ChangeSpeed(bool faster);
    bool Paused() const;
    double Speed() const;

    // --- observation (tests, diagnostics)
    std::uint64_t TickCount() const { return ticks_.load(); }
    std::uint64_t FramesRendered() const { return framesRendered_; }
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
    void initializeGL() override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Q_INVOKABLE void PaintForTick();
    Q_INVOKABLE void FinishLoading();
    Q_INVOKABLE void NotifyLoading();

    void OnLeftDown(QPoint screenPos);
    void OnRightDown(QPoint screenPos);
    void OnMouseMove(QPoint screenPos);
    void OnMouseWheel(int delta);
    void RequestPaintAndWait();
    void Present();
    bool MainWindowMaximized() const;
    void ReleaseScene();
    void ClearShadowFlagsLocked();
    bool FrameModelLocked(bool onlyWhenOutOfView);
    float ViewAspect() const;

    // --- the scene (guarded by sceneLock_ where the tick reads it)
    CRenderer* renderer_ = nullptr;
    CModel* model_ = nullptr;
    CModel* roomModels_[2] = {};
    CRenderModel* renderModels_[3] = {};
    RoomLighting* lighting_ = nullptr;  // the lamps, the sky and the volume light
    int lightCount_ = 3;
    // On: the models are skinned models, and drawing them unskinned would
    // freeze every animation. Models without weights draw unchanged.
    std::uint8_t skinning_ = 1;
    float background_[4] = {0, 0, 0, 1};
    CName modelPath_;
    float lightAngle_ = 0.0f;
    CPlaybackClock playback_;
    std::chrono::steady_clock::time_point lastTick_;  // tick thread only
    bool ticked_ = false;                             // tick thread only
    mutable std::mutex sceneLock_;
    bool editing_ = false;  // a SceneLock is held (interface thread only)

    // --- window
    std::atomic<int> state_{StateCreated};
    float frameRate_ = 0.0f;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    int renderWidth_ = 1536;
    int renderHeight_ = 1080;
    bool leftDrag_ = false;
    bool rightDrag_ = false;
    QPoint lastMouse_;
    bool painting_ = false;
    bool fullScreen_ = false;
    bool savedMaximized_ = false;
    int fullScreenClear_[3] = {255, 255, 255};
    CFrameRateMeter frameRateMeter_;
    std::uint64_t framesRendered_ = 0;
    CSettings settings_;

    // --- tick
    CFrameTicker ticker_;
    bool tickStarted_ = false;  // tick thread only
    std::atomic<std::uint64_t> ticks_{0};
    std::mutex paintHandOver_;
    std::condition_variable paintServed_;
    std::uint64_t paintsRequested_ = 0;
    std::uint64_t paintsDone_ = 0;
    bool stopping_ = false;

    // --- loader: what it reads is fixed at Create; what it makes waits in
    // loaded_ until the interface thread builds the GL side.
    struct LoadPlan {
        std::string roomFolder;
        std::string roomFiles[3];
        CName extDae;
        SkyImages sky;
    };
    struct Loaded {
        std::unique_ptr<CModel> models[3];
        std::vector<std::string> problems;
    };
    LoadPlan plan_;
    std::thread loader_;
    std::mutex loadedLock_;
    Loaded loaded_;
    bool finishPending_ = false;
    QString loadProblems_;
    std::chrono::steady_clock::time_point firstTick_;
    double loadMilliseconds_ = 0.0;
};
