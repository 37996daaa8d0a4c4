// Option parsing with CLI11. Values are checked here, so every verb starts
// with what it needs and every mistake is named with its option and value.
#include "tools/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vorland_commit.h"  // generated: VORLAND_COMMIT

namespace {

constexpr const char* kExitCodes =
    "Exit codes: 0 success, 1 a file could not be read, imported or written (one line on stderr), 2 usage.";

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// A whole number within [low, high], written as digits with an optional sign.
CLI::Validator WholeNumber(long long low, long long high, const std::string& limit) {
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            const long long v = std::strtoll(text.c_str(), &end, 10);
            const bool digits = !text.empty() && (std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-');
            if (!digits || *end != '\0') return Quoted(text) + " is not a whole number";
            if (errno == ERANGE || v > high) return text + " is above " + limit;
            if (v < low) return text + " is below " + std::to_string(low);
            return {};
        },
        "");
}

CLI::Validator NonNegativeNumber() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !std::isfinite(v)) return Quoted(text) + " is not a number";
            if (v < 0.0) return text + " is below 0";
            return {};
        },
        "");
}

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    if (s.size() < suffix.size()) return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = s[s.size() - suffix.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i]) return false;
    }
    return true;
}

CLI::Validator ImageFileName() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            for (const char* ext : {".png", ".jpg", ".jpeg", ".bmp"})
                if (EndsWithNoCase(text, ext)) return {};
            return Quoted(text) + " does not end in .png, .jpg, .jpeg or .bmp";
        },
        "");
}

void DefineRender(CLI::App& app, RenderOptions& o) {
    app.add_option("FILE", o.input, "the model: .dae, .gltf, .glb or .mdl")->required();
    app.add_option("-o", o.output, "the image to write; its extension chooses PNG, JPEG (.jpg, .jpeg) or BMP")
        ->required()
        ->type_name("OUT")
        ->check(ImageFileName());
    const std::string widthLimit = "the render targets' width " + std::to_string(kMaxImageWidth);
    const std::string heightLimit = "the render targets' height " + std::to_string(kMaxImageHeight);
    app.add_option("--width", o.width, "image width, 1 to " + std::to_string(kMaxImageWidth) + " (default)")
        ->type_name("W")
        ->check(WholeNumber(1, kMaxImageWidth, widthLimit));
    app.add_option("--height", o.height, "image height, 1 to " + std::to_string(kMaxImageHeight) + " (default)")
        ->type_name("H")
        ->check(WholeNumber(1, kMaxImageHeight, heightLimit));
    app.add_option("--time", o.time, "animation time in seconds (default 0)")
        ->type_name("T")
        ->check(NonNegativeNumber());
    CLI::Option* room = app.add_flag("--room", o.room,
                                     "draw the whole frame with the room (./model/washitu, else the installed one): "
                                     "lamps, shadows, sky, shafts (exit 1 when the room's files are not there)");
    app.add_option("--view", o.view,
                   "inspect: the model over a neutral background on a grid, evenly lit; room: as --room")
        ->type_name("VIEW")
        ->check(CLI::IsMember({"inspect", "room"}))
        ->excludes(room);
    app.add_flag("--timings", o.timings,
                 "each pass's wall-clock and CPU milliseconds on stderr (needs --room or --view)");
    app.add_flag("--fit", o.fit, "frame the posed model from the front (from -Y), whole");
    app.add_flag("--bones", o.bones, "draw the bones over the model");
    app.add_flag("--wireframe", o.wireframe, "draw the model's edges over it");
    app.add_flag("--no-grid", o.noGrid, "leave out the inspection view's ground grid");
}

// What the options cannot say alone: the passes timed are the room's or the
// inspection view's, so without either there is nothing to time.
int CheckRender(const RenderOptions& o) {
    if (o.timings && !o.room && o.view.empty()) {
        std::fputs("vorland-cli: --timings requires --room or --view\n", stderr);
        return kExitUsage;
    }
    return -1;
}

