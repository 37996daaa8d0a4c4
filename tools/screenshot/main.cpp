// vorland-shot OUT.png [DELAY_MS] [--until-scene]: saves the whole X screen.
// vorland-shot --scene-in FILE: whether a picture shows a scene (below).
// vorland-shot --model-in FILE: whether a picture shows something in front of
// its background, which may be a gradient from top to bottom (a thumbnail).
// Used to take a picture of the viewer when it runs under Xvfb.
//
// Without --until-scene it waits DELAY_MS and takes the picture. With it,
// DELAY_MS is the longest wait: the screen is looked at twice a second until
// its centre (which the viewer's 3D display covers, whatever the screen size)
// shows a drawn scene rather than one flat colour, and the picture is taken
// a few seconds later so that the title shows the frame rate.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kPollMs = 500;
constexpr int kSettleMs = 10000;
constexpr int kSceneColours = 24;  // distinct colours that tell a scene from a cleared view

QImage GrabScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}

bool CentreShowsScene(const QImage& image) {
    if (image.isNull()) return false;
    const int cx = image.width() / 2, cy = image.height() / 2;
    const int half = std::min(100, std::min(cx, cy));
    QSet<QRgb> colours;
    for (int y = cy - half; y < cy + half; y += 2)
        for (int x = cx - half; x < cx + half; x += 2) {
            colours.insert(image.pixel(x, y));
            if (colours.size() >= kSceneColours) return true;
        }
    return false;
}

// A quarter of the centre's pixels stand apart from both ends of their row,
// where a framed model leaves the background to show.
bool CentreShowsModel(const QImage& image) {
    if (image.width() < 8 || image.height() < 8) return false;
    const auto apart = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 24;
    };
    const int w = image.width(), h = image.height();
    int seen = 0, model = 0;
    for (int y = h / 4; y < 3 * h / 4; ++y)
        for (int x = w / 4; x < 3 * w / 4; ++x, ++seen) {
            const QRgb p = image.pixel(x, y);
            if (apart(p, image.pixel(0, y)) && apart(p, image.pixel(w - 1, y))) ++model;
        }
    return 4 * model >= seen;
}

}  // namespace

int main(int argc, char** argv) {
    // vorland-shot --scene-in FILE: prints the picture's size; exit 0 when its
    // centre shows a drawn scene. Needs no display.
    if (argc == 3 && std::strcmp(argv[1], "--scene-in") == 0) {
        const QImage image(QString::fromLocal8Bit(argv[2]));
        std::printf("%dx%d\n", image.width(), image.height());
        return CentreShowsScene(image) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--model-in") == 0) {
        const QImage image(QString::fromLocal8Bit(argv[2]));
        std::printf("%dx%d\n", image.width(), image.height());
        return CentreShowsModel(image) ? 0 : 1;
    }
    QGuiApplication app(argc, argv);
    QString out;
    int delay = -1;
    bool untilScene = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--until-scene") == 0) untilScene = true;
        else if (out.isEmpty()) out = QString::fromLocal8Bit(argv[i]);
        else delay = std::atoi(argv[i]);
    }
    if (out.isEmpty()) {
        std::fputs("usage: vorland-shot OUT.png [DELAY_MS] [--until-scene]\n", stderr);
        return 2;
    }
    if (delay < 0) delay = untilScene ? 300000 : 0;
    int rc = 1;
    const auto save = [&] {
        if (GrabScreen().save(out, "PNG")) rc = 0;
        app.quit();
    };
    if (!untilScene) {
        QTimer::singleShot(delay, save);
    } else {
        auto* poll = new QTimer(&app);
        int waited = 0;
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            waited += kPollMs;
            const bool scene = CentreShowsScene(GrabScreen());
            if (scene || waited >= delay) {
                poll->stop();
                if (!scene) std::fputs("vorland-shot: no scene on the screen yet; saving what is there\n", stderr);
                QTimer::singleShot(scene ? kSettleMs : 0, save);
            }
        });
        poll->start(kPollMs);
    }
    app.exec();
    return rc;
}
