#pragma once
// The scene's records, owned by the render thread: the renderer, the current
// model and the two room models with their render models, the lamps, the sky
// and the light shafts. Every call here runs on the render thread with its
// context current.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "math/view_fit.h"
#include "render/inspect_frame.h"
#include "render/room_lighting.h"
#include "scene/frame_rate.h"
#include "scene/scene_types.h"
#include "scene/scene_view.h"

class CModel;
class CRenderModel;
class CRenderModelGpu;
class CRenderer;

// A model the render thread draws and the worker reads and writes: the
// worker appends animations and writes files under `lock`; the render thread
// takes it to copy from the model.
struct SharedModel {
    std::mutex lock;
    std::unique_ptr<CModel> model;
    std::string textureFolder;  // relative texture paths are read from here
    std::string fileName;       // opened by the user from this file (no folder)
};

// What the worker loads at start for the render thread to build.
struct LoadedRoom {
    std::shared_ptr<SharedModel> models[3];  // the current model, then the room
    std::string folder;
    std::vector<LoadProblem> problems;
};

class SceneRecords {
public:
    SceneRecords();
    ~SceneRecords();  // frees the GL objects: the context must be current
    SceneRecords(const SceneRecords&) = delete;
    SceneRecords& operator=(const SceneRecords&) = delete;

    // Makes the renderer (when there is a context), the lamps and the sky:
    // what needs no room, made while the room is still being imported.
    void Prepare(bool haveContext, const SkyImages& sky, int maxWidth, int maxHeight);
    // Makes the render models of the loaded room, after Prepare. What is
    // missing (Prepare's problems too), one line each.
    std::vector<LoadProblem> Build(LoadedRoom room);

    // Makes `model` the current one in place of the old one and builds its
    // render model; the lamps' shadow maps are drawn again. Null removes it.
    // False when there is no renderer or the build failed.
    bool ReplaceModel(std::shared_ptr<SharedModel> model, std::vector<std::string>* notes = nullptr);
    const std::shared_ptr<SharedModel>& Current() const { return current_; }
    // Copies the animations added to the current model since its render
    // model was made, and plays the last one. Its index, or -1 when there is
    // no animation.
    int TakeLastAnimation();
    void ChooseAnimation(int index);
    void ClearShadowFlags();

    // The camera that shows the current model, as posed now, whole: the same
    // direction of view as `view`'s. False (nothing changed) without a model,
    // or when `onlyWhenOutOfView` and at least half of it is in view.
    bool FitCamera(const SceneView& view, bool onlyWhenOutOfView, CViewCamera& fitted);

    // One tick: the current model's counter `steps` on; unless paused, the
    // lamps flicker and the sky moves. Without `looping` the counter stops
    // at the animation's last frame: true when it did this tick.
    bool Advance(std::uint32_t steps, bool paused, bool looping = true);
    // The active animation's time as the next pose shows it, and its
    // length, in seconds; 0 without one.
    double AnimationTime() const;
    double AnimationLength() const;
    // Moves the active animation to `seconds`, held within it.
    void Seek(double seconds);
    // Draws the frame as `view` says and reads it into `picture` at the
    // view's pixel size. False without a renderer.
    bool Draw(const SceneView& view, Picture& picture);
    // Frames per second: true when the rate was refreshed.
    bool CountFrame() { return rateMeter_.Frame(CFrameRateMeter::WallClockReading()); }
    float FrameRate() const { return rateMeter_.Rate(); }

    // The box around the room models as they stand; empty without them.
    Bounds3 RoomBounds() const;

    // What the interface shows about the current model.
    void Describe(SceneSnapshot& snapshot) const;

    CRenderer* Renderer() const { return renderer_.get(); }
    const CModel* CurrentModel() const;
    CRenderModel* RenderModel(int index) const;
    CRenderModelGpu* RenderModelGpu(int index) const;

private:
    void AnimateLights();
    // The counter of the last frame before the animation starts over.
    std::uint32_t LastCounter() const;
    void ReadPicture(const SceneView& view, Picture& picture);

    std::unique_ptr<CRenderer> renderer_;
    std::unique_ptr<RoomLighting> lighting_;
    std::vector<LoadProblem> prepareProblems_;
    std::shared_ptr<SharedModel> current_;
    std::shared_ptr<SharedModel> room_[2];
    std::unique_ptr<CRenderModelGpu> renderModels_[3];
    // On: the models are skinned models, and drawing them unskinned would
    // freeze every animation. Models without weights draw unchanged.
    bool skinning_ = true;
    float lightAngle_ = 0.0f;
    unsigned int presentTexture_ = 0;  // the frame at the picture's size
    unsigned int presentFramebuffer_ = 0;
    int presentWidth_ = 0;
    int presentHeight_ = 0;
    CFrameRateMeter rateMeter_;
    CInspectPasses passes_;  // made at the first frame that needs them
    bool passesTried_ = false;
    Bounds3 ground_;  // the current model's box when it came: the grid lies under it
};
