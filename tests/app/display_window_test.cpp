// The display window: loading, painting, the tick, the camera under scripted
// mouse input, the space key, and what a missing room file does.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tests/core/test_files.h"
#include "app/disp_window.h"
#include "ui/texts.h"
#include "math/view_fit.h"
#include "scene/view_camera.h"
#include "collada/collada.h"
#include "model/animation.h"
#include "model/ani_file.h"
#include "model/model.h"
#include "model/render_model.h"
#include "render/render_model_gpu.h"
#include "render/renderer.h"
#include "tests/app/display_test_scene.h"
#include "tests/ui/ui_test_app.h"

namespace {

constexpr int kLoadTimeoutMs = 120000;
constexpr int kWaitMs = 120000;  // frames are slow on a busy machine's software GL

// Sends mouse and wheel input to a widget as the window system would.
void Mouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
// Presses `button` at `from`, moves through `steps` and releases.
void Drag(QWidget* w, Qt::MouseButton button, QPoint from, const std::vector<QPoint>& steps) {
    Mouse(w, QEvent::MouseButtonPress, from, button, button);
    for (QPoint p : steps) Mouse(w, QEvent::MouseMove, p, Qt::NoButton, button);
    Mouse(w, QEvent::MouseButtonRelease, steps.empty() ? from : steps.back(), button, Qt::NoButton);
}
void Wheel(QWidget* w, int delta) {
    const QPoint local(100, 100);
    QWheelEvent event(QPointF(local), QPointF(w->mapToGlobal(local)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// A quarter of the render size in each direction keeps frames quicker on a
// software rasteriser; the window shows the whole back buffer regardless.
CSettings SmallFrames() {
    CSettings s;
    s.ScreenWidth = 384;
    s.ScreenHeight = 270;
    return s;
}

// A room in a temporary folder that is the working directory while the
// window is created, and a window showing it.
struct RoomWindow {
    explicit RoomWindow(const std::function<void(const QString&)>& spoil = {}) {
        UiTestApp();
        if (!folder.isValid() || !displaytest::WriteRoom(folder.path())) return;
        if (spoil) spoil(folder.path());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        window = std::make_unique<CDispWindow>(&settings);
        stateSpy = std::make_unique<QSignalSpy>(window.get(), &CDispWindow::StateChanged);
        problemSpy = std::make_unique<QSignalSpy>(window.get(), &CDispWindow::LoadProblem);
        window->Create(nullptr, 50, 50, 640, 360);
        QDir::setCurrent(previous);  // the window keeps the paths it was created with
        running = QTest::qWaitForWindowExposed(window.get()) &&
                  QTest::qWaitFor([&] { return window->State() == SceneState::Running; }, kLoadTimeoutMs) &&
                  QTest::qWaitFor([&] { return window->GetScene().FramesRendered() >= 1; }, kWaitMs);
    }
    ~RoomWindow() { window.reset(); }

    CSettings settings = SmallFrames();
    ScratchDir folder;
    std::unique_ptr<CDispWindow> window;
    std::unique_ptr<QSignalSpy> stateSpy, problemSpy;
    bool running = false;
};

// One window for the tests that only look at it or move its camera: each
// window costs a loader run and its first frames.
class DisplayWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { room = new RoomWindow; }
    static void TearDownTestSuite() {
        delete room;
        room = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(room && room->running) << "the display window did not reach state 3";
        window = room->window.get();
    }
    // Waits until `count` more frames were painted.
    bool WaitFrames(std::uint64_t count) {
        const std::uint64_t target = window->GetScene().FramesRendered() + count;
        return QTest::qWaitFor([&] { return window->GetScene().FramesRendered() >= target; }, kWaitMs);
    }
    void Mouse(QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons buttons) {
        ::Mouse(window, type, local, button, buttons);
    }
    void Drag(Qt::MouseButton button, QPoint from, const std::vector<QPoint>& steps) {
        ::Drag(window, button, from, steps);
    }
    void Wheel(int delta) { ::Wheel(window, delta); }

    static RoomWindow* room;
    CDispWindow* window = nullptr;
};
RoomWindow* DisplayWindowTest::room = nullptr;

float Wrapped(double angle) { return static_cast<float>(std::fmod(angle, 2.0 * 3.14159265358979323846)); }

std::unique_ptr<CModel> RoomModel(const ScratchDir& folder, const char* name) {
    auto model = std::make_unique<CModel>();
    CName ext;
    ext.SetAscii(".dae");
    const QString path = folder.filePath(QStringLiteral("model/washitu/%1.dae").arg(name));
    EXPECT_TRUE(LoadCollada(*model, path.toStdString(), ext));
    return model;
}

// An animation "walk" of the model `target`, without channels, in a file.
std::string WalkFile(const std::string& target) {
    static ScratchDir folder;
    const std::string path = folder.filePath(QString::fromStdString(target + ".ani")).toStdString();
    CModel model;
    model.name.SetAscii(target.c_str());
    auto* walk = model.animations.AddNew();
    walk->id.SetAscii("walk");
    EXPECT_TRUE(WriteAnimation(model, walk->id, path));
    return path;
}

}  // namespace

TEST_F(DisplayWindowTest, LoaderReachesState3AndPaints) {
    EXPECT_EQ(window->objectName(), QStringLiteral("CLASS_DISPWINDOW"));
    // The window polls the scene: a quick load may be over before it sees Loading.
    ASSERT_GE(room->stateSpy->count(), 1);
    ASSERT_LE(room->stateSpy->count(), 2);
    EXPECT_EQ(room->stateSpy->at(room->stateSpy->count() - 1).at(0).value<SceneState>(), SceneState::Running);
    if (room->stateSpy->count() == 2) {
        EXPECT_EQ(room->stateSpy->at(0).at(0).value<SceneState>(), SceneState::Loading);
    }
    EXPECT_EQ(room->problemSpy->count(), 0) << window->LoadProblems().toStdString();
    ASSERT_NE(window->GetScene().Renderer(), nullptr);
    ASSERT_NE(window->GetScene().CurrentModel(), nullptr);
    EXPECT_EQ(window->GetScene().CurrentModel()->name.ToUtf8(), "washitu1");
    ASSERT_NE(window->GetScene().RenderModel(0), nullptr);
    EXPECT_NE(window->GetScene().RenderModel(1), nullptr);
    EXPECT_NE(window->GetScene().RenderModel(2), nullptr);
    EXPECT_EQ(window->GetScene().RenderModelGpu(0)->skinning, 1);
    EXPECT_GT(window->GetScene().LoadMilliseconds(), 0.0);
    // The ticks keep painting on their own.
    EXPECT_TRUE(WaitFrames(2));
}

// 3 a tick while ticks keep up; slow frames make ticks late, and a late tick
// adds the time's worth (never more than 10 s of it).
TEST_F(DisplayWindowTest, TickAdvancesFrameCounterByTheClock) {
    std::uint32_t c0 = 0;
    std::uint64_t t0 = 0;
    {
        Scene::Still lock(window->GetScene());
        window->GetScene().RenderModel(0)->activeAnimation = -1;  // nothing plays, so nothing resets the counter
        c0 = window->GetScene().RenderModel(0)->frameCounter;
        t0 = window->GetScene().TickCount();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->GetScene().TickCount() >= t0 + 2; }, kWaitMs));
    Scene::Still lock(window->GetScene());
    const std::uint32_t c1 = window->GetScene().RenderModel(0)->frameCounter;
    const std::uint64_t t1 = window->GetScene().TickCount();
    EXPECT_GE(t1, t0 + 2);
    EXPECT_GE(static_cast<std::uint64_t>(c1 - c0), 3 * (t1 - t0));
    EXPECT_LE(static_cast<std::uint64_t>(c1 - c0), 1875 * (t1 - t0));
    window->GetScene().RenderModel(0)->activeAnimation = 0;
}

