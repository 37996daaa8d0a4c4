// Vorland: the viewer. Builds the one application object with its main
// window and runs the event loop until the close button.
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
    qt.exec();
    delete application;
    return 0;
}
