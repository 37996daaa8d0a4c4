// vorland-scenegen [ROOT] [--sheet PNG]: writes the bundled scene (room
// models and textures, sky images, interface images) under ROOT (default:
// the current directory), and optionally a contact sheet of all images.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/file_io.h"
#include "tools/scenegen/scenegen.h"

int main(int argc, char** argv) {
    std::string root = ".", sheet;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else if (argv[i][0] == '-') {
            std::fputs("usage: vorland-scenegen [ROOT] [--sheet PNG]\n", stderr);
            return 2;
        } else {
            root = argv[i];
        }
    }
    std::string error;
    const auto files = scenegen::GenerateScene(&error);
    if (files.empty() || !scenegen::WriteScene(files, root, &error)) {
        std::fprintf(stderr, "vorland-scenegen: %s\n", error.c_str());
        return 1;
    }
    if (!sheet.empty() && !WriteFileAtomically(sheet, scenegen::ContactSheet(files))) {
        std::fprintf(stderr, "vorland-scenegen: cannot write %s\n", sheet.c_str());
        return 1;
    }
    std::printf("wrote %zu files under %s\n", files.size(), root.c_str());
    return 0;
}
