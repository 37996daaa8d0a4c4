// The cat's diffuse texture: the head's wrap-around in the top half, the
// body's below it, and a strip of solid swatches and tail stripes at the
// bottom. Forward-facing features sit at the horizontal centre.
#include <QPainter>
#include <QPainterPath>

#include "tools/scenegen/figure.h"

namespace scenegen {
namespace {

constexpr int kSize = 512;
const QColor kFur(246, 240, 228);
const QColor kOrange(226, 140, 52);
const QColor kBlack(52, 44, 44);
const QColor kPinkColour(240, 150, 160);
const QColor kRedColour(200, 30, 36);
const QColor kGoldColour(236, 190, 60);

void Blob(QPainter& p, const QColor& c, std::initializer_list<QPointF> pts) {
    QPainterPath path;
    const std::vector<QPointF> v(pts);
    path.moveTo((v[0] + v[1]) / 2);
    for (size_t i = 1; i <= v.size(); ++i) {
        const QPointF& ctrl = v[i % v.size()];
        path.quadTo(ctrl, (ctrl + v[(i + 1) % v.size()]) / 2);
    }
    p.fillPath(path, c);
}

void PaintHead(QPainter& p) {
    // Band rows 0..255: row = polar fraction * 256; column 256 faces forward.
    p.fillRect(0, 0, kSize, 256, kFur);
    Blob(p, kOrange, {{150, 20}, {235, 40}, {228, 92}, {176, 104}, {128, 70}});
    Blob(p, kBlack, {{300, 18}, {372, 30}, {384, 80}, {330, 90}, {296, 56}});
    Blob(p, kOrange, {{0, 40}, {70, 60}, {60, 150}, {0, 130}});
    Blob(p, kOrange, {{512, 40}, {450, 60}, {460, 150}, {512, 130}});
    // Cheeks.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(246, 190, 190));
    p.drawEllipse(QPointF(256 - 70, 150), 20, 11);
    p.drawEllipse(QPointF(256 + 70, 150), 20, 11);
    // Closed, smiling eyes.
    QPen eye(kBlack, 6.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(eye);
    p.setBrush(Qt::NoBrush);
    for (int side = -1; side <= 1; side += 2) {
        QPainterPath arc;
        const double cx = 256 + side * 44;
        arc.moveTo(cx - 20, 128);
        arc.quadTo(cx, 102, cx + 20, 128);
        p.drawPath(arc);
    }
    // Nose and mouth.
    QPainterPath nose;
    nose.moveTo(246, 136);
    nose.lineTo(266, 136);
    nose.lineTo(256, 147);
    nose.closeSubpath();
    p.fillPath(nose, kPinkColour);
    p.setPen(QPen(kBlack, 3.0, Qt::SolidLine, Qt::RoundCap));
    QPainterPath mouth;
    mouth.moveTo(256, 147);
    mouth.lineTo(256, 153);
    mouth.moveTo(240, 152);
    mouth.quadTo(248, 162, 256, 153);
    mouth.quadTo(264, 162, 272, 152);
    p.drawPath(mouth);
    // Whiskers.
    p.setPen(QPen(QColor(90, 80, 80), 2.0, Qt::SolidLine, Qt::RoundCap));
    for (int side = -1; side <= 1; side += 2)
        for (int k = -1; k <= 1; ++k) {
            const QPointF from(256 + side * 32, 146 + k * 6);
            const QPointF to(256 + side * 100, 140 + k * 14);
            p.drawLine(from, to);
        }
}

void PaintBody(QPainter& p) {
    // Band rows 256..447: the body from the neck down to the base.
    p.fillRect(0, 256, kSize, 192, kFur);
    Blob(p, kOrange, {{-10, 270}, {90, 280}, {110, 360}, {40, 420}, {-10, 400}});
    Blob(p, kOrange, {{522, 270}, {420, 280}, {400, 360}, {470, 420}, {522, 400}});
    Blob(p, kBlack, {{120, 300}, {170, 296}, {180, 340}, {140, 356}, {112, 330}});
    Blob(p, kBlack, {{380, 380}, {430, 372}, {440, 420}, {396, 430}});
    Blob(p, kOrange, {{330, 290}, {370, 296}, {372, 330}, {336, 336}});
    // A faint red bib line under the collar.
    p.fillRect(0, 256, kSize, 6, QColor(220, 200, 190));
}

void PaintSwatches(QPainter& p) {
    // Bottom strip, rows 448..511.
    p.fillRect(0, 448, 64, 64, kFur);
    p.fillRect(64, 448, 64, 64, kPinkColour);
    p.fillRect(128, 448, 64, 64, kRedColour);
    p.fillRect(192, 448, 64, 64, kGoldColour);
    // Tail: orange and dark rings along the length (columns 266..502).
    p.fillRect(256, 448, 256, 64, kFur);
    const QColor rings[] = {kOrange, kBlack, kOrange, kBlack, kOrange};
    for (int i = 0; i < 5; ++i) p.fillRect(280 + i * 46, 448, 22, 64, rings[i]);
}

}  // namespace

QImage PaintFigureTexture() {
    QImage img(kSize, kSize, QImage::Format_ARGB32);
    img.fill(kFur);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    PaintHead(p);
    PaintBody(p);
    PaintSwatches(p);
    p.end();
    return img;
}

}  // namespace scenegen
