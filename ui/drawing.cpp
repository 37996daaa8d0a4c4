#include "ui/drawing.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/data_paths.h"
#include "platform/file_io.h"
#include "settings/settings.h"
#include "ui/metrics.h"

std::uint32_t PackArgb(const CColor4& c) {
    return (static_cast<std::uint32_t>(LowByte(c.A)) << 24) | (static_cast<std::uint32_t>(LowByte(c.R)) << 16) |
           (static_cast<std::uint32_t>(LowByte(c.G)) << 8) | static_cast<std::uint32_t>(LowByte(c.B));
}

QColor ToQColor(const CColor4& c) { return QColor(LowByte(c.R), LowByte(c.G), LowByte(c.B), LowByte(c.A)); }

CColor4 BackgroundColor(const CSettings& s) { return {s.BKColorA, s.BKColorR, s.BKColorG, s.BKColorB}; }
CColor4 TextColor(const CSettings& s) { return {s.TextColorA, s.TextColorR, s.TextColorG, s.TextColorB}; }
CColor4 BarColor(const CSettings& s) { return {s.BarColorA, s.BarColorR, s.BarColorG, s.BarColorB}; }
CColor4 MenuBackgroundColor(const CSettings& s) {
    return {s.MenuBKColorA, s.MenuBKColorR, s.MenuBKColorG, s.MenuBKColorB};
}
CColor4 MenuTextColor(const CSettings& s) {
    return {s.MenuTextColorA, s.MenuTextColorR, s.MenuTextColorG, s.MenuTextColorB};
}
CColor4 ViewerBackgroundColor(const CSettings& s) {
    return {s.ViewerBKColorA, s.ViewerBKColorR, s.ViewerBKColorG, s.ViewerBKColorB};
}

QImage MakeBackBuffer(const CScreenMetrics& m) {
    // Not filled: every paint fills what it shows first, and pages never
    // painted (beyond a small window or dialog, or a dialog never opened)
    // then take no memory.
    QImage image(std::max(1, m.screenWidth), std::max(1, m.screenHeight), QImage::Format_ARGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(m.dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(m.dpiY / 0.0254)));
    return image;
}

void BlitBackBuffer(QWidget* widget, const QImage& backBuffer, int width, int height) {
    QPainter p(widget);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), backBuffer, QRect(0, 0, width, height));
}

void DrawWindowFrame(QPainter& p, int width, int height, int bandHeight, const QColor& background, const QColor& band) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(QRect(0, 0, width, height), background);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.fillRect(QRect(0, 0, width, bandHeight), band);
    QPen pen(band, 8.0);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(0, 0), QPointF(width, 0));
    p.drawLine(QPointF(width, 0), QPointF(width, height));
    p.drawLine(QPointF(width, height), QPointF(0, height));
    p.drawLine(QPointF(0, height), QPointF(0, 0));
    p.restore();
}

QString InterfaceFontFamily() {
    static const QString family = [] {
        const QString wanted = QStringLiteral("メイリオ");
        return QFontDatabase::hasFamily(wanted) ? wanted : QStringLiteral("sans-serif");
    }();
    return family;
}

QFont CreateInterfaceFont(float emSizePoints) {
    QFont font(InterfaceFontFamily());
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    if (emSizePoints > 0.0f) font.setPointSizeF(emSizePoints);
    return font;
}

void DrawInterfaceText(QPainter& p, const QString& text, const QFont& font, const QRectF& layout, const QColor& brush) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(brush);
    p.drawText(layout, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    p.restore();
}

void DrawInterfaceTextElided(QPainter& p, const QString& text, const QFont& font, const QRectF& layout,
                             const QColor& brush, Qt::TextElideMode mode) {
    // Measured on the target, whose DPI sizes the font.
    const QFontMetricsF metrics(font, p.device());
    DrawInterfaceText(p, metrics.elidedText(text, mode, std::max<qreal>(0.0, layout.width())), font, layout, brush);
}

QImage LoadInterfaceImage(const QString& name) {
    const std::string path = DataFile(name.toStdString());  // installed: share/vorland/pict
    // Read by the regular-file reader: a FIFO or device in its place is refused at once.
    const Result<std::string> bytes = ReadWholeFile(path, kMaxImageFileBytes);
    if (!bytes || bytes->size() > static_cast<std::size_t>(INT_MAX)) return QImage();
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<int>(bytes->size()));
}
