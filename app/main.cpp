// Vorland: the viewer. Builds the one application object with its main
// window, opens the files named on the command line and runs the event loop
// until the close button.
#include <QApplication>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/application.h"
#include "app/scene_context.h"
#include "platform/stage_timer.h"

namespace {

// Also the source of the manual page (help2man).
constexpr const char* kUsage = R"(Usage: vorland [MODEL] [ANIMATION.ani ...]
View skinned, animated 3D models in a small lit room.

MODEL is a COLLADA .dae, glTF .gltf or .glb, or .mdl file; each .ani file adds
an animation. They open once the scene runs, as the menu's actions do.

Options:
  -h, --help     print this help and exit
  --version      print the version and exit
  --timings      print how long each start-up stage took, once the first
                 frame is on screen

Keys:
  F              frame the model
  P              pause and resume
  [ and ]        halve and double the animation speed
  F12            save the 3D view as vorland-YYYYMMDD-HHMMSS.png
  Space          switch full screen

The mouse: right-drag orbits the camera, left-drag pans, the wheel zooms.

Files:
  config.ini     the settings, written on exit (also on SIGTERM or SIGINT):
                 in the start folder when it holds one or the program is not
                 installed, else in $XDG_CONFIG_HOME/vorland/ (default
                 ~/.config/vorland/)
  share/vorland  the room, interface and sky pictures (model/, pict/, img/);
                 a start folder that holds model/washitu is used instead

F12 saves into the start folder, or when installed into $XDG_PICTURES_DIR,
else ~/Pictures, else the home folder.
)";

// SIGTERM and SIGINT (the session ending, Ctrl+C) close the viewer as its
// close button does, so the settings are kept; the event loop hears of them
// through a socket. A second one ends the program at once.
int g_signalSocket[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalSocket[1], &byte, 1);
}

void CloseOnTerminate(CApplication* application) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSocket) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalSocket[0], QSocketNotifier::Read, application);
    QObject::connect(notifier, &QSocketNotifier::activated, application, [application] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalSocket[0], &byte, 1);
        application->CloseApplication();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so they need no display.
    if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && !std::strcmp(argv[1], "--version")) {
        std::puts("vorland " VORLAND_VERSION);
        return 0;
    }
    // --timings: the start-up stages on stderr once the first frame is shown.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--timings") == 0) stage_timer::Enable();
    // The GL driver loads while Qt starts: the scene's picture waits for it.
    EglContextAhead eglContext = StartEglContext();
    auto qtSpan = std::make_unique<stage_timer::Span>("Qt: application, display connection");
    QApplication qt(argc, argv);
    qtSpan.reset();
    // Numbers in the files are written and read with "." whatever the
    // user's locale; the text formats carry their own code page.
    std::setlocale(LC_NUMERIC, "C");
    auto* application = new CApplication;
    {
        const stage_timer::Span span("main window (settings, interface images)");
        application->CreateMainWindow(std::move(eglContext));
    }
    CloseOnTerminate(application);
    // vorland [MODEL] [ANIMATION.ani ...]: opened once the scene runs.
    QStringList files = qt.arguments().mid(1);
    files.removeAll(QStringLiteral("--timings"));
    application->OpenFiles(files);
    qt.exec();
    delete application;
    return 0;
}
