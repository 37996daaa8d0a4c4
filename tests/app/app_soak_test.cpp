// A soak run of the whole viewer: round after round of the file actions
// through the menu buttons and the select-file dialog (open a COLLADA
// figure, write it as .mdl and .ani over the files of the round before,
// open the .mdl in its place, add the .ani to it twice) while the display
// ticks and draws. Every written file must read back with what the viewer
// holds, nothing may be reported, and the heap must stay flat after the
// warm-up rounds.
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/animation_list_window.h"
#include "app/application.h"
#include "app/disp_window.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "settings/settings.h"
#include "app/shell_buttons.h"
#include "collada/collada.h"
#include "model/animation.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model.h"
#include "model/render_model.h"
#include "render/render_model_gpu.h"
#include "tests/app/app_test_env.h"
#include "ui/confirm_dialog.h"

using apptest::Click;
using apptest::RunAction;
using apptest::WaitFor;

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizer's allocator: mallinfo2 says nothing
#else
constexpr bool kSanitized = false;
#endif

constexpr int kWarmUpRounds = 20;
// Allowed growth of the heap and of the resident set from the end of the
// warm-up to the end. Each round frees two figures with their render models
// and builds two; losing just the smaller figure once a round must break
// the bound several times over (checked below against its measured size).
constexpr long long kGrowthBound = 192ll << 10;
// Frames on llvmpipe cost about a second at the full render size; the
// soak is about the models, not the pixels, so it draws small ones.
const QByteArray kSmallFrames = "ScreenWidth = 384\r\nScreenHeight = 270\r\n";

int Rounds() {
    const char* text = std::getenv("VORLAND_SOAK_ROUNDS");
    const int n = text ? std::atoi(text) : 0;
    return n > kWarmUpRounds ? n : 200;
}

// Bytes the allocator has handed out and not had back (both in its arenas
// and mapped on their own), and the resident set after giving free pages
// back to the system.
struct Memory {
    long long heap = 0;
    long long resident = 0;
};

Memory MeasureMemory() {
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    Memory m;
    m.heap = static_cast<long long>(info.uordblks + info.hblkhd);
    long long size = 0, pages = 0;
    std::ifstream("/proc/self/statm") >> size >> pages;
    m.resident = pages * sysconf(_SC_PAGESIZE);
    return m;
}

double Mb(long long bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

// What one imported figure holds on the heap: the least a round would leak
// if it lost a model.
long long ModelHeapBytes(const QString& path, const CName& extDae) {
    const long long before = MeasureMemory().heap;
    long long held = 0;
    {
        CModel model;
        if (!LoadCollada(model, path.toStdString(), extDae)) return 0;
        held = MeasureMemory().heap - before;
    }
    return held;
}

// A write of `name` typed with `extension` when `ask` (the file exists: the
// overwrite question must come, and its OK button answers it). Otherwise
// the name is typed bare after `target` was removed, so no question may
// come (asked about each time, the soak would draw a frame per answer).
void WriteAs(CApplication& app, CCustomButton* menuButton, const QString& name, const QString& extension, bool ask,
             const QString& target) {
    if (!ask) QFile::remove(target);
    CConfirmDialog* confirm = app.SelectFileDialog()->ConfirmDialog();
    bool asked = false;
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!confirm->waiting || !confirm->isVisible()) {
            answer.start(5);  // not asked yet
            return;
        }
        asked = true;
        Click(confirm->OkButton());
    });
    if (ask) answer.start(0);
    RunAction(app, menuButton, ask ? name + extension : name);
    answer.stop();
    EXPECT_EQ(asked, ask);
    EXPECT_FALSE(confirm->isVisible());
}

void ExpectSameModel(const CModel& read, const CModel& held) {
    EXPECT_EQ(read.name.ToUtf8(), held.name.ToUtf8());
    EXPECT_EQ(read.materials.Count(), held.materials.Count());
    EXPECT_EQ(read.textures.Count(), held.textures.Count());
    EXPECT_EQ(read.bones.Count(), held.bones.Count());
    EXPECT_EQ(read.rootBones.Count(), held.rootBones.Count());
    ASSERT_EQ(read.geometries.Count(), held.geometries.Count());
    for (int i = 0; i < held.geometries.Count(); ++i) {
        const CGeometry& a = *read.geometries[i];
        const CGeometry& b = *held.geometries[i];
        EXPECT_EQ(a.vertexCount, b.vertexCount);
        EXPECT_EQ(a.weightCount, b.weightCount);
        EXPECT_EQ(a.floatArrays.Count(), b.floatArrays.Count());
        ASSERT_EQ(a.polygonData.Count(), b.polygonData.Count());
        for (int k = 0; k < b.polygonData.Count(); ++k)
            EXPECT_EQ(a.polygonData[k]->vertexIndices.Count(), b.polygonData[k]->vertexIndices.Count());
    }
}