void Configure(CLI::App& app) {
    app.footer(kExitCodes);
    app.set_help_flag("-h,--help", "print this help and exit");
    app.get_formatter()->column_width(24);
}

// The exit code for a parse that ended the run, after printing its text.
int Finish(const CLI::App& app, const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
        // --help of the app or of the verb that was asked about.
        const CLI::App* asked = &app;
        for (const CLI::App* sub : app.get_subcommands()) asked = sub;
        std::fputs(asked == &app ? app.help().c_str() : asked->help(app.get_name()).c_str(), stdout);
        return kExitOk;
    }
    std::fprintf(stderr, "vorland-cli: %s\n", e.what());
    return kExitUsage;
}

}  // namespace

const char* VersionText() {
    static const std::string text =
        std::string("vorland-cli " VORLAND_VERSION) + (VORLAND_COMMIT[0] ? " (commit " VORLAND_COMMIT ")" : "");
    return text.c_str();
}

int ParseCommandLine(int argc, char** argv, CommandLine* out) {
    CLI::App app("Inspects, converts and renders skinned, animated models (.dae, .gltf, .glb, .mdl, .ani).",
                 "vorland-cli");
    Configure(app);
    bool version = false;
    app.add_flag("--version", version, "print the version and exit");
    app.require_subcommand(0, 1);

    CLI::App* info =
        app.add_subcommand("info", "print one JSON object with the counts of a .dae, .gltf, .glb, .mdl or .ani file");
    info->add_option("FILE", out->info.file, "the file to read")->required();
    info->add_flag("--timing", out->info.timing, "how long reading the file took, on stderr");

    CLI::App* convert = app.add_subcommand(
        "convert",
        "import .dae, .gltf, .glb or .mdl models and write each as .mdl and its first animation as .ani (animation id: "
        "OUT's base name)");
    std::vector<std::string> files;
    convert->add_option("FILES", files, "IN OUT (OUT or OUT.mdl), or IN... with --out-dir")->required()->type_name("");
    convert
        ->add_option("--out-dir", out->convert.outDir,
                     "write each IN as DIR/<stem>.mdl and .ani (DIR is made when missing); goes on past a failed file")
        ->type_name("DIR");
    convert->add_option("--jobs", out->convert.jobs, "with --out-dir, convert N inputs at once (default: one per core)")
        ->type_name("N")
        ->check(WholeNumber(1, 1024, "1024"));

    CLI::App* render = app.add_subcommand(
        "render", "draw one frame of a .dae, .gltf, .glb or .mdl model without a display (EGL) into an image");
    DefineRender(*render, out->render);

    CLI::App* settings = app.add_subcommand("settings", "print the config.ini the viewer would write on exit");
    settings->add_option("DIR", out->settings.dir, "the folder whose config.ini is read (default: the current one)");

    for (CLI::App* sub : {info, convert, render, settings}) Configure(*sub);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return Finish(app, e);
    }
    if (version) {
        std::printf("%s\n", VersionText());
        return kExitOk;
    }
    if (app.get_subcommands().empty()) {
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    if (convert->parsed()) {
        out->verb = Verb::kConvert;
        if (out->convert.outDir.empty()) {
            if (files.size() != 2) {
                std::fputs("vorland-cli: convert takes IN OUT, or IN... --out-dir DIR\n", stderr);
                return kExitUsage;
            }
            out->convert.output = files[1];
            files.pop_back();
        }
        out->convert.inputs = files;
    } else if (render->parsed()) {
        out->verb = Verb::kRender;
        return CheckRender(out->render);
    } else if (settings->parsed()) {
        out->verb = Verb::kSettings;
    } else {
        out->verb = Verb::kInfo;
    }
    return -1;
}

int ParseRenderCommandLine(int argc, char** argv, RenderOptions* out) {
    CLI::App app("Draws one frame of a model without a display (EGL) into an image.", "vorland-cli render");
    Configure(app);
    DefineRender(app, *out);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return Finish(app, e);
    }
    return CheckRender(*out);
}
