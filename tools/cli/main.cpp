// vorland-cli: inspects, converts and renders models from scripts.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/file_io.h"
#include "tools/cli/command_line.h"

namespace {

// Fault injection for the tests of interrupted writes:
// VORLAND_CLI_KILL_AT_WRITE_STEP=N kills the tool once step N of its writes
// is on disk, as kill -9 would.
int g_killAtStep = 0;
void KillAtStep(int step) {
    if (step == g_killAtStep) ::kill(::getpid(), SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* step = std::getenv("VORLAND_CLI_KILL_AT_WRITE_STEP")) {
        g_killAtStep = std::atoi(step);
        SetWriteStepHook(KillAtStep);
    }
    CommandLine line;
    const int answered = ParseCommandLine(argc, argv, &line);
    if (answered >= 0) return answered;
    switch (line.verb) {
        case Verb::kInfo: return RunInfo(line.info);
        case Verb::kConvert: return RunConvert(line.convert);
        case Verb::kRender: return RunRender(argc, argv);
        case Verb::kSettings: return RunSettings(line.settings);
    }
    return kExitUsage;
}
