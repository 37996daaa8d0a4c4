// Screen metrics, colour arithmetic, the interface font and the frame.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include "settings/settings.h"
#include "tests/ui/ui_test_app.h"
#include "ui/drawing.h"
#include "ui/metrics.h"

TEST(UiMetrics, PrimaryScreenIs1920x1080) {
    UiTestApp();
    const CScreenMetrics m = CScreenMetrics::FromPrimaryScreen();
    EXPECT_EQ(m.screenWidth, 1920);
    EXPECT_EQ(m.screenHeight, 1080);
    EXPECT_EQ(m.rowHeight, 36);
    EXPECT_EQ(m.defaultWidth, 1280);
    EXPECT_EQ(m.defaultHeight, 720);
    EXPECT_EQ(m.borderWidth, 8);
    EXPECT_EQ(m.borderHeight, 8);
    EXPECT_EQ(m.colorKeyR, 255);
    EXPECT_FLOAT_EQ(m.dpiScaleX, m.dpiX / 96.0f);
}

TEST(UiMetrics, OtherScreensAndDpi) {
    const CScreenMetrics small = CScreenMetrics::FromValues(1366, 768);
    EXPECT_EQ(small.defaultWidth, 910);
    EXPECT_EQ(small.defaultHeight, 512);
    EXPECT_EQ(small.rowHeight, 25);
    const CScreenMetrics dpi120 = CScreenMetrics::FromValues(1920, 1080, 120.0f, 120.0f);
    EXPECT_FLOAT_EQ(dpi120.dpiScaleX, 1.25f);
    EXPECT_FLOAT_EQ(dpi120.dpiScaleY, 1.25f);
}

TEST(UiMetrics, FontEmSizeRule) {
    // 144 DPI: 36 x 0.5 / 1.5 = 12 points = 24 pixels, like 18 points at 96 DPI.
    EXPECT_FLOAT_EQ(InterfaceFontEmSize(0.5, 36, 1.5f), 12.0f);
    EXPECT_FLOAT_EQ(InterfaceFontEmSize(0.5, 36, 1.0f), 18.0f);
    EXPECT_FLOAT_EQ(12.0f * 144.0f / 72.0f, 18.0f * 96.0f / 72.0f);
    // Row height of the select list (24) with factor 0.6.
    EXPECT_FLOAT_EQ(InterfaceFontEmSize(0.6, 24, 1.0f), 14.4f);
}

TEST(UiColor, LowEightBitsOfEachComponent) {
    EXPECT_EQ(LowByte(300), 44);
    EXPECT_EQ(LowByte(-10), 246);
    EXPECT_EQ(LowByte(256), 0);
    const CColor4 c{255, 300, 110, 110};
    EXPECT_EQ(PackArgb(c), 0xFF2C6E6Eu);
    const QColor q = ToQColor(c);
    EXPECT_EQ(q.red(), 44);
    EXPECT_EQ(q.alpha(), 255);
    EXPECT_EQ(PackArgb(CColor4{-1, 0, 0, 0}), 0xFF000000u);
}

TEST(UiColor, ShiftRulesWithDefaults) {
    const CSettings s;
    const CColor4 bk = BackgroundColor(s);
    EXPECT_EQ(bk, (CColor4{255, 140, 110, 110}));
    // Darkened by 20 (list and file-name box), 40 (highlight), lightened by 50 (titles).
    EXPECT_EQ(PackArgb(bk.Shifted(-20)), 0xFF785A5Au);  // 120, 90, 90
    EXPECT_EQ(PackArgb(bk.Shifted(-40)), 0xFF644646u);  // 100, 70, 70
    EXPECT_EQ(PackArgb(bk.Shifted(50)), 0xFFBEA0A0u);   // 190, 160, 160
    EXPECT_EQ(PackArgb(bk.Shifted(30)), 0xFFAA8C8Cu);   // 170, 140, 140 (confirm text)
    // 220 + 50 wraps to 14: a light background gives dark text.
    EXPECT_EQ(PackArgb(CColor4{255, 220, 220, 220}.Shifted(50)), 0xFF0E0E0Eu);
    // 10 - 20 wraps to 246.
    EXPECT_EQ(PackArgb(CColor4{255, 10, 10, 10}.Shifted(-20)), 0xFFF6F6F6u);
    EXPECT_EQ(BarColor(s), (CColor4{255, 100, 70, 70}));
    EXPECT_EQ(TextColor(s), (CColor4{255, 200, 180, 180}));
}

