// Whole frames of vorland-cli render --room against the pictures the build of
// commit 95a084a made of the same frames, before the lamp images, the light
// shafts and the sky were made cheaper (tests/data/frames, see the README
// there): at most 1 % of the pixels may differ by more than 2 %.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const std::string kSource = VORLAND_SOURCE_DIR;
const std::string kOut = VORLAND_BINARY_DIR "/test-output";

// Pixels of `a` whose largest channel difference from `b` exceeds 2 %.
long FarPixels(const QImage& a, const QImage& b) {
    long far = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x) {
            int d = 0;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(p[x * 3 + c] - q[x * 3 + c]));
            if (d > 255 * 0.02) ++far;
        }
    }
    return far;
}

}  // namespace

TEST(FrameMatch, RoomFramesLookAsTheyDidBeforeTheSpeedUps) {
    struct Case {
        std::string model;
        const char* time;
        const char* reference;
    };
    const Case cases[] = {
        {"model/washitu/washitu1.dae", "0", "95a084a_cat.png"},
        {VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae", "0.5", "95a084a_figure_t0.5.png"},
    };
    std::filesystem::create_directories(kOut);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reference);
        const std::string out = kOut + "/" + c.reference;
        std::filesystem::remove(out);
        const std::string command = "cd '" + kSource + "' && '" VORLAND_CLI "' render '" + c.model +
                                    "' --room --time " + c.time + " -o '" + out + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ASSERT_EQ(rc, 0);
        const QImage now = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB888);
        const QImage reference =
            QImage(QString::fromStdString(kSource + "/tests/data/frames/" + c.reference))
                .convertToFormat(QImage::Format_RGB888);
        ASSERT_FALSE(reference.isNull());
        ASSERT_EQ(now.size(), reference.size());
        EXPECT_LE(FarPixels(now, reference), static_cast<long>(now.width()) * now.height() / 100);
    }
}
