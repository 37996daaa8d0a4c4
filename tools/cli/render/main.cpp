// vorland-render, run by `vorland-cli render FILE -o OUT [--width W] ...`:
// renders one frame headless (EGL, no window) the way the viewer's display
// window does: the model as render model 1, optionally the room as models 2
// and 3, the main pass and the composition, then writes the image in the
// format its extension names.
#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "model/model.h"
#include "model/posed_bounds.h"
#include "platform/data_paths.h"
#include "platform/file_io.h"
#include "render/camera_fit.h"
#include "render/frame_passes.h"
#include "render/headless_context.h"
#include "render/render_model_gpu.h"
#include "render/inspect_frame.h"
#include "render/renderer.h"
#include "render/room_lighting.h"
#include "render/scene_lights.h"
#include "tools/cli/command_line.h"
#include "tools/cli/model_file.h"
#include "tools/cli/paths.h"

namespace {

// A model's build notes, in the words the viewer uses.
void ShowNotes(const Outcome& built) {
    for (const std::string& note : built.notes) std::fprintf(stderr, "vorland: %s\n", note.c_str());
}

// The image in the format the file name's extension names.
std::string EncodeImage(const std::vector<unsigned char>& rgba, int width, int height, const std::string& fileName) {
    QImage image(rgba.data(), width, height, width * 4, QImage::Format_RGBA8888);
    // What the window shows is opaque; the targets' alpha is not part of it.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const std::string ext = LowerExtension(fileName);
    const char* format = ext == ".bmp" ? "BMP" : ext == ".jpg" || ext == ".jpeg" ? "JPG" : "PNG";
    if (!opaque.save(&buffer, format, ext == ".bmp" || ext == ".png" ? -1 : 95)) return {};
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Changes into `dir` for its lifetime and back afterwards: a model names its
// textures relative to its own folder, as the viewer sees them after changing
// into it.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::filesystem::path& dir) {
        std::error_code ec;
        start_ = std::filesystem::current_path(ec);
        if (ec || dir.empty()) return;
        std::filesystem::current_path(dir, ec);
        changed_ = !ec;
    }
    ~ScopedCurrentDirectory() {
        std::error_code ec;
        if (changed_) std::filesystem::current_path(start_, ec);
    }
    bool Changed() const { return changed_; }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::filesystem::path start_;
    bool changed_ = false;
};

struct RoomModel {
    std::unique_ptr<CModel> model;
    std::unique_ptr<CRenderModelGpu> render;
};

// The room's files: ./model/washitu, else the installed copy. Their textures
// are relative to that folder.
std::string RoomFolder() { return DataFile("model/washitu"); }
constexpr const char* kRoomFiles[2] = {"washitu2.dae", "washitu3.dae"};

// The room's files are regular files; false after saying which one is
// missing. A frame without its room is not what --room asks for.
bool RoomFilesPresent() {
    namespace fs = std::filesystem;
    for (const char* file : kRoomFiles) {
        std::error_code ec;
        const fs::path path = fs::path(RoomFolder()) / file;
        if (fs::is_regular_file(path, ec)) continue;
        std::fprintf(stderr,
                     "vorland-cli: the room needs %s, which is not there (run it from the project folder, or install "
                     "the package)\n",
                     path.c_str());
        return false;
    }
    return true;
}

// Loads washitu2.dae and washitu3.dae; false after a message when one cannot
// be read.
bool LoadRoom(CRenderer& renderer, RoomModel room[2]) {
    const std::string folder = RoomFolder();
    const ScopedCurrentDirectory inRoomFolder(folder);
    if (!inRoomFolder.Changed()) {
        std::fprintf(stderr, "vorland-cli: cannot enter %s\n", folder.c_str());
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        room[i].model = LoadModelFile(kRoomFiles[i]);
        if (!room[i].model) return false;
        room[i].render = std::make_unique<CRenderModelGpu>();
        ShowNotes(room[i].render->Build(renderer, room[i].model.get(), true));
    }
    return true;
}

