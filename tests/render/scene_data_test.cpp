// The bundled scene is generated: regenerating it must give the committed
// files byte for byte, and the images must suit the places that show them.
#include <gtest/gtest.h>

#include <QImage>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include "platform/file_io.h"
#include "tests/core/test_files.h"
#include "tools/scenegen/room_shading.h"
#include "tools/scenegen/scenegen.h"

namespace {

const std::vector<scenegen::GeneratedFile>& Generated() {
    static const std::vector<scenegen::GeneratedFile> files = [] {
        std::string error;
        auto f = scenegen::GenerateScene(&error);
        EXPECT_FALSE(f.empty()) << error;
        return f;
    }();
    return files;
}

QImage Load(const std::string& relative) {
    QImage img(QString::fromStdString(std::string(VORLAND_SOURCE_DIR) + "/" + relative));
    return img.convertToFormat(QImage::Format_ARGB32);
}

TEST(SceneData, RegeneratedFilesMatchTheCommittedOnes) {
    const ScratchDir scratch;
    const std::filesystem::path& temp = scratch.Path();
    std::string error;
    ASSERT_TRUE(scenegen::WriteScene(Generated(), temp.string(), &error)) << error;
    ASSERT_EQ(Generated().size(), 32u);  // 3 documents, 2 textures, 3 sky images, 24 interface images
    for (const auto& f : Generated()) {
        const auto written = ReadWholeFile((temp / f.path).string());
        const auto committed = ReadWholeFile(std::string(VORLAND_SOURCE_DIR) + "/" + f.path);
        ASSERT_TRUE(written.IsOk()) << f.path;
        ASSERT_TRUE(committed.IsOk()) << f.path << " is not committed";
        EXPECT_TRUE(*written == *committed) << f.path << " differs from the generator's output";
    }
    // The contact sheet of every image, for people to look at.
    EXPECT_TRUE(WriteFileAtomically(std::string(VORLAND_BINARY_DIR) + "/contact_sheet.png",
                                    scenegen::ContactSheet(Generated())));
}

TEST(SceneData, InterfaceImagesHaveTheirButtonSizes) {
    // Sizes on a 1920 x 1080 screen (row height 36).
    const std::map<std::string, QSize> sizes = {
        {"ButtonClose", {28, 28}},      {"ButtonSize", {28, 28}},        {"ButtonMin", {28, 28}},
        {"ButtonModelOpen", {241, 54}}, {"ButtonModelWrite", {241, 54}}, {"ButtonAnimOpen", {241, 54}},
        {"ButtonAnimWrite", {241, 54}}, {"ButtonCancel", {108, 36}},     {"ButtonOK", {108, 36}},
        {"ButtonDir", {43, 43}},
    };
    for (const auto& [name, size] : sizes)
        for (const char* suffix : {"", "Down"}) {
            const QImage img = Load("pict/" + name + suffix + ".png");
            ASSERT_FALSE(img.isNull()) << name << suffix;
            EXPECT_EQ(img.size(), size) << name << suffix;
        }
    for (const char* icon : {"IconModel", "IconAnim", "IconDir", "IconDae"})
        EXPECT_EQ(Load(std::string("pict/") + icon + ".png").size(), QSize(24, 24)) << icon;
}

TEST(SceneData, NoInterfaceImageHasPureWhite) {
    // Pure white is the main window's transparent colour key.
    for (const auto& entry : std::filesystem::directory_iterator(std::string(VORLAND_SOURCE_DIR) + "/pict")) {
        const QImage img = Load("pict/" + entry.path().filename().string());
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                ASSERT_FALSE(qAlpha(p) == 255 && qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255)
                    << entry.path() << " at " << x << "," << y;
            }
    }
}

TEST(SceneData, PressedImagesDifferFromNormalOnes) {
    for (const char* name : {"ButtonClose", "ButtonSize", "ButtonMin", "ButtonModelOpen", "ButtonModelWrite",
                             "ButtonAnimOpen", "ButtonAnimWrite", "ButtonCancel", "ButtonOK", "ButtonDir"}) {
        const QImage normal = Load(std::string("pict/") + name + ".png");
        const QImage down = Load(std::string("pict/") + name + "Down.png");
        EXPECT_NE(normal, down) << name;
    }
}

