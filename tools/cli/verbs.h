#pragma once
// The verbs of vorland-cli and what the command line gives them. Each verb
// returns the process exit code: 0 success, 1 a file could not be read,
// imported or written, 2 usage.
#include <string>
#include <vector>

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct InfoOptions {
    std::string file;
    bool timing = false;  // import time on stderr
};

struct ConvertOptions {
    std::vector<std::string> inputs;
    std::string output;  // OUT or OUT.mdl; empty with an output folder
    std::string outDir;  // each input to DIR/<stem>.mdl and .ani
    int jobs = 0;        // inputs converted at once with outDir; 0: one per core
};

// The render targets' size, the largest image render draws.
constexpr int kMaxImageWidth = 1536;
constexpr int kMaxImageHeight = 1080;

struct RenderOptions {
    std::string input;
    std::string output;  // .png, .jpg, .jpeg or .bmp
    int width = kMaxImageWidth;
    int height = kMaxImageHeight;
    double time = 0.0;
    bool room = false;       // --room, the same as --view room
    std::string view;        // "inspect", "room" or empty (the model alone)
    bool timings = false;    // per-pass milliseconds of a room or inspection frame on stderr
    bool fit = false;        // the camera framed on the posed model, from the front
    bool bones = false;      // the bones over the model
    bool wireframe = false;  // the model's edges over it
    bool noGrid = false;     // the inspection view without its ground grid
};

struct SettingsOptions {
    std::string dir = ".";
};

int RunInfo(const InfoOptions& options);
int RunConvert(const ConvertOptions& options);
// Runs vorland-render, which lies beside this executable, with the
// arguments after "render" (already checked).
int RunRender(int argc, char** argv);
int RunSettings(const SettingsOptions& options);