void PrintInspectTimings(const InspectTimings t[2]) {
    const char* names[2] = {"first frame", "next frame"};
    for (int i = 0; i < 2; ++i) {
        const InspectPassTimes* kinds[2] = {&t[i].wall, &t[i].cpu};
        const char* kindNames[2] = {"wall", "cpu"};
        for (int k = 0; k < 2; ++k) {
            const InspectPassTimes& p = *kinds[k];
            std::fprintf(stderr, "%s (%s ms): background %.1f, model %.1f, grid %.1f, overlays %.1f, total %.1f\n",
                         names[i], kindNames[k], p.background, p.model, p.grid, p.overlays, p.total);
        }
    }
}

void PrintTimings(const FrameTimings t[2]) {
    const char* names[2] = {"first frame", "next frame"};
    for (int i = 0; i < 2; ++i) {
        const PassTimes* kinds[2] = {&t[i].wall, &t[i].cpu};
        const char* kindNames[2] = {"wall", "cpu"};
        for (int k = 0; k < 2; ++k) {
            const PassTimes& p = *kinds[k];
            std::fprintf(stderr,
                         "%s (%s ms): shadow maps %.0f, sky %.0f, lamp images %.0f %.0f %.0f, main pass %.0f, "
                         "shafts %.0f %.0f %.0f, composition %.0f, total %.0f\n",
                         names[i], kindNames[k], p.shadowMaps, p.sky, p.lightImages[0], p.lightImages[1],
                         p.lightImages[2], p.mainPass, p.shafts[0], p.shafts[1], p.shafts[2], p.composition, p.total);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RenderOptions o;
    const int answered = ParseRenderCommandLine(argc, argv, &o);
    if (answered >= 0) return answered;

    // The model is built from inside its own folder, where the textures it
    // names are; the file names on the command line stay relative to where
    // the tool was started.
    namespace fs = std::filesystem;
    const fs::path modelFolder = fs::path(o.input).parent_path();
    const std::unique_ptr<CModel> loaded = LoadModelFile(o.input);
    if (!loaded) return kExitFailed;
    CModel& model = *loaded;
    if ((o.room || o.view == "room") && !RoomFilesPresent()) return kExitFailed;

    CHeadlessContext context;
    if (const Status created = context.Create(); !created) {
        std::fprintf(stderr, "vorland-cli: %s\n", created.Why().c_str());
        return kExitFailed;
    }
    CRenderer renderer;
    if (const Status initialized = renderer.Initialize(o.width, o.height); !initialized) {
        std::fprintf(stderr, "vorland: %s\n", initialized.Why().c_str());
        std::fputs("vorland-cli: the renderer cannot be set up\n", stderr);
        return kExitFailed;
    }
    const CSettings settings;
    renderer.RotationX = settings.RotationX;
    renderer.RotationZ = settings.RotationZ;
    renderer.EyeOffset = {settings.EyePosX, settings.EyePosY, settings.EyePosZ};
    renderer.At = {settings.AtX, settings.AtY, settings.AtZ};
    SetStartLights(renderer);

    // Skinning is on: animated models deform; models without weights draw
    // with their bind-shape transform alone.
    CRenderModelGpu renderModel;
    {
        const ScopedCurrentDirectory inModelFolder(modelFolder);
        ShowNotes(renderModel.Build(renderer, &model, true));
    }
    const bool roomView = o.room || o.view == "room";
    const bool inspectView = o.view == "inspect";
    RoomModel room[2];
    if (roomView && !LoadRoom(renderer, room)) {
        renderModel.ReleaseGpu();
        for (RoomModel& r : room)
            if (r.render) r.render->ReleaseGpu();
        renderer.Release();
        return kExitFailed;
    }
    InspectOptions overlays;
    overlays.grid = !o.noGrid;
    overlays.bones = o.bones;
    overlays.wireframe = o.wireframe;
    CInspectPasses passes;
    if (inspectView || o.bones || o.wireframe) {
        if (const Status created = passes.Create(); !created) {
            std::fprintf(stderr, "vorland-cli: the inspection passes cannot be set up: %s\n", created.Why().c_str());
            return kExitFailed;
        }
    }

    // Animation time is the frame counter / 50.
    const double counter = std::floor(o.time * 50.0 + 0.5);
    renderModel.pose.frameCounter = counter >= 4294967295.0 ? 0xffffffffu : static_cast<std::uint32_t>(counter);

    const float aspect = static_cast<float>(o.width) / static_cast<float>(o.height);
    Bounds3 posedBox;
    if (o.fit || inspectView) {
        // The pose the draw shows: a time past the end wraps to 0 at the
        // first evaluation, so the second one is the drawn pose.
        renderModel.pose.UpdatePose();
        renderModel.pose.UpdatePose();
        posedBox = PosedBounds(model, renderModel.pose);
    }
    if (o.fit) {
        SetFrontView(renderer);
        FitCameraToBox(renderer, posedBox, aspect);
    }
    renderer.UpdateFrameConstants(aspect);
    renderer.SetViewport(o.width, o.height);
    const float clear[3] = {settings.ViewerBKColorR / 255.0f, settings.ViewerBKColorG / 255.0f,
                            settings.ViewerBKColorB / 255.0f};
    if (inspectView) {
        InspectFrame frame;
        frame.renderer = &renderer;
        frame.passes = &passes;
        frame.model = &renderModel;
        frame.options = overlays;
        frame.ground = posedBox;
        frame.screenWidth = o.width;
        frame.screenHeight = o.height;
        frame.aspect = aspect;
        InspectTimings timings[2];
        // With timings, a second, steady frame follows the first, which pays
        // for the rasteriser's first look at every program.
        RenderInspectFrame(frame, o.timings ? &timings[0] : nullptr);
        if (o.timings) {
            RenderInspectFrame(frame, &timings[1]);
            PrintInspectTimings(timings);
        }
    } else if (roomView) {
        // The whole frame: lamps with their shadows, sky, light shafts.
        CRenderModelGpu* models[3] = {&renderModel, room[0].render.get(), room[1].render.get()};
        const SkyImages images{DataFile(settings.ImgPath.ToUtf8()), settings.TextureCloudName.ToUtf8(),
                               settings.TextureStarName.ToUtf8(), settings.TextureMoonName.ToUtf8()};
        FrameTimings timings[2];
        if (!RenderRoomFrame(renderer, models, images, o.width, o.height, clear, o.timings ? timings : nullptr))
            std::fputs("vorland-cli: the lamps cannot be set up\n", stderr);
        if (o.timings) PrintTimings(timings);
    } else {
        RenderMainPass(renderer, &renderModel, nullptr, nullptr, 0);
        RenderComposition(renderer, clear, false, o.width, o.height, CompositionInputs{});
    }
    if (!inspectView) RenderOverlays(renderer, passes, renderModel, overlays, false, o.width, o.height);

    std::vector<unsigned char> rgba(static_cast<std::size_t>(o.width) * o.height * 4);
    CRenderer::ReadTarget(renderer.BackBuffer(), o.width, o.height, rgba.data());
    const GLenum glError = glGetError();
    if (glError != GL_NO_ERROR) std::fprintf(stderr, "vorland-cli: OpenGL reported error 0x%x\n", glError);

    passes.Release();
    renderModel.ReleaseGpu();
    for (RoomModel& r : room)
        if (r.render) r.render->ReleaseGpu();
    renderer.Release();

    const std::string image = EncodeImage(rgba, o.width, o.height, o.output);
    if (image.empty() || !WriteFileAtomically(o.output, image)) {
        std::fprintf(stderr, "vorland-cli: cannot write %s\n", o.output.c_str());
        return kExitFailed;
    }
    return kExitOk;
}
