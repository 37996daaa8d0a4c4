// Whole frames of vorland-cli render --room against the pictures the build of
// commit 95a084a made of the same frames, before the lamp images, the light
// shafts and the sky were made cheaper (tests/data/frames, see the README
// there): at most 1 % of the pixels may differ by more than 2 %. The figure's
// picture was made again once plain materials showed their diffuse colour
// (the figure's is grey), and once skinned normals stopped taking the bones'
// translations; it differs from 95a084a's on the figure alone. A frame
// smaller than the targets (their corner) is the reference made smaller:
// there pixels may differ by more than 10 % on 4 % of the picture (the light
// shafts marched over the whole targets instead: 10 %).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <QString>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
const std::string kSource = VORLAND_SOURCE_DIR;
const std::string kOut = VORLAND_BINARY_DIR "/test-output";
}  // namespace

TEST(FrameMatch, RoomFramesLookAsTheyDidBeforeTheSpeedUps) {
    struct Case {
        std::string model;
        const char* time;
        const char* reference;
        int width = 1536, height = 1080;
    };
    const std::string figure = VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae";
    const Case cases[] = {
        {"model/washitu/washitu1.dae", "0", "95a084a_cat.png"},
        {figure, "0.5", "figure_t0.5_diffuse.png"},
        {figure, "0.5", "figure_t0.5_diffuse.png", 768, 540},
    };
    std::filesystem::create_directories(kOut);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reference) + " at " + std::to_string(c.width));
        const bool whole = c.width == 1536;
        const std::string out = kOut + "/" + std::to_string(c.width) + c.reference;
        std::filesystem::remove(out);  // a picture left by an earlier run must not pass for this one
        const std::string command = "cd '" + kSource + "' && '" VORLAND_CLI "' render '" + c.model +
                                    "' --room --time " + c.time + " --width " + std::to_string(c.width) + " --height " +
                                    std::to_string(c.height) + " -o '" + out + "' 2>/dev/null";
        const int status = std::system(command.c_str());
        const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ASSERT_EQ(rc, 0);
        const QImage now = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB888);
        const QImage reference = QImage(QString::fromStdString(kSource + "/tests/data/frames/" + c.reference))
                                     .scaled(c.width, c.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .convertToFormat(QImage::Format_RGB888);
        ASSERT_FALSE(reference.isNull());
        ASSERT_EQ(now.size(), reference.size());
        long far = 0;  // pixels with a channel more than 2 % off
        for (int y = 0; y < now.height(); ++y)
            for (int x = 0; x < now.width() * 3; x += 3)
                for (int k = 0; k < 3; ++k)
                    if (std::abs(now.constScanLine(y)[x + k] - reference.constScanLine(y)[x + k]) >
                        255 * (whole ? 0.02 : 0.10)) {
                        ++far;
                        break;
                    }
        EXPECT_LE(far, static_cast<long>(now.width()) * now.height() / (whole ? 100 : 25));
    }
}
