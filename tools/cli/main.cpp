// vorland-cli: inspects, converts and renders models from scripts.
#include "tools/cli/command_line.h"

int main(int argc, char** argv) {
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
