#pragma once
// What the scene publishes and what it is told about: its state, a snapshot
// of what the interface shows around the picture, the events that answer a
// command, and the window system's OpenGL context for the render thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/name.h"
#include "platform/status.h"

enum class SceneState { Created = 1, Loading = 2, Running = 3 };

// One animation of the current model as the render side plays it.
struct AnimationEntry {
    CName id;
    float length = 0.0f;  // key-time units (seconds) until it starts over
};

// How the frame is drawn: the room, or the inspection view (the model alone
// over a neutral gradient and a ground grid); edges and bones over either.
struct DisplayOptions {
    bool inspect = false;
    bool grid = true;  // inspection view only
    bool wireframe = false;
    bool bones = false;
    // The model in its bind pose; its animation holds still meanwhile and
    // goes on from there when this goes off.
    bool bindPose = false;
};

// The sides the camera can look from: Front looks along +Y from -Y, Right
// from +X, Top from above; Back, Left and Bottom the opposite.
enum class ViewSide { Front, Back, Right, Left, Top, Bottom };

// A part of the scene that could not be loaded at start; the interface says
// it in its own language, the reason as the reader or the driver gave it.
struct LoadProblem {
    enum class Kind { SkyImage, RoomModel, NoOpenGl45, NoLamps, Other };
    Kind kind = Kind::Other;
    std::string file;  // the sky image, where there is one
    std::string why;
};

// What the interface shows around the picture. Taken as a whole, so its
// parts always belong together.
struct SceneSnapshot {
    SceneState state = SceneState::Created;
    std::uint64_t version = 0;  // grows with every change of the fields below
    bool hasModel = false;
    CName modelName;
    std::string modelFile;  // the name of the file it was opened from; empty for others
    std::vector<AnimationEntry> animations;
    int activeAnimation = -1;
    // What could not be loaded at start; empty when nothing.
    std::vector<LoadProblem> loadProblems;
};

// The answer to a command that works on a file.
struct SceneEvent {
    enum class Kind { ModelOpened, AnimationAdded, ModelWritten, AnimationWritten };
    // A failure that is the scene's own rather than the file's, so the
    // interface can say it in its language.
    enum class Refusal { None, NoModel, NoAnimation, CannotDraw };
    Kind kind = Kind::ModelOpened;
    std::string path;
    Status status;
    Refusal refusal = Refusal::None;
    int animationIndex = -1;  // AnimationAdded: the new animation, now playing
    // ModelOpened: what the import and the GPU build left out or limited
    // (textures that could not be used, cameras, ...), one line each.
    std::vector<std::string> notes;
};

// The render thread's OpenGL 4.5 core context, made by the window system the
// program runs under. MakeCurrent binds it to the calling thread.
class GlContext {
public:
    virtual ~GlContext() = default;
    virtual bool MakeCurrent() = 0;
    virtual void DoneCurrent() = 0;
};
// Called once, on the render thread; null when no context can be made (the
// scene then runs without drawing).
using GlContextFactory = std::function<std::unique_ptr<GlContext>()>;

// The finished frame at the size the view asked for: RGBA bytes, row 0 at
// the top, `stride` bytes a row.
struct Picture {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<std::uint8_t> pixels;
};
