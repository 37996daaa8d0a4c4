// glTF import speed, beside Assimp's: the walking figure written as .glb by
// Assimp's exporter (as `assimp export` writes it), and a generated walker
// with its buffer and JPEG as base64 data URIs inside the JSON. Both files
// are written once to $TMPDIR/vorland-bench/ (figure.glb, walker.gltf),
// where hyperfine can read them too.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/skinned_gltf_generator.h"
#include "gltf/gltf.h"

#ifdef VORLAND_HAVE_ASSIMP
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

namespace {

namespace fs = std::filesystem;

fs::path BenchDir() {
    const fs::path dir = fs::temp_directory_path() / "vorland-bench";
    fs::create_directories(dir);
    return dir;
}

// The figure as .glb, written once; empty on failure.
const std::string& FigureGlb() {
    static const std::string path = [] {
        const std::string dae = std::string(VORLAND_CORPUS_DIR) + "/blender/collada-demo-animated-male.dae";
        const std::string glb = (BenchDir() / "figure.glb").string();
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(dae, 0);
        Assimp::Exporter exporter;
        return scene && exporter.Export(scene, "glb2", glb) == AI_SUCCESS ? glb : std::string();
    }();
    return path;
}

// The walker as .gltf with embedded data (about 700 KB), written once; empty on failure.
const std::string& WalkerGltf() {
    static const std::string path = [] {
        const std::string jpeg = EncodeNoiseJpeg(512, 512, 95);
        if (jpeg.empty()) return std::string();
        const std::string text = GenerateWalkerGltf(jpeg);
        const std::string gltf = (BenchDir() / "walker.gltf").string();
        std::ofstream out(gltf, std::ios::binary);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return out ? gltf : std::string();
    }();
    return path;
}

const std::string& Document(int which) { return which == 0 ? WalkerGltf() : FigureGlb(); }
const char* kDocumentNames[] = {"walker.gltf", "figure.glb"};

}  // namespace

static void BM_GltfImport(benchmark::State& state) {
    const std::string& path = Document(static_cast<int>(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the document");
        return;
    }
    state.SetLabel(kDocumentNames[state.range(0)]);
    for (auto _ : state) {
        CModel model;
        if (const Outcome loaded = LoadGltf(model, path); !loaded) state.SkipWithError(loaded.Why().c_str());
        benchmark::DoNotOptimize(model.geometries.Count());
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / 1e6;
}
BENCHMARK(BM_GltfImport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_GltfAssimp(benchmark::State& state) {
    const std::string& path = Document(static_cast<int>(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the document");
        return;
    }
    state.SetLabel(kDocumentNames[state.range(0)]);
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path, 0);
        if (!scene) state.SkipWithError(importer.GetErrorString());
        benchmark::DoNotOptimize(scene);
    }
}
BENCHMARK(BM_GltfAssimp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#if defined(VORLAND_CLI_PATH) && defined(VORLAND_ASSIMP_READ_PATH)
namespace {

// Wall-clock milliseconds of `program FILE...` from spawn to exit, output
// discarded; negative when it fails.
double RunProcessMs(const char* const* argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void WholeProcess(benchmark::State& state, const std::vector<const char*>& command) {
    const std::string& path = Document(static_cast<int>(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the document");
        return;
    }
    state.SetLabel(kDocumentNames[state.range(0)]);
    std::vector<const char*> argv = command;
    argv.push_back(path.c_str());
    argv.push_back(nullptr);
    for (auto _ : state) {
        const double ms = RunProcessMs(argv.data());
        if (ms < 0) {
            state.SkipWithError("the command failed");
            break;
        }
        state.SetIterationTime(ms / 1e3);
    }
}

}  // namespace

// Whole processes, as a user runs them: `vorland-cli info FILE` against one
// Assimp import in a process of its own (hyperfine measures the same).
static void BM_GltfCliInfoProcess(benchmark::State& state) { WholeProcess(state, {VORLAND_CLI_PATH, "info"}); }
BENCHMARK(BM_GltfCliInfoProcess)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_GltfAssimpProcess(benchmark::State& state) { WholeProcess(state, {VORLAND_ASSIMP_READ_PATH}); }
BENCHMARK(BM_GltfAssimpProcess)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif
#endif
