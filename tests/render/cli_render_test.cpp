// vorland-cli render end to end: a real process, a real PNG.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string kCli = VORLAND_CLI;
const std::string kFigure = VORLAND_CORPUS_DIR "/blender/collada-demo-animated-male.dae";
const std::string kOut = VORLAND_BINARY_DIR "/test-output";
const std::string kCat = VORLAND_SOURCE_DIR "/model/washitu/washitu1.dae";

int RunCli(const std::string& args, const std::string& dir = ".") {
    const std::string command = "cd '" + dir + "' && '" + kCli + "' " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliRenderTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(kOut); }
};

}  // namespace

TEST_F(CliRenderTest, RendersTheFigureToAPngOfTheAskedSize) {
    ASSERT_TRUE(std::ifstream(kFigure)) << "missing test data: " << kFigure;
    const std::string out = kOut + "/cli_figure.png";
    std::filesystem::remove(out);
    const int rc = RunCli("render '" + kFigure + "' -o '" + out + "' --width 400 --height 300 --time 1.5");
    ASSERT_EQ(rc, 0);
    const QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 400);
    EXPECT_EQ(image.height(), 300);
    // Background is the viewer's (220, 220, 220); the figure stands in front.
    EXPECT_EQ(image.pixelColor(0, 0), QColor(220, 220, 220));
    int figure = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(220, 220, 220)) ++figure;
    EXPECT_GT(figure, 2000);
}

// --room asks for the whole frame: without the room's files it is a failure, not a frame without the room.
TEST_F(CliRenderTest, RoomWithoutRoomFilesExitsWithOneAndWritesNothing) {
    ASSERT_TRUE(std::ifstream(kFigure)) << "missing test data: " << kFigure;
    const std::string out = kOut + "/cli_figure_room.png";
    std::filesystem::remove(out);
    const int rc = RunCli("render '" + kFigure + "' -o '" + out + "' --width 64 --height 64 --room", kOut);
    EXPECT_EQ(rc, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Pixels of the cat's orange patches, which only its texture has.
int OrangePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > c.blue() + 60 && c.red() > c.green() + 25) ++n;
        }
    return n;
}

TEST_F(CliRenderTest, FindsTheModelsTexturesFromAnotherFolder) {
    const std::string& cat = kCat;
    ASSERT_TRUE(std::ifstream(cat)) << "missing bundled scene: " << cat;
    // Started in the output folder, the model elsewhere; -o stays relative
    // to where the tool was started.
    const std::string textured = kOut + "/cli_cat_elsewhere.png";
    std::filesystem::remove(textured);
    const int rc = RunCli("render '" + cat + "' -o cli_cat_elsewhere.png --width 400 --height 300", kOut);
    ASSERT_EQ(rc, 0);
    // The same model beside no texture file draws untextured.
    const std::string bareDir = kOut + "/cli_cat_bare";
    std::filesystem::create_directories(bareDir);
    std::filesystem::copy_file(cat, bareDir + "/washitu1.dae", std::filesystem::copy_options::overwrite_existing);
    const std::string bare = kOut + "/cli_cat_bare.png";
    ASSERT_EQ(RunCli("render cli_cat_bare/washitu1.dae -o cli_cat_bare.png --width 400 --height 300", kOut), 0);

    const QImage withTexture(QString::fromStdString(textured));
    const QImage without(QString::fromStdString(bare));
    ASSERT_FALSE(withTexture.isNull());
    ASSERT_FALSE(without.isNull());
    const int orange = OrangePixels(withTexture);
    const int orangeBare = OrangePixels(without);
    EXPECT_GT(orange, 150);
    EXPECT_LT(orangeBare * 4, orange);
}

