// The whole bundled frame, as vorland-cli render --room draws it, against a
// kept reference picture: sky, room, figure, lamps, light shafts.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string kCli = VORLAND_CLI;
const std::string kSource = VORLAND_SOURCE_DIR;
const std::string kOut = VORLAND_BINARY_DIR "/test-output";
const QString kReference = QStringLiteral(VORLAND_SOURCE_DIR "/tests/render/data/room_frame.png");

// Compared at half size: enough to see every object, small enough to keep.
QImage Reduce(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB888)
        .scaled(image.width() / 2, image.height() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

TEST(RoomFrame, BundledSceneMatchesTheReference) {
    ASSERT_TRUE(std::filesystem::exists(kSource + "/model/washitu/washitu1.dae")) << "missing bundled scene";
    std::filesystem::create_directories(kOut);
    const std::string out = kOut + "/room_frame.png";
    std::filesystem::remove(out);
    const std::string command =
        "cd '" + kSource + "' && '" + kCli + "' render model/washitu/washitu1.dae --room -o '" + out + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ASSERT_EQ(rc, 0);
    const QImage frame(QString::fromStdString(out));
    ASSERT_EQ(frame.width(), 1536);
    ASSERT_EQ(frame.height(), 1080);
    const QImage now = Reduce(frame);
    if (std::getenv("VORLAND_UPDATE_REFERENCE")) {
        ASSERT_TRUE(now.save(kReference)) << "cannot write the reference";
        return;
    }
    const QImage reference(kReference);
    ASSERT_FALSE(reference.isNull());
    ASSERT_EQ(reference.size(), now.size());
    const QImage ref = reference.convertToFormat(QImage::Format_RGB888);

    // A different rasteriser rounds differently: small differences in a few
    // places are fine, a changed picture is not.
    double sum = 0;
    long far = 0;
    const long pixels = static_cast<long>(now.width()) * now.height();
    for (int y = 0; y < now.height(); ++y) {
        const uchar* a = now.constScanLine(y);
        const uchar* b = ref.constScanLine(y);
        for (int x = 0; x < now.width() * 3; ++x) {
            const int d = std::abs(a[x] - b[x]);
            sum += d;
            if (d > 32) ++far;
        }
    }
    EXPECT_LT(sum / (pixels * 3), 2.0);
    EXPECT_LT(far, pixels * 3 / 100);

    // And the picture itself: dark evening sky at the top left beside the
    // room's posts, the figure's brown in the middle, the bright moon.
    const QColor figure = now.pixelColor(now.width() / 2, now.height() * 62 / 100);
    EXPECT_GT(figure.red(), figure.blue() + 20);
    EXPECT_LT(figure.red(), 200);
}
