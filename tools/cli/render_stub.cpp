// Placeholder until the headless renderer lands.
#include <cstdio>

#include "tools/cli/verbs.h"

int RunRender(const Args&) {
    std::fputs("vorland-cli: render is not available in this build\n", stderr);
    return 1;
}