TEST_F(DisplayWindowTest, RightDragOrbitsWithClampAndWrap) {
    CViewCamera r = window->GetScene().Camera();
    r.RotationX = 1.5f;  // the settings' start values
    r.RotationZ = 1.5f;
    window->GetScene().SetCamera(r);

    // Down 100 px: the polar angle would be 1.5 - 3 = -1.5; it stops at 0.001.
    // Right 100 px: the azimuth 1.5 - 3 = -1.5 stays negative.
    Drag(Qt::RightButton, {200, 200}, {{300, 300}});
    r = window->GetScene().Camera();
    EXPECT_FLOAT_EQ(r.RotationX, 0.001f);
    EXPECT_FLOAT_EQ(r.RotationZ, -1.5f);

    // Up 100 px: 0.001 + 3 is past the horizontal; it stops at pi/2.
    // Right 300 px more: -1.5 - 9 = -10.5 wraps by one turn toward zero.
    Drag(Qt::RightButton, {300, 300}, {{450, 250}, {600, 200}});
    r = window->GetScene().Camera();
    EXPECT_FLOAT_EQ(r.RotationX, 1.5707964f);
    EXPECT_NEAR(r.RotationZ, Wrapped(-10.5), 1e-5);
    EXPECT_LT(r.RotationZ, 0.0f);

    // However far, the polar angle stays inside the range.
    // ThreadSanitizer judges by happens-before, not by luck of timing, so a
    // few rounds with ticks and paints between them are enough.
    for (int i = 0; i < 8; ++i) {
        Drag(Qt::RightButton, {100, 100}, {{100 + 37 * i, 100 + (i % 2 ? 900 : -900)}});
        r = window->GetScene().Camera();
        EXPECT_GE(r.RotationX, 0.001f);
        EXPECT_LE(r.RotationX, 1.5707964f);
        EXPECT_GT(r.RotationZ, -6.2831855f);
        EXPECT_LT(r.RotationZ, 6.2831855f);
    }
    // A plain move (no button) turns nothing.
    const float x = r.RotationX, z = r.RotationZ;
    Mouse(QEvent::MouseMove, {20, 20}, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseMove, {220, 320}, Qt::NoButton, Qt::NoButton);
    r = window->GetScene().Camera();
    EXPECT_EQ(r.RotationX, x);
    EXPECT_EQ(r.RotationZ, z);
    r.RotationX = 1.5f;
    r.RotationZ = 1.5f;
    UpdateEyeOffset(r);
    window->GetScene().SetCamera(r);
}

