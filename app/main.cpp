// Vorland: the viewer. Builds the one application object with its main
// window, opens the files named on the command line and runs the event loop
// until the close button.
#include <QApplication>
#include <clocale>

#include "app/application.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    // Numbers in the files are written and read with "." whatever the
    // user's locale; the text formats carry their own code page.
    std::setlocale(LC_NUMERIC, "C");
    auto* application = new CApplication;
    application->CreateMainWindow();
    // vorland [MODEL] [ANIMATION.ani ...]: opened once the scene runs.
    application->OpenFiles(qt.arguments().mid(1));
    qt.exec();
    delete application;
    return 0;
}