void ExpectSameAnimation(const CAnimation& read, const CAnimation& held) {
    ASSERT_EQ(read.channels.Count(), held.channels.Count());
    for (int i = 0; i < held.channels.Count(); ++i) {
        EXPECT_EQ(read.channels[i]->targetId.ToUtf8(), held.channels[i]->targetId.ToUtf8());
        EXPECT_EQ(read.channels[i]->keyTimes.Count(), held.channels[i]->keyTimes.Count());
        EXPECT_EQ(read.channels[i]->poseMatrices.Count(), held.channels[i]->poseMatrices.Count());
    }
}

// The .mdl just written holds the viewer's model without its animations.
void ExpectModelFile(const QString& path, const CModel& held) {
    CModel read;
    ASSERT_TRUE(ReadModel(read, path.toStdString())) << path.toStdString();
    ExpectSameModel(read, held);
    EXPECT_EQ(read.animations.Count(), 0);
}

// The .ani just written holds the model's first animation, named as typed,
// and fits the model (the reader checks the target).
void ExpectAnimationFile(const QString& path, const CModel& held, const char* id) {
    CModel read;
    read.name = held.name;
    ASSERT_TRUE(ReadAnimation(read, path.toStdString())) << path.toStdString();
    ASSERT_EQ(read.animations.Count(), 1);
    EXPECT_EQ(read.animations[0]->id.ToUtf8(), id);
    ExpectSameAnimation(*read.animations[0], *held.animations[0]);
}

bool HasTexture(const CRenderModelGpu& model) {
    for (unsigned int texture : model.textures)
        if (texture != 0) return true;
    return false;
}

// Nothing reported, the scene still running.
void ExpectQuiet(CApplication& app) {
    EXPECT_FALSE(app.MessageDialog()->isVisible()) << app.MessageDialog()->Text().toStdString();
    EXPECT_FALSE(app.SelectFileDialog()->isVisible());
    EXPECT_EQ(app.Display()->State(), SceneState::Running);
}

