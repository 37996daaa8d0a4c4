#pragma once
// Drawing conventions shared by the self-drawn windows: colours held as four
// integers, the screen-sized back buffer, the window frame and the interface
// font.
//
// How a window paints (every CLASS_ window of the interface):
//   1. paintEvent draws with QPainter into a screen-sized QImage (the back
//      buffer, made once with MakeBackBuffer; child lists borrow their
//      dialog's), clipped to the widget's own width x height;
//   2. BlitBackBuffer copies width x height from (0, 0) to the widget.
// A change of state that affects the look ends with QWidget::repaint(), so
// repainting is synchronous. Widgets set Qt::WA_OpaquePaintEvent because they
// cover every pixel themselves.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <cstdint>

struct CSettings;
struct CScreenMetrics;
class QPainter;
class QWidget;

// A colour as the settings hold it: four separate integers, no range
// enforced. Only the low 8 bits of each count when it is drawn, so 300 draws
// as 44 and -10 as 246.
struct CColor4 {
    int A = 255, R = 0, G = 0, B = 0;

    // Each of R, G, B plus `delta` (alpha unchanged); not yet wrapped.
    CColor4 Shifted(int delta) const { return {A, R + delta, G + delta, B + delta}; }
    // The same colour with alpha 255.
    CColor4 Opaque() const { return {255, R, G, B}; }
    bool operator==(const CColor4&) const = default;
};

inline int LowByte(int v) { return static_cast<int>(static_cast<unsigned>(v) & 0xFFu); }
// (A << 24) | (R << 16) | (G << 8) | B from the low 8 bits of each.
std::uint32_t PackArgb(const CColor4& c);
QColor ToQColor(const CColor4& c);

// The colour groups of the settings.
CColor4 BackgroundColor(const CSettings& s);  // BKColorA..B
CColor4 TextColor(const CSettings& s);        // TextColorA..B
CColor4 BarColor(const CSettings& s);         // BarColorA..B
CColor4 MenuBackgroundColor(const CSettings& s);
CColor4 MenuTextColor(const CSettings& s);
CColor4 ViewerBackgroundColor(const CSettings& s);

// A screen-sized 32-bit back buffer whose DPI is the screen's logical DPI, so
// fonts sized in points come out at the same pixel size as on screen.
QImage MakeBackBuffer(const CScreenMetrics& m);
// An interface picture (named relative to the data folder, see
// platform/data_paths.h): a regular file within the image size limit,
// decoded; null when it is missing, too large or cannot be decoded. A
// folder, FIFO or device in its place is never opened.
QImage LoadInterfaceImage(const QString& path);
// Copies width x height of the back buffer to the widget at (0, 0), replacing
// what is there. Call from the widget's paintEvent.
void BlitBackBuffer(QWidget* widget, const QImage& backBuffer, int width, int height);

// The frame of the main window, the menu window and the dialogs: clear the
// painter's target with `background`, fill (0, 0, width, bandHeight) with
// `band` and draw the four edges with an 8.0-wide pen of `band`. Half the pen
// lies outside, so 4 pixels of frame show.
void DrawWindowFrame(QPainter& p, int width, int height, int bandHeight, const QColor& background, const QColor& band);

// "メイリオ" when installed, else the generic sans-serif family.
QString InterfaceFontFamily();
// Regular interface font of `emSizePoints` points (see InterfaceFontEmSize).
QFont CreateInterfaceFont(float emSizePoints);
// One line of anti-aliased text, no wrapping, clipped to `layout`, drawn from
// its top-left corner.
void DrawInterfaceText(QPainter& p, const QString& text, const QFont& font, const QRectF& layout, const QColor& brush);
// The same, shortened with an ellipsis ("…") where it is wider than `layout`:
// at the end (Qt::ElideRight) or in the middle (Qt::ElideMiddle, for paths).
void DrawInterfaceTextElided(QPainter& p, const QString& text, const QFont& font, const QRectF& layout,
                             const QColor& brush, Qt::TextElideMode mode = Qt::ElideRight);
