// Placeholder viewer until the application shell lands.
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label("Vorland ver1.6");
    label.setObjectName("CLASS_MAINWINDOW");
    label.resize(640, 360);
    label.show();
    return app.exec();
}