// Lets the display catch up (queued paints, deferred deletes) before memory
// is measured, so that both measurements see the same settled state.
void Settle(CDispWindow* display) {
    const std::uint64_t frames = display->GetScene().FramesRendered();
    WaitFor([&] { return display->GetScene().FramesRendered() >= frames + 2; }, 30000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The least of a run of measurements a few frames apart: what a frame holds
// on to for a while is left out; a lost figure a round raises every one.
Memory SettledMemory(CDispWindow* display) {
    constexpr int kSamples = 16;
    Memory least;
    for (int i = 0; i < kSamples; ++i) {
        Settle(display);
        Scene::Still hold(display->GetScene());
        const Memory m = MeasureMemory();
        least.heap = i == 0 ? m.heap : std::min(least.heap, m.heap);
        least.resident = i == 0 ? m.resident : std::min(least.resident, m.resident);
    }
    return least;
}

}  // namespace

TEST(AppSoak, FileActionRoundsKeepMemoryFlat) {
    const QString letter = QStringLiteral(VORLAND_CORPUS_DIR "/blender/letter-f-animated.dae");
    ASSERT_TRUE(QFileInfo::exists(letter)) << "missing test data: " << letter.toStdString();
    // A fixed mmap threshold: glibc would otherwise raise it (and its trim
    // threshold) after a large free, so the two measurements would not see
    // the allocator in the same state.
    mallopt(M_MMAP_THRESHOLD, 128 << 10);
    // The software GL driver's rasterizer threads hold and free their
    // binning memory on their own schedule: with them, the heap in use swung
    // by 2-4 MB from frame to frame and from run to run with no allocation
    // of ours behind it. Rasterizing on the render thread makes it steady
    // (within 0.05 MB); set before the first context, no other driver reads it.
    ::setenv("LP_NUM_THREADS", "0", 1);
    apptest::Viewer v(true, nullptr, kSmallFrames);
    ASSERT_TRUE(v.ok);
    // Two figures in turn: the corpus letter and the bundled cat, whose
    // texture is loaded and freed every other round.
    const QString washitu = QStringLiteral(VORLAND_SOURCE_DIR "/model/washitu/");
    ASSERT_TRUE(QFile::copy(letter, v.root + "/letter.dae"));
    ASSERT_TRUE(QFile::copy(washitu + "washitu1.dae", v.root + "/cat.dae"));
    ASSERT_TRUE(QFile::copy(washitu + "washitu1_cat.png", v.root + "/washitu1_cat.png"));
    const QString figures[2] = {QStringLiteral("letter.dae"), QStringLiteral("cat.dae")};

    CApplication& app = *v.app;
    ASSERT_TRUE(v.WaitRunning());
    CDispWindow* display = app.Display();
    ASSERT_EQ(display->LoadProblems(), QString());
    CMenuWindow* menu = app.Menu();
    CAnimationListWindow* list = menu->AnimationList();
    const QString mdl = v.root + "/soak.mdl", ani = v.root + "/soak.ani";

    const int rounds = Rounds();
    // Measured with the render thread held between two frames: a frame's
    // own memory comes and goes with it.
    long long smallestModel = 0;
    {
        Scene::Still hold(display->GetScene());
        smallestModel = std::min(ModelHeapBytes(v.root + "/letter.dae", app.Settings()->ExtDae),
                                 ModelHeapBytes(v.root + "/cat.dae", app.Settings()->ExtDae));
    }
    Memory warm;
    const std::uint64_t ticks0 = display->GetScene().TickCount(), frames0 = display->GetScene().FramesRendered();
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < rounds && !::testing::Test::HasFailure(); ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        if (round == kWarmUpRounds) warm = SettledMemory(display);
        RunAction(app, menu->ModelOpenButton(), figures[round % 2]);
        ExpectQuiet(app);
        const CModel* figure = display->GetScene().CurrentModel();
        ASSERT_NE(figure, nullptr);
        ASSERT_GE(figure->animations.Count(), 1);
        ASSERT_EQ(list->AnimationCount(), figure->animations.Count());
        ASSERT_NE(display->GetScene().RenderModel(0), nullptr);
        if (round % 2) {
            EXPECT_TRUE(HasTexture(*display->GetScene().RenderModelGpu(0)));  // the cat's, loaded again
        }

        // From the second round on the files exist: the question comes and
        // OK answers it. Each answer lets the tick draw a frame, so every
        // other round asks, in turn for the model and the animation; the
        // other writes go to a name just removed.
        const bool askModel = round % 4 == 1, askAnimation = round % 4 == 3;
        WriteAs(app, menu->ModelWriteButton(), QStringLiteral("soak"), QStringLiteral(".mdl"), askModel, mdl);
        ExpectQuiet(app);
        ExpectModelFile(mdl, *figure);
        WriteAs(app, menu->AnimWriteButton(), QStringLiteral("soak"), QStringLiteral(".ani"), askAnimation, ani);
        ExpectQuiet(app);
        ExpectAnimationFile(ani, *figure, "soak");

        RunAction(app, menu->ModelOpenButton(), QStringLiteral("soak.mdl"));
        ExpectQuiet(app);
        const CModel* reopened = display->GetScene().CurrentModel();
        ASSERT_NE(reopened, nullptr);
        ExpectModelFile(mdl, *reopened);
        ASSERT_NE(display->GetScene().RenderModel(0), nullptr);
        if (round % 2) {
            EXPECT_TRUE(HasTexture(*display->GetScene().RenderModelGpu(0)));
        }
        for (int added = 1; added <= 2; ++added) {
            RunAction(app, menu->AnimOpenButton(), QStringLiteral("soak.ani"));
            ExpectQuiet(app);
            ASSERT_EQ(reopened->animations.Count(), added);
            ASSERT_EQ(list->AnimationCount(), added);
            ASSERT_NE(display->GetScene().RenderModel(0), nullptr);
            EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, added - 1);
        }
        ExpectAnimationFile(ani, *reopened, "soak");
    }
    const Memory end = SettledMemory(display);
    const double seconds = clock.elapsed() / 1000.0;
    const std::uint64_t ticks = display->GetScene().TickCount() - ticks0,
                        frames = display->GetScene().FramesRendered() - frames0;
    std::printf(
        "soak: %d rounds in %.1f s, %llu ticks, %llu frames drawn\n"
        "soak: heap in use %.2f MB after %d rounds, %.2f MB at the end (%+.2f MB)\n"
        "soak: resident %.2f MB after %d rounds, %.2f MB at the end (%+.2f MB)\n"
        "soak: bound %+.2f MB; the smaller figure holds %.1f KB, %.2f MB over the rounds after the warm-up\n",
        rounds, seconds, static_cast<unsigned long long>(ticks), static_cast<unsigned long long>(frames), Mb(warm.heap),
        kWarmUpRounds, Mb(end.heap), Mb(end.heap - warm.heap), Mb(warm.resident), kWarmUpRounds, Mb(end.resident),
        Mb(end.resident - warm.resident), Mb(kGrowthBound), smallestModel / 1024.0,
        Mb(smallestModel * (rounds - kWarmUpRounds)));
    std::fflush(stdout);
    if (::testing::Test::HasFailure()) return;
    // The tick went on and frames were drawn between the actions.
    EXPECT_GT(ticks, 0u);
    EXPECT_GE(frames, static_cast<std::uint64_t>(rounds / 4));
    if (kSanitized) return;  // the sanitizer's allocator and quarantine: its own leak check stands instead
    const long long oneFigureARound = smallestModel * (rounds - kWarmUpRounds);
    EXPECT_GT(oneFigureARound, 3 * kGrowthBound) << "the bound would not see a lost figure a round";
    EXPECT_LT(end.heap - warm.heap, kGrowthBound);
    EXPECT_LT(end.resident - warm.resident, kGrowthBound);
}
