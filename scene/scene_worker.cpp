#include "scene/scene_worker.h"

#include "import/model_file.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model.h"
#include "model/render_model.h"
#include "render/texture_file.h"
#include "scene/scene.h"
#include "scene/scene_records.h"

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::shared_ptr<SharedModel> Share(std::unique_ptr<CModel> model, std::string textureFolder) {
    auto shared = std::make_shared<SharedModel>();
    shared->model = std::move(model);
    shared->textureFolder = std::move(textureFolder);
    return shared;
}

SceneEvent Event(SceneEvent::Kind kind, const std::string& path, Status status = {},
                 SceneEvent::Refusal refusal = SceneEvent::Refusal::None) {
    SceneEvent event;
    event.refusal = status ? SceneEvent::Refusal::None : refusal;
    event.kind = kind;
    event.path = path;
    event.status = std::move(status);
    return event;
}

}  // namespace

SceneWorker::SceneWorker(Scene& scene) : scene_(scene) {
    thread_ = std::thread([this] { Run(); });
}

SceneWorker::~SceneWorker() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    idle_.notify_all();
    thread_.join();
}

void SceneWorker::Queue(std::function<void()> job) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SceneWorker::Run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock<std::mutex> guard(lock_);
            busy_ = false;
            if (jobs_.empty()) idle_.notify_all();
            wake_.wait(guard, [this] { return stop_ || !jobs_.empty(); });
            if (stop_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
        }
        job();
    }
}

void SceneWorker::WaitIdle() {
    std::unique_lock<std::mutex> guard(lock_);
    idle_.wait(guard, [this] { return stop_ || (jobs_.empty() && !busy_); });
}

void SceneWorker::MakeCurrent(std::shared_ptr<SharedModel> model,
                              std::function<void(bool, std::vector<std::string>)> done) {
    current_ = model;
    scene_.Post([this, model, done] {
        std::vector<std::string> notes;
        const bool built = scene_.records_->ReplaceModel(model, &notes);
        if (done) done(built, std::move(notes));
    });
}

void SceneWorker::LoadRoom(const ScenePlan& plan) {
    Queue([this, plan] {
        auto room = std::make_shared<LoadedRoom>();
        room->folder = plan.roomFolder;
        const SkyImages& sky = plan.sky;
        for (const std::string* name : {&sky.cloud, &sky.star, &sky.moon}) {
            const std::string path = sky.folder + "/" + *name;
            if (Status image = CheckImageFile(path); !image)
                room->problems.push_back({LoadProblem::Kind::SkyImage, path, image.Why()});
        }
        for (int i = 0; i < 3; ++i) {
            OpenedModel opened = OpenModelFile(plan.roomFiles[i], ModelFileKind::Collada);
            if (!opened.status) room->problems.push_back({LoadProblem::Kind::RoomModel, {}, opened.status.Why()});
            if (opened.model) room->models[i] = Share(std::move(opened.model), plan.roomFolder);
        }
        current_ = room->models[0];
        scene_.Post([this, room, plan] { scene_.FinishLoading(std::move(*room)); });
    });
}

void SceneWorker::OpenModel(const std::string& path) {
    Queue([this, path] {
        OpenedModel opened = OpenModelFile(path);
        if (!opened.model) {
            // The model on show stays.
            scene_.Publish(Event(SceneEvent::Kind::ModelOpened, path, opened.status));
            return;
        }
        std::shared_ptr<SharedModel> shared = Share(std::move(opened.model), FolderOf(path));
        shared->fileName = path.substr(path.find_last_of('/') + 1);
        MakeCurrent(shared, [this, path, notes = std::move(opened.notes)](bool built, std::vector<std::string> more) {
            scene_.AfterModelChange(/*fit=*/true, /*front=*/true);
            SceneEvent event = Event(SceneEvent::Kind::ModelOpened, path,
                                     built ? Status::Ok() : Status::Failure("the model cannot be drawn"),
                                     SceneEvent::Refusal::CannotDraw);
            event.notes = notes;
            event.notes.insert(event.notes.end(), more.begin(), more.end());
            scene_.Publish(std::move(event));
        });
    });
}

void SceneWorker::ReplaceModel(std::unique_ptr<CModel> model, const std::string& textureFolder) {
    auto held = std::make_shared<std::unique_ptr<CModel>>(std::move(model));
    Queue([this, held, textureFolder] {
        std::shared_ptr<SharedModel> shared = *held ? Share(std::move(*held), textureFolder) : nullptr;
        MakeCurrent(shared, [this, shared](bool built, std::vector<std::string>) {
            scene_.AfterModelChange(/*fit=*/true);
            scene_.Publish(
                Event(SceneEvent::Kind::ModelOpened, {},
                      built ? Status::Ok() : Status::Failure(shared ? "the model cannot be drawn" : "no model"),
                      shared ? SceneEvent::Refusal::CannotDraw : SceneEvent::Refusal::NoModel));
        });
    });
}

void SceneWorker::AddAnimation(const std::string& path) {
    Queue([this, path] {
        const std::shared_ptr<SharedModel> model = current_;
        if (!model || !model->model) {
            scene_.Publish(Event(SceneEvent::Kind::AnimationAdded, path,
                                 Status::Failure("no model is open: open a model before its animations"),
                                 SceneEvent::Refusal::NoModel));
            return;
        }
        Status read;
        {
            std::lock_guard<std::mutex> guard(model->lock);
            read = ReadAnimation(*model->model, path, true);
        }
        scene_.Post([this, model, path, read] {
            SceneEvent event = Event(SceneEvent::Kind::AnimationAdded, path, read);
            // Either way the last animation plays, as after any add.
            if (scene_.records_->Current() == model) {
                const int last = scene_.records_->TakeLastAnimation();
                if (read) event.animationIndex = last;
            }
            scene_.PublishSnapshot();
            scene_.Publish(std::move(event));
        });
    });
}

// Runs `write` on the current model under its lock; refused without one.
void SceneWorker::WriteCurrent(SceneEvent::Kind kind, const std::string& path,
                               std::function<Status(const CModel&)> write) {
    Queue([this, kind, path, write] {
        const std::shared_ptr<SharedModel> model = current_;
        Status written = Status::Failure("No model is open: there is nothing to write.");
        SceneEvent::Refusal refusal = SceneEvent::Refusal::NoModel;
        if (model && model->model) {
            std::lock_guard<std::mutex> guard(model->lock);
            written = write(*model->model);
            const bool noAnimation =
                kind == SceneEvent::Kind::AnimationWritten && model->model->animations.Count() == 0;
            refusal = noAnimation ? SceneEvent::Refusal::NoAnimation : SceneEvent::Refusal::None;
        }
        scene_.Publish(Event(kind, path, written, refusal));
    });
}

void SceneWorker::WriteModel(const std::string& path) {
    WriteCurrent(SceneEvent::Kind::ModelWritten, path,
                 [path](const CModel& model) { return ::WriteModel(model, path); });
}

void SceneWorker::WriteAnimation(const std::string& path, const CName& animationId) {
    WriteCurrent(SceneEvent::Kind::AnimationWritten, path, [path, animationId](const CModel& model) {
        if (model.animations.Count() == 0)
            return Status::Failure("The model " + model.name.ToUtf8() + " has no animation to write.");
        return ::WriteAnimation(model, animationId, path);
    });
}
