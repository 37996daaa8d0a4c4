// vorland-shot OUT.png [DELAY_MS]: waits, then saves the whole X screen.
// Used to take a picture of the viewer when it runs under Xvfb.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: vorland-shot OUT.png [DELAY_MS]\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const int delay = argc > 2 ? std::atoi(argv[2]) : 0;
    int rc = 1;
    QTimer::singleShot(delay, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen && screen->grabWindow(0).save(out, "PNG")) rc = 0;
        app.quit();
    });
    app.exec();
    return rc;
}
