#pragma once
// A small stroke alphabet for the interface images, so that the pictures do
// not depend on the fonts installed. Capitals only, drawn as round-capped
// strokes on a grid six units high.
#include <QColor>
#include <QPainter>
#include <QString>

namespace scenegen {

// Width of `text` when drawn with capital height `cap` (pixels).
double StrokeTextWidth(const QString& text, double cap);
// Draws `text` with its top left at (x, y).
void DrawStrokeText(QPainter& p, const QString& text, double x, double y, double cap, const QColor& colour,
                    double penWidth);
// Draws `text` centred on (cx, cy).
void DrawStrokeTextCentred(QPainter& p, const QString& text, double cx, double cy, double cap, const QColor& colour,
                           double penWidth);

}  // namespace scenegen
