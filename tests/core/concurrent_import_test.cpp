// Imports run on the loader thread and on the interface thread at the same
// time, each into its own model. They share no state, so two threads must get
// exactly what one thread gets. Run under ThreadSanitizer by scripts/test.d.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "collada/collada.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "platform/file_io.h"
#include "test_files.h"

namespace {

struct Imported {
    bool ok = false;
    std::string mdl;
    std::string ani;
};

Imported Import(const std::string& path) {
    Imported r;
    CModel model;
    CName ext;
    ext.SetAscii(".dae");
    r.ok = LoadCollada(model, path, ext).IsOk();
    r.mdl = SerializeModel(model);
    CName id;
    id.SetAscii("anim");
    (void)SerializeAnimation(model, id, r.ani);  // empty without an animation
    // Read the written form back on the same thread as well.
    CModel again;
    (void)ParseModel(again, r.mdl);
    if (!r.ani.empty()) (void)ParseAnimation(again, r.ani);
    return r;
}

std::vector<std::string> CorpusModels() {
    const std::filesystem::path dir = std::filesystem::path(VORLAND_CORPUS_DIR) / "blender";
    std::vector<std::string> files;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const char* name : {"animated-blender-cube.dae", "two-skinned-cubes.dae", "leg-with-control-bones.dae",
                             "letter-f-animated.dae"}) {
        if (std::filesystem::exists(dir / name)) files.push_back((dir / name).string());
    }
    return files;
}

}  // namespace

TEST(ConcurrentImport, ThreadsImportingTheirOwnModelsGetWhatOneThreadGets) {
    const std::vector<std::string> files = CorpusModels();
    ASSERT_FALSE(files.empty()) << "missing test data in " << VORLAND_CORPUS_DIR;
    std::vector<Imported> expected;
    for (const std::string& f : files) expected.push_back(Import(f));

    for (int round = 0; round < 2; ++round) {
        std::vector<Imported> got(files.size());
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < files.size(); ++i) threads.emplace_back([&, i] { got[i] = Import(files[i]); });
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(files[i]);
            EXPECT_EQ(got[i].ok, expected[i].ok);
            EXPECT_EQ(got[i].mdl, expected[i].mdl);
            EXPECT_EQ(got[i].ani, expected[i].ani);
        }
    }
}

TEST(ConcurrentImport, ThreadsWritingBesideEachOtherKeepTheirFiles) {
    const ScratchDir scratch;
    const std::filesystem::path& dir = scratch.Path();
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::vector<char> ok(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::string path = (dir / "shared.bin").string();
            const std::string mine(100000 + t, static_cast<char>('a' + t));
            bool all = true;
            for (int i = 0; i < 20; ++i) all = WriteFileAtomically(path, mine) && all;
            ok[t] = all;
        });
    }
    for (std::thread& t : threads) t.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_TRUE(ok[t]);
    // Whoever renamed last, the file is one writer's complete bytes.
    const auto bytes = ReadWholeFile((dir / "shared.bin").string());
    ASSERT_TRUE(bytes.IsOk());
    ASSERT_GE(bytes->size(), 100000u);
    const int who = static_cast<int>(bytes->size()) - 100000;
    ASSERT_LT(who, kThreads);
    EXPECT_EQ(*bytes, std::string(100000 + who, static_cast<char>('a' + who)));
    std::size_t leftovers = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) leftovers += e.path().filename() != "shared.bin";
    EXPECT_EQ(leftovers, 0u);
}