TEST_F(DisplayWindowTest, WheelZoomsWithFloor) {
    CViewCamera r = window->GetScene().Camera();
    const float start = r.Distance;
    // A notch is a fifth of the distance (1.2 at the start's 6); out undoes in.
    Wheel(120);
    r = window->GetScene().Camera();
    EXPECT_NEAR(r.Distance, start * 0.8f, 1e-5);
    Wheel(-240);
    r = window->GetScene().Camera();
    EXPECT_NEAR(r.Distance, start * 1.25f, 1e-5);
    for (int i = 0; i < 20; ++i) Wheel(120);
    r = window->GetScene().Camera();
    EXPECT_FLOAT_EQ(r.Distance, 0.1f);
    Wheel(-120);
    r = window->GetScene().Camera();
    EXPECT_NEAR(r.Distance, 0.125f, 1e-5);
    // In the room the eye stays inside the sky however far the wheel goes.
    for (int i = 0; i < 60; ++i) Wheel(-120);
    EXPECT_LE(window->GetScene().Camera().Distance, kRoomReach * 0.5f);
    r.Distance = start;
    UpdateEyeOffset(r);
    window->GetScene().SetCamera(r);
}

TEST_F(DisplayWindowTest, LeftDragPansAtAndLightTargetAlike) {
    CViewCamera r = window->GetScene().Camera();
    ASSERT_TRUE(WaitFrames(1));  // EyeOffset is that of the current camera
    r = window->GetScene().Camera();
    const Vector3 at0 = r.At;
    const Vector3 light0 = r.LightTarget;
    const Vector3 eye0 = r.EyeOffset;
    ASSERT_GT(std::abs(eye0.x) + std::abs(eye0.y) + std::abs(eye0.z), 1.0f);

    Drag(Qt::LeftButton, {100, 100}, {{130, 110}, {150, 120}});
    r = window->GetScene().Camera();
    const Vector3 moveAt = {r.At.x - at0.x, r.At.y - at0.y, r.At.z - at0.z};
    const Vector3 moveLight = {r.LightTarget.x - light0.x, r.LightTarget.y - light0.y, r.LightTarget.z - light0.z};
    // The same vector is added to both (rounded to each one's float).
    EXPECT_NEAR(moveAt.x, moveLight.x, 1e-6);
    EXPECT_NEAR(moveAt.y, moveLight.y, 1e-6);
    EXPECT_NEAR(moveAt.z, moveLight.z, 1e-6);
    EXPECT_EQ(r.EyeOffset.x, eye0.x);
    EXPECT_EQ(r.EyeOffset.y, eye0.y);
    EXPECT_EQ(r.EyeOffset.z, eye0.z);

    // (50, 20) px in the view plane: the point at the target's depth follows
    // the cursor, the view being 2 d tan(half angle) high there.
    const double perPixel = 2.0 * r.Distance * std::tan(static_cast<double>(kViewHalfFovY)) / window->height();
    const double sx = 50 * perPixel, sy = 20 * perPixel;
    const double length = std::sqrt(moveAt.x * moveAt.x + moveAt.y * moveAt.y + moveAt.z * moveAt.z);
    EXPECT_NEAR(length, std::sqrt(sx * sx + sy * sy), 1e-3);
    const double along = moveAt.x * eye0.x + moveAt.y * eye0.y + moveAt.z * eye0.z;
    EXPECT_NEAR(along, 0.0, 1e-3);

    // The next frame keeps the offset: only At moved.
    ASSERT_TRUE(WaitFrames(1));
    r = window->GetScene().Camera();
    EXPECT_NEAR(r.EyeOffset.x, eye0.x, 1e-6);
    EXPECT_NEAR(r.EyeOffset.y, eye0.y, 1e-6);
    EXPECT_NEAR(r.EyeOffset.z, eye0.z, 1e-6);
    r.At = at0;
    r.LightTarget = light0;
    window->GetScene().SetCamera(r);
}

