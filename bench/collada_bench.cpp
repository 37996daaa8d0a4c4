// COLLADA import speed: the walking figure against Assimp, and generated
// skinned models of growing size (time per triangle should stay flat; peak
// memory is reported against the file size).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "bench/skinned_dae_generator.h"
#include "collada/collada.h"

#ifdef VORLAND_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#endif

namespace fs = std::filesystem;

namespace {

const std::string kMale = std::string(VORLAND_CORPUS_DIR) + "/blender/collada-demo-animated-male.dae";

CName DaeExt() {
    CName n;
    n.SetAscii(".dae");
    return n;
}

// Kilobytes from a "Name:   123 kB" line of /proc/self/status.
long StatusKb(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(f, line))
        if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
    return -1;
}

// Resets the peak resident size so the next reading covers only what runs
// after it. False where the kernel does not allow it.
bool ResetPeak() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.flush();
    return static_cast<bool>(f);
}

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Generated files live beside the build and are made once per size.
const std::string& GeneratedFile(long long triangles) {
    static std::map<long long, std::string> files;
    auto it = files.find(triangles);
    if (it != files.end()) return it->second;
    const fs::path dir = fs::temp_directory_path() / "vorland-bench";
    fs::create_directories(dir);
    const std::string path = (dir / ("skinned-" + std::to_string(triangles) + ".dae")).string();
    {
        const std::string text = GenerateSkinnedDae(triangles);
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return files[triangles] = path;
}

// Peak resident memory of one import above what the process held before:
// free heap is handed back first, so the import cannot hide in it.
long ImportPeakKb(const std::string& path) {
    malloc_trim(0);
    const long baseKb = StatusKb("VmRSS");
    if (!ResetPeak()) return -1;
    {
        CModel model;
        (void)LoadCollada(model, path, DaeExt());
        benchmark::DoNotOptimize(model.geometries.Count());
    }
    return StatusKb("VmHWM") - baseKb;
}

void ImportFile(benchmark::State& state, const std::string& path, bool coldHeap) {
    if (!fs::exists(path)) {
        state.SkipWithError("file not found");
        return;
    }
    const double bytes = static_cast<double>(fs::file_size(path));
    const double cpuStart = ProcessCpuMs();
    for (auto _ : state) {
        if (coldHeap) {
            // As in the viewer, which imports a file once: the import gets
            // fresh memory, not the heap the previous round left behind.
            state.PauseTiming();
            malloc_trim(0);
            state.ResumeTiming();
        }
        CModel model;
        if (const Outcome loaded = LoadCollada(model, path, DaeExt()); !loaded)
            state.SkipWithError(loaded.Why().c_str());
        benchmark::DoNotOptimize(model.geometries.Count());
    }
    // All threads' processor time: the import converts long lists on a
    // helper thread, which the per-thread CPU column does not see.
    state.counters["cpu_all_ms"] = (ProcessCpuMs() - cpuStart) / static_cast<double>(state.iterations());
    const long peakKb = ImportPeakKb(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peakKb / 1024.0 * 1.048576;
    state.counters["peak/file"] = peakKb * 1024.0 / bytes;
}

}  // namespace

static void BM_ImportAnimatedMale(benchmark::State& state) { ImportFile(state, kMale, false); }
BENCHMARK(BM_ImportAnimatedMale)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef VORLAND_HAVE_ASSIMP
static void BM_AssimpAnimatedMale(benchmark::State& state) {
    if (!fs::exists(kMale)) {
        state.SkipWithError("file not found");
        return;
    }
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(kMale, 0);
        if (!scene) state.SkipWithError(importer.GetErrorString());
        benchmark::DoNotOptimize(scene);
    }
}
BENCHMARK(BM_AssimpAnimatedMale)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

static void BM_ImportGeneratedSkinned(benchmark::State& state) {
    const long long triangles = state.range(0);
    ImportFile(state, GeneratedFile(triangles), state.range(1) != 0);
    state.SetItemsProcessed(state.iterations() * triangles);  // triangles per second
}
// Second argument: 1 = every round starts from a trimmed heap.
BENCHMARK(BM_ImportGeneratedSkinned)
    ->ArgsProduct({{10000, 100000, 1000000}, {0, 1}})
    ->ArgNames({"triangles", "cold"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Skeletons of many joints, each joint a scene node and an animation
// channel: bones are found by name and ID through an index, so the time per
// joint stays flat from 10 k to 100 k joints.
static void BM_ImportJoints(benchmark::State& state) {
    const int joints = static_cast<int>(state.range(0));
    static std::map<int, std::string> files;
    std::string& path = files[joints];
    if (path.empty()) {
        const fs::path dir = fs::temp_directory_path() / "vorland-bench";
        fs::create_directories(dir);
        path = (dir / ("joints-" + std::to_string(joints) + ".dae")).string();
        const std::string text = GenerateJointsDae(joints, 1);
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    ImportFile(state, path, false);
    state.SetItemsProcessed(state.iterations() * joints);  // joints per second
}
BENCHMARK(BM_ImportJoints)->ArgName("joints")->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

#ifdef VORLAND_CLI_PATH
namespace {

// One import in a process of its own, as the viewer imports a file once:
// `vorland-cli info FILE --timing` reports how long reading the file took.
// Returns milliseconds, negative on failure.
double ImportInFreshProcess(const std::string& path) {
    int err[2];
    if (pipe(err) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    const char* argv[] = {VORLAND_CLI_PATH, "info", path.c_str(), "--timing", nullptr};
    pid_t pid;
    const int spawned = posix_spawn(&pid, VORLAND_CLI_PATH, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(err[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; spawned == 0 && (n = read(err[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    close(err[0]);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const std::size_t at = text.find("import: ");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || at == std::string::npos) return -1;
    return std::atof(text.c_str() + at + 8);
}

}  // namespace

// The same files imported once per process: every round gets memory fresh
// from the system, as the viewer does. Repeated imports in one process let
// a small model reuse the heap the previous round freed, while a large one
// always maps new memory; this keeps both sizes on the same footing.
static void BM_ImportGeneratedSkinnedOneShot(benchmark::State& state) {
    const std::string& path = GeneratedFile(state.range(0));
    const double bytes = static_cast<double>(fs::file_size(path));
    for (auto _ : state) {
        const double ms = ImportInFreshProcess(path);
        if (ms < 0) {
            state.SkipWithError("vorland-cli info failed");
            break;
        }
        state.SetIterationTime(ms / 1e3);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["file_MB"] = bytes / 1e6;
}
// The figure's first import in a fresh process (cold) against
// BM_ImportAnimatedMale, which repeats it in one process (warm).
static void BM_ImportAnimatedMaleOneShot(benchmark::State& state) {
    for (auto _ : state) {
        const double ms = ImportInFreshProcess(kMale);
        if (ms < 0) {
            state.SkipWithError("vorland-cli info failed");
            break;
        }
        state.SetIterationTime(ms / 1e3);
    }
}
BENCHMARK(BM_ImportAnimatedMaleOneShot)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK(BM_ImportGeneratedSkinnedOneShot)
    ->ArgName("triangles")
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
#endif
