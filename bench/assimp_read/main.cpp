// One Assimp import in a process of its own, no post-processing: the
// whole-process yardstick for `vorland-cli info FILE`.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vorland-assimp-read FILE\n", stderr);
        return 2;
    }
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(argv[1], 0);
    if (!scene) {
        std::fprintf(stderr, "vorland-assimp-read: %s\n", importer.GetErrorString());
        return 1;
    }
    std::printf("%u meshes\n", scene->mNumMeshes);
    return 0;
}
