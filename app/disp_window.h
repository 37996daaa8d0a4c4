#pragma once
// CDispWindow: the child window that shows the 3D scene. A thin view: the
// scene (scene/scene.h) owns the models, the room, the lights, the camera
// and playback and draws them on its own render thread; this widget turns
// mouse input into the scene's commands and paints the latest picture the
// scene published. A timer on the interface thread looks for a new picture,
// a new snapshot (state, animations) and new events every tick period, and
// tells the rest of the interface through signals.
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

#include "app/scene_context.h"
#include "scene/scene.h"
#include "settings/settings.h"

class CTimeline;
class QTimer;

class CDispWindow : public QWidget {
    Q_OBJECT
public:
    // The screen size is the primary screen's. `settings` (copied; defaults
    // when null) give the background, render size and camera start;
    // `eglContext`, when started, the scene's context.
    explicit CDispWindow(const CSettings* settings = nullptr, EglContextAhead eglContext = {});
    // Stops the scene after the frame under way and frees it.
    ~CDispWindow() override;

    // Places the window in `parent` at (x, y, width, height), shows it and
    // starts the scene. The room is loaded from "./model/washitu" and the sky
    // images from ImgPath, both against the working directory at this call.
    void Create(QWidget* parent, int x, int y, int width, int height);
    void ApplySettings(const CSettings& settings);

    Scene& GetScene() { return *scene_; }
    const Scene& GetScene() const { return *scene_; }
    SceneState State() const { return scene_->State(); }
    float FrameRate() const { return scene_->FrameRate(); }
    bool FullScreen() const { return fullScreen_; }
    // The problems met while loading, one line each (empty when none).
    QString LoadProblems() const { return loadProblems_; }
    // What the widget shows, at its size in device pixels: the latest
    // picture, or the background before the first.
    QImage grabFramebuffer();

    // Waits until the scene has carried out the commands given so far and
    // tells what came of them as the next poll would (tests, scripts).
    void Settle();

    // Space key: the whole screen for the scene, and back to the main
    // window's previous state.
    void ToggleFullScreen();

    // The inspection keys (R, B, W, G, 1 3 7 with or without Ctrl, 5, 0,
    // comma, period, Home, End, T, L, H, F1); false for other keys.
    bool ViewKey(int key, bool ctrl);
    // The timeline along the bottom; the picture takes the rest.
    void SetTimelineShown(bool shown);
    bool TimelineShown() const;
    CTimeline* Timeline() const { return timeline_; }
    bool HelpShown() const { return helpShown_; }
    // Where the picture is drawn (the whole widget without the timeline).
    QRect ViewRect() const;

signals:
    // Loading at the first tick, running when the scene runs: the title changes.
    void StateChanged(SceneState state);
    // About once a second with the new rate.
    void FrameRateChanged(float framesPerSecond);
    // After ToggleFullScreen: the main window lays itself out again.
    void FullScreenChanged(bool fullScreen);
    // Once, when the scene runs without something it should have loaded.
    void LoadProblem(const QString& message);
    // The scene's snapshot changed (a model, its animations, the one playing).
    void SceneChanged();
    // Answers to file commands wait in the scene (Scene::TakeEvents).
    void EventsWaiting();

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
    void Poll();
    void SyncTimeline();
    void LayOutView();
    bool PaintView(QPainter& painter);  // false before the first picture
    QColor BackgroundColor() const;

    SceneContextSource contextSource_;  // before the scene, which takes from it
    std::unique_ptr<Scene> scene_;
    CSettings settings_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    bool leftDrag_ = false;
    bool rightDrag_ = false;
    QPoint lastMouse_;
    bool started_ = false;
    bool fullScreen_ = false;
    bool savedMaximized_ = false;
    // What the last poll saw.
    std::uint64_t shownFrames_ = 0;
    std::uint64_t seenVersion_ = 0;
    SceneState seenState_ = SceneState::Created;
    float seenRate_ = 0.0f;
    QString loadProblems_;
    CTimeline* timeline_ = nullptr;
    QTimer* poll_ = nullptr;  // made by Create; a child of the window
    bool helpShown_ = false;
};
