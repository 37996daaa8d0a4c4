#pragma once
// Where the render thread's OpenGL context comes from. EGL's surfaceless
// context needs no window, so its driver loads on a thread of its own while
// Qt starts; where that platform is missing, Qt's context on an offscreen
// surface stands in, as on any window system Qt draws with.
#include <future>
#include <memory>

#include "scene/scene_types.h"

class CHeadlessContext;
class QOffscreenSurface;

using EglContextAhead = std::future<std::unique_ptr<CHeadlessContext>>;

// Starts making EGL's context; it is released from the thread that made it.
EglContextAhead StartEglContext();

class SceneContextSource {
public:
    // Starts EGL's context itself when `ahead` holds none.
    explicit SceneContextSource(EglContextAhead ahead = {});
    ~SceneContextSource();
    SceneContextSource(const SceneContextSource&) = delete;
    SceneContextSource& operator=(const SceneContextSource&) = delete;

    // Interface thread, before the render thread asks: waits for EGL and,
    // when it failed, makes Qt's surface (which only this thread may make).
    void Choose();
    // Render thread, once: Qt's context must be made on the thread using it.
    std::unique_ptr<GlContext> Take();

private:
    EglContextAhead ahead_;
    std::unique_ptr<CHeadlessContext> egl_;
    std::unique_ptr<QOffscreenSurface> surface_;
};