TEST_F(DisplayWindowTest, PresentsTheBackBufferUprightAndStretched) {
    window->resize(768, 540);  // half the targets in each direction
    // Paused, every frame is the same: the one shown is the one read.
    window->GetScene().TogglePause();
    ASSERT_TRUE(WaitFrames(2));
    std::vector<unsigned char> back(1536 * 1080 * 4);
    window->GetScene().RunOnRenderThread(
        [&] { CRenderer::ReadTarget(window->GetScene().Renderer()->BackBuffer(), 1536, 1080, back.data()); });
    const QImage shot = window->grabFramebuffer();
    window->GetScene().TogglePause();
    window->resize(640, 360);
    shot.save(UiShotPath("display_window.png"));
    ASSERT_EQ(shot.width(), 768);
    ASSERT_EQ(shot.height(), 540);
    // Compare 2 x 2 block averages, which the linear halving reproduces.
    int compared = 0;
    for (int y = 10; y < 540; y += 53) {
        for (int x = 10; x < 768; x += 67) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) sum += back[((2 * y + dy) * 1536 + 2 * x + dx) * 4 + c];
                const QColor px = shot.pixelColor(x, y);
                const int got = c == 0 ? px.red() : (c == 1 ? px.green() : px.blue());
                EXPECT_NEAR(got, sum / 4, 12) << "at " << x << "," << y << " channel " << c;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 50);
    // The frame (top-left, the render size) shows more than a clear colour.
    std::vector<QRgb> colours;
    for (int y = 0; y < 135; y += 9)
        for (int x = 0; x < 192; x += 9) {
            const QRgb c = shot.pixel(x, y);
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
        }
    EXPECT_GE(colours.size(), 3u);
}

TEST_F(DisplayWindowTest, SpaceTogglesFullScreenAndRestores) {
    QSignalSpy spy(window, &CDispWindow::FullScreenChanged);
    window->activateWindow();
    window->setFocus();
    ASSERT_FALSE(window->isMaximized());

    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(window->FullScreen());
    EXPECT_TRUE(window->isFullScreen());
    const QImage full = window->grabFramebuffer();  // drawn from the screen target
    full.save(UiShotPath("display_window_full_screen.png"));
    EXPECT_EQ(full.size(), window->size() * window->devicePixelRatio());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(window->FullScreen());
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_FALSE(window->isMaximized());
    ASSERT_EQ(spy.count(), 2);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    EXPECT_FALSE(spy.at(1).at(0).toBool());

    // From maximised, two presses come back to maximised.
    window->showMaximized();
    ASSERT_TRUE(window->isMaximized());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(window->isFullScreen());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_FALSE(window->isFullScreen());
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
}

