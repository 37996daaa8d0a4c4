#pragma once
// Screen metrics shared by every self-drawn window. All interface sizes are
// fractions of the screen size or of the row height (screen height / 30), so
// the interface follows the screen's resolution rather than its DPI setting.
#include <cmath>

struct CScreenMetrics {
    int screenWidth = 0;
    int screenHeight = 0;
    float dpiX = 96.0f;
    float dpiY = 96.0f;
    float dpiScaleX = 1.0f;  // dpiX / 96
    float dpiScaleY = 1.0f;
    int borderWidth = 8;
    int borderHeight = 8;
    int colorKeyR = 255, colorKeyG = 255, colorKeyB = 255;
    int defaultWidth = 0;   // trunc(screen width / 1.5)
    int defaultHeight = 0;  // trunc(screen height / 1.5)
    int rowHeight = 0;      // trunc(screen height / 30); the title bar height

    // From explicit values (tests, other screens).
    static CScreenMetrics FromValues(int screenWidth, int screenHeight, float dpiX = 96.0f, float dpiY = 96.0f);
    // From the primary screen: geometry and logical DPI. Needs a
    // QGuiApplication; without a screen it falls back to 1920 x 1080 at 96 DPI.
    static CScreenMetrics FromPrimaryScreen();
};

// trunc(screen height / 30.0), computed in double precision.
inline int RowHeightFor(int screenHeight) { return static_cast<int>(std::trunc(screenHeight / 30.0)); }

// Em size in points for a font whose height is `factor` times `length`
// pixels (usually the row height): (factor x length) / DPI scale, computed in
// double and narrowed to float, so the pixel height is the same at any DPI.
inline float InterfaceFontEmSize(double factor, double length, float dpiScaleX) {
    return static_cast<float>((factor * length) / static_cast<double>(dpiScaleX));
}
