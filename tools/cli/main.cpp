#include <cstdio>
#include <cstring>

#include "tools/cli/verbs.h"

namespace {
constexpr const char* kUsage =
    "usage: vorland-cli info FILE [--timing]\n"
    "       vorland-cli convert IN.dae OUT\n"
    "       vorland-cli render FILE -o OUT.png [--width W] [--height H] [--time T] [--room] [--timings]\n"
    "       vorland-cli settings [DIR]\n";
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const Args args(argv + 2, argv + argc);
    const char* verb = argv[1];
    if (std::strcmp(verb, "info") == 0) return RunInfo(args);
    if (std::strcmp(verb, "convert") == 0) return RunConvert(args);
    if (std::strcmp(verb, "render") == 0) return RunRender(args);
    if (std::strcmp(verb, "settings") == 0) return RunSettings(args);
    std::fputs(kUsage, stderr);
    return 2;
}