TEST(SceneData, TitleButtonsAreOpaqueAndIconsHaveClearCorners) {
    // Title-bar buttons sit on a black background: they cover it entirely.
    for (const char* name : {"ButtonClose", "ButtonSize", "ButtonMin"}) {
        const QImage img = Load(std::string("pict/") + name + ".png");
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) ASSERT_EQ(qAlpha(img.pixel(x, y)), 255) << name;
    }
    for (const char* icon : {"IconModel", "IconAnim", "IconDir", "IconDae"}) {
        const QImage img = Load(std::string("pict/") + icon + ".png");
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << icon;
        EXPECT_EQ(qAlpha(img.pixel(23, 23)), 0) << icon;
        EXPECT_EQ(qAlpha(img.pixel(12, 12)), 255) << icon;
    }
}

TEST(SceneData, SkyImages) {
    const QImage moon = Load("img/moon.png");
    EXPECT_EQ(qAlpha(moon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(moon.pixel(moon.width() / 2, moon.height() / 2)), 255);
    EXPECT_GT(qRed(moon.pixel(moon.width() / 2, moon.height() / 2)), 100);

    // Stars: a black ground (the shader amplifies every texel) with a few
    // hundred lit texels.
    const QImage stars = Load("img/star.png");
    int lit = 0;
    for (int y = 0; y < stars.height(); ++y)
        for (int x = 0; x < stars.width(); ++x) lit += qBlue(stars.pixel(x, y)) > 0;
    EXPECT_GT(lit, 200);
    EXPECT_LT(lit, stars.width() * stars.height() / 100);

    // Clouds tile: opposite edges continue each other.
    const QImage clouds = Load("img/cloud.png");
    double edge = 0, inner = 0;
    for (int y = 0; y < clouds.height(); ++y) {
        edge += std::abs(qBlue(clouds.pixel(0, y)) - qBlue(clouds.pixel(clouds.width() - 1, y)));
        inner += std::abs(qBlue(clouds.pixel(0, y)) - qBlue(clouds.pixel(1, y)));
    }
    EXPECT_LT(edge, 3 * inner + clouds.height());
    int cloudy = 0;
    for (int x = 0; x < clouds.width(); ++x) cloudy += qBlue(clouds.pixel(x, clouds.height() / 2)) > 128;
    EXPECT_GT(cloudy, clouds.width() / 20);
    EXPECT_LT(cloudy, clouds.width() * 3 / 4);
}

// The room pass: g = 40 / (5 f + 0.5) with f from the texture coordinate,
// times the lamp terms; the room coordinates must give the wanted level.
TEST(RoomShading, CoordinatesGiveTheWantedBrightness) {
    const scenegen::Vec3 points[] = {{0, -3.5, 0}, {4.9, 0, 1.5}, {-3, -2.8, 1.7}, {0, -15, 0}};
    for (const auto& p : points)
        for (int column : {0, 7, 15}) {
            const double level = 0.5;
            const scenegen::Vec2 uv = scenegen::RoomUv(column, level, p);
            const double f = (uv.x - 0.8) * 0.5 * (uv.x - 0.8) * 0.5 + (uv.y + 0.6) * (uv.y + 0.6);
            const double red = 40.0 / (5.0 * f + 0.5) * 0.9 * scenegen::LampTerm(p);
            const double wanted = scenegen::RoomLevel(level, p);
            EXPECT_NEAR(red, wanted, 1e-6 + wanted * 1e-6) << column;
            EXPECT_NEAR(uv.x, (column + 0.5) / 16.0, 1e-12);
        }
}

TEST(RoomShading, NearerLampsBrightenLessThanThePassAlone) {
    const scenegen::Vec3 nearLamp{-3.3, -2.8, 2.0}, farAway{4.5, -6.5, 0.0};
    EXPECT_GT(scenegen::RoomLevel(0.5, nearLamp), scenegen::RoomLevel(0.5, farAway));
    const double passRatio = scenegen::LampTerm(nearLamp) / scenegen::LampTerm(farAway);
    EXPECT_LT(scenegen::RoomLevel(0.5, nearLamp) / scenegen::RoomLevel(0.5, farAway), passRatio);
}

TEST(RoomShading, FlickerPhaseFollowsThePrimitivePair) {
    EXPECT_DOUBLE_EQ(scenegen::FlickerPhase(0), 0.0);
    EXPECT_NEAR(scenegen::FlickerPhase(1), 3.4, 1e-12);   // q = 2: 134 mod 100
    EXPECT_NEAR(scenegen::FlickerPhase(3), 0.2, 1e-12);   // q = 6: 402 mod 100
    EXPECT_NEAR(scenegen::FlickerPhase(50), 0.0, 1e-12);  // repeats every 50 pairs
}

}  // namespace
