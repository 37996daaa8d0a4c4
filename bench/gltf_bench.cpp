// glTF import speed: the walking figure, written as .glb by Assimp's
// exporter (as `assimp export` writes it), read by our importer and by
// Assimp's.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "gltf/gltf.h"

#ifdef VORLAND_HAVE_ASSIMP
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

namespace {

// The figure as .glb in the temporary folder, written once; empty on failure.
const std::string& FigureGlb() {
    static const std::string path = [] {
        const std::string dae = std::string(VORLAND_CORPUS_DIR) + "/blender/collada-demo-animated-male.dae";
        const std::string glb = (std::filesystem::temp_directory_path() / "vorland-bench-male.glb").string();
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(dae, 0);
        Assimp::Exporter exporter;
        return scene && exporter.Export(scene, "glb2", glb) == AI_SUCCESS ? glb : std::string();
    }();
    return path;
}

}  // namespace

static void BM_GltfImportAnimatedMale(benchmark::State& state) {
    if (FigureGlb().empty()) {
        state.SkipWithError("cannot write the figure as .glb");
        return;
    }
    for (auto _ : state) {
        CModel model;
        if (const Outcome loaded = LoadGltf(model, FigureGlb()); !loaded) state.SkipWithError(loaded.Why().c_str());
        benchmark::DoNotOptimize(model.geometries.Count());
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(FigureGlb())) / 1e6;
}
BENCHMARK(BM_GltfImportAnimatedMale)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_GltfAssimpAnimatedMale(benchmark::State& state) {
    if (FigureGlb().empty()) {
        state.SkipWithError("cannot write the figure as .glb");
        return;
    }
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(FigureGlb(), 0);
        if (!scene) state.SkipWithError(importer.GetErrorString());
        benchmark::DoNotOptimize(scene);
    }
}
BENCHMARK(BM_GltfAssimpAnimatedMale)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif
