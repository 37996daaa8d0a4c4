#pragma once
// The command line of vorland-cli and of its renderer vorland-render, parsed
// in one place so both accept the same options and name the same errors.
#include "tools/cli/verbs.h"

enum class Verb { kInfo, kConvert, kRender, kSettings };

struct CommandLine {
    Verb verb = Verb::kInfo;
    InfoOptions info;
    ConvertOptions convert;
    RenderOptions render;
    SettingsOptions settings;
};

// Parses `vorland-cli VERB ...`. Returns -1 when the verb should run, or the
// exit code when the command line was answered (help, version) or wrong; the
// text is already printed (help on stdout, errors as one line on stderr).
int ParseCommandLine(int argc, char** argv, CommandLine* out);
// Parses the arguments of `vorland-cli render` (argv[0] is the program).
int ParseRenderCommandLine(int argc, char** argv, RenderOptions* out);

// "vorland-cli 1.6", with the commit when the build knows it.
const char* VersionText();