TEST_F(CliRenderTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunCli("render"), 2);
    EXPECT_EQ(RunCli("render model.dae"), 2);                 // no -o
    EXPECT_EQ(RunCli("render -o out.png"), 2);                // no file
    EXPECT_EQ(RunCli("render a.dae -o out.png --width"), 2);  // no value
    EXPECT_EQ(RunCli("render a.dae -o out.png --width wide"), 2);
    EXPECT_EQ(RunCli("render a.dae -o out.png --width 2000"), 2);  // beyond the targets
    EXPECT_EQ(RunCli("render a.dae -o out.png --height 0"), 2);
    EXPECT_EQ(RunCli("render a.dae -o out.png --time -1"), 2);
    EXPECT_EQ(RunCli("render a.dae -o out.png --frobnicate"), 2);
    EXPECT_EQ(RunCli("render a.dae -o out.png --view kitchen"), 2);
    EXPECT_EQ(RunCli("render a.dae -o out.png --view inspect --room"), 2);
}

TEST_F(CliRenderTest, UnreadableInputExitsWithOneAndKeepsTheOldImage) {
    const std::string out = kOut + "/cli_keep.png";
    {
        std::ofstream keep(out, std::ios::binary);
        keep << "previous picture";
    }
    EXPECT_EQ(RunCli("render '" + kOut + "/no-such-model.dae' -o '" + out + "'"), 1);
    EXPECT_EQ(RunCli("render '" + kOut + "/no-such-model.mdl' -o '" + out + "'"), 1);
    const std::string broken = kOut + "/cli_broken.dae";
    {
        std::ofstream b(broken);
        b << "<COLLADA><library_geometries><geometry";
    }
    EXPECT_EQ(RunCli("render '" + broken + "' -o '" + out + "'"), 1);
    EXPECT_EQ(ReadFile(out), "previous picture");
}

TEST_F(CliRenderTest, TheOutputsExtensionChoosesTheImageFormat) {
    const std::pair<const char*, std::string> cases[] = {
        {"png", "\x89PNG"}, {"jpg", "\xFF\xD8\xFF"}, {"JPEG", "\xFF\xD8\xFF"}, {"bmp", "BM"}};
    for (const auto& [ext, magic] : cases) {
        const std::string out = kOut + "/cli_format." + ext;
        std::filesystem::remove(out);
        ASSERT_EQ(RunCli("render '" + kCat + "' -o '" + out + "' --width 48 --height 32"), 0) << ext;
        EXPECT_EQ(ReadFile(out).substr(0, magic.size()), magic) << ext;
        EXPECT_EQ(QImage(QString::fromStdString(out)).size(), QSize(48, 32)) << ext;
    }
}

// --fit frames from the front: the figure faces the camera, so its left
// hand (+X) shows on the picture's right, the way it does from -Y.
TEST_F(CliRenderTest, FitFramesFromTheFrontInEveryView) {
    ASSERT_TRUE(std::ifstream(kFigure)) << kFigure;
    for (const char* view : {"--view inspect", "--view room", ""}) {
        SCOPED_TRACE(view);
        const std::string out = kOut + "/cli_figure_front.png";
        std::filesystem::remove(out);
        ASSERT_EQ(RunCli("render '" + kFigure + "' -o '" + out + "' --width 320 --height 240 --fit --bones " + view,
                         VORLAND_SOURCE_DIR),
                  0);
        const QImage image(QString::fromStdString(out));
        long left = 0, right = 0;  // the joints' dots: the shoulder chain runs to one side of the spine
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 230 && c.green() > 200 && c.blue() < 120) (x < image.width() / 2 - 4 ? left : right) += 1;
            }
        EXPECT_GT(right, left + 40);
    }
}

// --fit: the whole figure inside the picture, at least 40 % of its height.
TEST_F(CliRenderTest, FitFramesTheWholeFigure) {
    ASSERT_TRUE(std::ifstream(kFigure)) << kFigure;
    const std::string out = kOut + "/cli_figure_fit.png";
    std::filesystem::remove(out);
    ASSERT_EQ(RunCli("render '" + kFigure + "' -o '" + out + "' --width 320 --height 240 --time 1.5 --fit"), 0);
    const QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull());
    int top = image.height(), bottom = -1;
    bool touchesEdge = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == QColor(220, 220, 220)) continue;  // the background
            top = std::min(top, y), bottom = std::max(bottom, y);
            touchesEdge |= x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1;
        }
    EXPECT_FALSE(touchesEdge);
    EXPECT_GE(bottom - top + 1, image.height() * 0.4);
}
