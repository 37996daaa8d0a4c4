// vorland-cli render runs vorland-render, the one executable that links the
// renderer (OpenGL, EGL, Qt's image writers): the other verbs start without
// loading any of them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/data_paths.h"
#include "tools/cli/verbs.h"

namespace {

// vorland-render beside this executable, or installed in libexec/vorland/.
std::string RendererPath() { return HelperProgram(ThisProcessInputs().executable, "vorland-render"); }

}  // namespace

int RunRender(int argc, char** argv) {
    const std::string renderer = RendererPath();
    std::vector<char*> args{const_cast<char*>(renderer.c_str())};
    int first = 1;
    while (first < argc && std::strcmp(argv[first], "render") != 0) ++first;
    for (int i = first + 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(renderer.c_str(), args.data());
    std::fprintf(stderr, "vorland-cli: render is not available: cannot run %s (%s)\n", renderer.c_str(),
                 std::strerror(errno));
    return kExitFailed;
}