TEST_F(DisplayWindowTest, ReplaceModelAndAddAnimation) {
    Scene& scene = window->GetScene();
    auto model = RoomModel(room->folder, "washitu3");
    const CModel* raw = model.get();
    EXPECT_TRUE(displaytest::ReplaceAndWait(scene, std::move(model)));
    EXPECT_EQ(scene.CurrentModel(), raw);
    ASSERT_NE(scene.RenderModel(0), nullptr);
    EXPECT_EQ(scene.RenderModel(0)->name.ToUtf8(), "washitu3");

    // A read that fails copies nothing; the last animation is active.
    const int before = scene.RenderModel(0)->animations.Count();
    EXPECT_FALSE(displaytest::AddAndWait(scene, room->folder.filePath("missing.ani").toStdString()));
    EXPECT_EQ(scene.RenderModel(0)->animations.Count(), before);
    EXPECT_EQ(scene.RenderModel(0)->activeAnimation, before - 1);
    EXPECT_TRUE(displaytest::AddAndWait(scene, WalkFile("washitu3")));
    EXPECT_EQ(scene.RenderModel(0)->activeAnimation, before);
    EXPECT_EQ(scene.RenderModel(0)->animations[before]->id.ToUtf8(), "walk");
    EXPECT_EQ(scene.Snapshot().animations.size(), static_cast<std::size_t>(before + 1));
    ASSERT_TRUE(WaitFrames(1));

    // A null model leaves the display without one; frames go on.
    EXPECT_FALSE(displaytest::ReplaceAndWait(scene, nullptr));
    EXPECT_EQ(scene.RenderModel(0), nullptr);
    EXPECT_FALSE(scene.Snapshot().hasModel);
    EXPECT_FALSE(displaytest::AddAndWait(scene, WalkFile("washitu3")));
    ASSERT_TRUE(WaitFrames(1));
}

// Ticks, paints and model replacements together; the TSan stage runs it
// (its filter picks "Thread" names).
TEST_F(DisplayWindowTest, ThreadsTickPaintAndReplaceModelManyTimes) {
    Scene& scene = window->GetScene();
    const std::uint64_t ticks0 = scene.TickCount();
    int imported = 0;
    // ThreadSanitizer judges by happens-before, not by luck of timing, so a
    // few rounds with ticks and paints between them are enough.
    for (int i = 0; i < 8; ++i) {
        auto model = RoomModel(room->folder, "washitu1");
        imported = model->animations.Count();
        scene.ReplaceModel(std::move(model));
        scene.AddAnimation(WalkFile("washitu1"));
        scene.ClearShadowFlags();
        QTest::qWait(1);  // a tick's paint may run in between
    }
    scene.WaitUntilIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene.TickCount() >= ticks0 + 2; }, kWaitMs));
    Scene::Still still(scene);
    EXPECT_EQ(scene.RenderModel(0)->animations.Count(), imported + 1);
}

// The render thread as the TSan stage sees it: models replaced and
// animations added while frames draw, answers coming back as events, and the
// window closed with a frame under way and file work queued.
TEST(DisplayRenderThread, ReplacesWhileDrawingAndClosesDuringAFrame) {
    RoomWindow room;
    ASSERT_TRUE(room.running);
    Scene& scene = room.window->GetScene();
    for (int i = 0; i < 4; ++i) {
        scene.ReplaceModel(RoomModel(room.folder, "washitu3"));
        scene.AddAnimation(WalkFile("washitu3"));
        scene.ChooseAnimation(0);
        QTest::qWait(30);  // frames and jobs interleave
    }
    scene.WaitUntilIdle();
    int built = 0, added = 0;
    for (const SceneEvent& e : scene.TakeEvents()) {
        built += e.kind == SceneEvent::Kind::ModelOpened && e.status.IsOk();
        added += e.kind == SceneEvent::Kind::AnimationAdded && e.animationIndex >= 0;
    }
    EXPECT_EQ(built, 4);
    EXPECT_EQ(added, 4);
    {
        Scene::Still still(scene);
        ASSERT_NE(scene.RenderModel(0), nullptr);
        EXPECT_EQ(scene.RenderModel(0)->name.ToUtf8(), "washitu3");
    }
    const std::uint64_t frames = scene.FramesRendered();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scene.FramesRendered() > frames; }, kWaitMs));
    scene.OpenModel(room.folder.filePath("model/washitu/washitu1.dae").toStdString());
    scene.ReplaceModel(std::make_unique<CModel>());
    room.window.reset();
}