TEST(UiFont, FamilyFallsBackToSansSerif) {
    UiTestApp();
    const QFont f = CreateInterfaceFont(18.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(f.pointSizeF()), 18.0f);
    EXPECT_EQ(f.weight(), QFont::Normal);
    EXPECT_EQ(f.style(), QFont::StyleNormal);
    if (QFontDatabase::hasFamily(QStringLiteral("メイリオ"))) EXPECT_EQ(f.family(), QStringLiteral("メイリオ"));
    else EXPECT_EQ(f.family(), QStringLiteral("sans-serif"));
}

TEST(UiFont, PointSizeBecomesScreenPixels) {
    UiTestApp();
    const CScreenMetrics m = CScreenMetrics::FromPrimaryScreen();
    QImage buffer = MakeBackBuffer(m);
    EXPECT_EQ(buffer.width(), 1920);
    EXPECT_EQ(buffer.height(), 1080);
    EXPECT_EQ(buffer.logicalDpiY(), static_cast<int>(m.dpiY));
    // 0.5 of the row height: the em height is 2/3 of 36 = 24 pixels.
    const QFont f = CreateInterfaceFont(InterfaceFontEmSize(0.5, m.rowHeight, m.dpiScaleX));
    QPainter p(&buffer);
    p.setFont(f);
    EXPECT_NEAR(QFontInfo(p.font()).pixelSize(), 24, 1);
}

TEST(UiFont, JapaneseTextRendersGlyphs) {
    UiTestApp();
    const CScreenMetrics m = CScreenMetrics::FromPrimaryScreen();
    QImage buffer = MakeBackBuffer(m);
    QPainter p(&buffer);
    p.fillRect(QRect(0, 0, 300, 40), Qt::black);
    DrawInterfaceText(p, QStringLiteral("確認 名称未設定"), CreateInterfaceFont(18.0f), QRectF(0, 0, 300, 40),
                      Qt::white);
    p.end();
    int lit = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 300; ++x) lit += qRed(buffer.pixel(x, y)) > 128;
    EXPECT_GT(lit, 200);  // glyphs, not empty boxes or nothing
}

TEST(UiFont, TextIsClippedToItsLayoutAndDoesNotWrap) {
    UiTestApp();
    QImage buffer = MakeBackBuffer(CScreenMetrics::FromPrimaryScreen());
    QPainter p(&buffer);
    p.fillRect(QRect(0, 0, 400, 200), Qt::black);
    DrawInterfaceText(p, QStringLiteral("a long line that does not fit into its layout box at all"),
                      CreateInterfaceFont(18.0f), QRectF(10, 10, 100, 36), Qt::white);
    p.end();
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 400; ++x)
            if (qRed(buffer.pixel(x, y)) > 0) {
                EXPECT_TRUE(QRect(10, 10, 100, 36).contains(x, y)) << x << "," << y;
                return;
            }
}

TEST(UiFrame, FourPixelFrameAndBand) {
    UiTestApp();
    QImage buffer = MakeBackBuffer(CScreenMetrics::FromPrimaryScreen());
    QPainter p(&buffer);
    const QColor bk(140, 110, 110), bar(100, 70, 70);
    DrawWindowFrame(p, 200, 100, 36, bk, bar);
    p.end();
    EXPECT_EQ(buffer.pixel(100, 10), bar.rgb());  // band
    EXPECT_EQ(buffer.pixel(100, 60), bk.rgb());   // inside
    EXPECT_EQ(buffer.pixel(3, 60), bar.rgb());    // left frame: columns 0..3
    EXPECT_EQ(buffer.pixel(4, 60), bk.rgb());
    EXPECT_EQ(buffer.pixel(196, 60), bar.rgb());  // right frame: 196..199
    EXPECT_EQ(buffer.pixel(195, 60), bk.rgb());
    EXPECT_EQ(buffer.pixel(100, 96), bar.rgb());  // bottom frame: 96..99
    EXPECT_EQ(buffer.pixel(100, 95), bk.rgb());
}
