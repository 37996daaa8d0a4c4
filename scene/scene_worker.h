#pragma once
// The scene's file work, on a thread of its own, one job at a time in the
// order given: the room at start, model imports, animation reads, model and
// animation writes. A finished import goes to the render thread as a job;
// every file command ends in an event. The worker knows which model is
// current (it made it), so a command works on the model that the commands
// before it left, whatever the render thread has drawn so far.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include <thread>

#include "platform/name.h"
#include "platform/status.h"
#include "scene/scene_types.h"

class CModel;
class Scene;
struct ScenePlan;
struct SharedModel;

class SceneWorker {
public:
    explicit SceneWorker(Scene& scene);
    // Ends after the job under way; the jobs still waiting are dropped.
    ~SceneWorker();
    SceneWorker(const SceneWorker&) = delete;
    SceneWorker& operator=(const SceneWorker&) = delete;

    void LoadRoom(const ScenePlan& plan);
    void OpenModel(const std::string& path);
    void ReplaceModel(std::unique_ptr<CModel> model, const std::string& textureFolder);
    void AddAnimation(const std::string& path);
    void WriteModel(const std::string& path);
    void WriteAnimation(const std::string& path, const CName& animationId);
    // Waits until every job given so far has finished.
    void WaitIdle();

private:
    void Queue(std::function<void()> job);
    void WriteCurrent(SceneEvent::Kind kind, const std::string& path, std::function<Status(const CModel&)> write);
    void Run();
    // Makes `model` current here and on the render thread; `done` runs
    // there after the build with its result.
    void MakeCurrent(std::shared_ptr<SharedModel> model,
                     std::function<void(bool built, std::vector<std::string> notes)> done);

    Scene& scene_;
    std::shared_ptr<SharedModel> current_;  // worker thread
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};
