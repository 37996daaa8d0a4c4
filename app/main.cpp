// Vorland: the viewer. Builds the one application object with its main
// window, opens the files named on the command line and runs the event loop
// until the close button.
#include <QApplication>
#include <clocale>
#include <cstring>
#include <memory>

#include "app/application.h"
#include "platform/stage_timer.h"

int main(int argc, char** argv) {
    // --timings: the start-up stages on stderr once the first frame is shown.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--timings") == 0) stage_timer::Enable();
    auto qtSpan = std::make_unique<stage_timer::Span>("Qt: application, display connection");
    QApplication qt(argc, argv);
    qtSpan.reset();
    // Numbers in the files are written and read with "." whatever the
    // user's locale; the text formats carry their own code page.
    std::setlocale(LC_NUMERIC, "C");
    auto* application = new CApplication;
    {
        const stage_timer::Span span("main window (settings, interface images)");
        application->CreateMainWindow();
    }
    // vorland [MODEL] [ANIMATION.ani ...]: opened once the scene runs.
    QStringList files = qt.arguments().mid(1);
    files.removeAll(QStringLiteral("--timings"));
    application->OpenFiles(files);
    qt.exec();
    delete application;
    return 0;
}