// In the interface's language: Japanese here, the texts' own test covers English.
TEST(DisplayWindowLoad, MissingRoomFileAndSkyImageAreReportedOnce) {
    SetInterfaceLanguage(CLanguage::kJapanese);
    RoomWindow room([](const QString& root) {
        QFile::remove(root + "/model/washitu/washitu2.dae");
        displaytest::WriteText(root + "/model/washitu/washitu3.dae", "<COLLADA><broken");
        QFile::remove(root + "/img/moon.png");
    });
    SetInterfaceLanguage(CLanguage::kEnglish);
    ASSERT_TRUE(room.running);
    CDispWindow* window = room.window.get();
    // A few more ticks: the report is not repeated.
    const std::uint64_t ticks = window->GetScene().TickCount();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->GetScene().TickCount() >= ticks + 2; }, kWaitMs));
    ASSERT_EQ(room.problemSpy->count(), 1);
    const QString message = room.problemSpy->at(0).at(0).toString();
    EXPECT_TRUE(message.contains("washitu2.dae")) << message.toStdString();
    EXPECT_TRUE(message.contains("washitu3.dae")) << message.toStdString();
    EXPECT_TRUE(message.contains("moon.png")) << message.toStdString();
    EXPECT_EQ(message.count(QStringLiteral("取り込めません")), 2) << message.toStdString();
    EXPECT_TRUE(message.startsWith(QStringLiteral("空の画像 "))) << message.toStdString();
    EXPECT_FALSE(message.contains("washitu1.dae")) << message.toStdString();
    EXPECT_EQ(window->LoadProblems(), message);
    // The scene runs with what loaded.
    ASSERT_NE(window->GetScene().RenderModel(0), nullptr);
    EXPECT_GT(window->GetScene().RenderModelGpu(0)->meshes.Count(), 0);
}

TEST(DisplayWindowIdle, NothingPaintsBeforeTheScene) {
    UiTestApp();
    CDispWindow window;
    EXPECT_EQ(window.State(), SceneState::Created);
    window.resize(320, 200);
    window.show();  // shown, but never created: no tick, nothing loads
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.repaint();
    QTest::qWait(100);
    EXPECT_EQ(window.State(), SceneState::Created);
    EXPECT_EQ(window.GetScene().FramesRendered(), 0u);
    EXPECT_EQ(window.GetScene().Renderer(), nullptr);
    // Input before the scene exists moves nothing and does not crash.
    Drag(&window, Qt::RightButton, {10, 10}, {{50, 80}});
    Drag(&window, Qt::LeftButton, {10, 10}, {{50, 80}});
    Wheel(&window, 120);
    // The background shows, not uninitialised memory.
    const QImage shot = window.grabFramebuffer();
    EXPECT_EQ(shot.pixelColor(100, 100), QColor(220, 220, 220));
}

#if defined(__SANITIZE_THREAD__)
// The X and GL client libraries are not built with the sanitizer and the
// suppressions hide their lock calls, so a lock taken in one of them and
// released in another looks like a misused mutex. Races are still reported.
extern "C" const char* __tsan_default_options() { return "report_mutex_bugs=0"; }

#include <dlfcn.h>
// The sanitizer stops the process when a library named in a called_from_lib
// suppression is unloaded, as the GL driver is when the display closes at
// exit: keep the driver loaded for the life of the process.
namespace {
[[maybe_unused]] const bool kDriverPinned = [] {
    for (const char* lib : {"libGLX_mesa.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"})
        dlopen(lib, RTLD_NOW | RTLD_NODELETE);
    return true;
}();
}  // namespace
#endif
