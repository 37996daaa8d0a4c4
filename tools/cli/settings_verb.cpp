// vorland-cli settings [DIR]: the config.ini the viewer would write on exit.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "tools/cli/verbs.h"

int RunSettings(const SettingsOptions& options) {
    const std::string& dir = options.dir;
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "vorland-cli: %s is not a folder\n", dir.c_str());
        return kExitFailed;
    }
    // A folder without config.ini gives the defaults, as the viewer does.
    CSettings settings;
    const Outcome read = settings.ReadFile(dir + "/config.ini");
    for (const std::string& line : read.notes) std::fprintf(stderr, "vorland-cli: %s\n", line.c_str());
    const std::string text = settings.Serialize();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}
