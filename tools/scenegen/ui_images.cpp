#include "tools/scenegen/ui_images.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "tools/scenegen/glyphs.h"

namespace scenegen {
namespace {

// Default interface colours (no pure white anywhere: the main window shows
// the desktop through white pixels).
const QColor kBar(100, 70, 70);
const QColor kMenu(110, 80, 80);
const QColor kBackground(140, 110, 110);
const QColor kText(220, 200, 200);
const QColor kTextBright(244, 232, 226);
const QColor kPlate(132, 98, 98);
const QColor kPlateEdge(160, 126, 124);
const QColor kPlateDown(80, 54, 54);
const QColor kPlateDownEdge(66, 44, 44);
const QColor kAccent(232, 176, 110);

// Sizes of the buttons and icons on a 1920 x 1080 screen (row height 36).
constexpr int kTitleButton = 28;
constexpr int kMenuW = 241, kMenuH = 54;
constexpr int kDialogW = 108, kDialogH = 36;
constexpr int kDirButton = 43;
constexpr int kIcon = 24;

QImage Canvas(int w, int h, const QColor& fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

struct Painter {
    explicit Painter(QImage& img) : p(&img) { p.setRenderHint(QPainter::Antialiasing); }
    QPainter p;
};

// A rounded plate; pressed plates are darker and sunk.
void Plate(QPainter& p, const QRectF& r, double radius, bool down) {
    p.setPen(QPen(down ? kPlateDownEdge : kPlateEdge, 1.5));
    p.setBrush(down ? kPlateDown : kPlate);
    p.drawRoundedRect(r, radius, radius);
    if (!down) {
        // A soft highlight along the top edge.
        p.setPen(QPen(QColor(176, 142, 140), 1.0));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    }
}

QPen Stroke(const QColor& c, double w) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// ---- title bar buttons: opaque, in the bar colour ---------------------------

QImage TitleButton(bool down, bool danger, const std::function<void(QPainter&, const QColor&)>& symbol) {
    QImage img = Canvas(kTitleButton, kTitleButton, kBar);
    Painter pp(img);
    QPainter& p = pp.p;
    if (down) {
        p.setPen(Qt::NoPen);
        p.setBrush(danger ? QColor(176, 62, 58) : QColor(72, 48, 48));
        p.drawRoundedRect(QRectF(1, 1, kTitleButton - 2, kTitleButton - 2), 5, 5);
    }
    symbol(p, down ? kTextBright : kText);
    return img;
}

void CloseSymbol(QPainter& p, const QColor& c) {
    p.setPen(Stroke(c, 2.4));
    p.drawLine(QPointF(8.5, 8.5), QPointF(19.5, 19.5));
    p.drawLine(QPointF(19.5, 8.5), QPointF(8.5, 19.5));
}

void SizeSymbol(QPainter& p, const QColor& c) {
    p.setPen(Stroke(c, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(8, 8, 12, 12));
    p.drawLine(QPointF(8, 9.5), QPointF(20, 9.5));
}

void MinSymbol(QPainter& p, const QColor& c) {
    p.setPen(Stroke(c, 2.4));
    p.drawLine(QPointF(8.5, 19), QPointF(19.5, 19));
}

// ---- small drawings shared by buttons and icons ------------------------------

void Folder(QPainter& p, const QRectF& r, const QColor& body, const QColor& edge, double line) {
    const double w = r.width(), h = r.height();
    QPainterPath back;
    back.moveTo(r.left(), r.top() + h * 0.12);
    back.lineTo(r.left() + w * 0.38, r.top() + h * 0.12);
    back.lineTo(r.left() + w * 0.48, r.top() + h * 0.26);
    back.lineTo(r.right(), r.top() + h * 0.26);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(Stroke(edge, line));
    p.setBrush(body.darker(118));
    p.drawPath(back);
    p.setBrush(body);
    p.drawRect(QRectF(r.left(), r.top() + h * 0.36, w, h * 0.64));
}

void Cube(QPainter& p, const QPointF& c, double s, const QColor& base, const QColor& edge, double line) {
    const QPointF top(c.x(), c.y() - s), left(c.x() - s * 0.87, c.y() - s * 0.5),
        right(c.x() + s * 0.87, c.y() - s * 0.5);
    const QPointF mid = c, bl(c.x() - s * 0.87, c.y() + s * 0.5), br(c.x() + s * 0.87, c.y() + s * 0.5),
                  bottom(c.x(), c.y() + s);
    p.setPen(Stroke(edge, line));
    p.setBrush(base.lighter(125));
    p.drawPolygon(QPolygonF({top, right, mid, left}));
    p.setBrush(base);
    p.drawPolygon(QPolygonF({left, mid, bottom, bl}));
    p.setBrush(base.darker(130));
    p.drawPolygon(QPolygonF({mid, right, br, bottom}));
}

void FilmStrip(QPainter& p, const QRectF& r, const QColor& frame, const QColor& light, double line) {
    p.setPen(Stroke(frame.darker(140), line));
    p.setBrush(frame);
    p.drawRoundedRect(r, r.height() * 0.12, r.height() * 0.12);
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    const double hole = r.height() * 0.11;
    for (int i = 0; i < 4; ++i) {
        const double x = r.left() + r.width() * (0.14 + 0.24 * i);
        p.drawRect(QRectF(x, r.top() + hole * 0.7, hole * 1.2, hole));
        p.drawRect(QRectF(x, r.bottom() - hole * 1.7, hole * 1.2, hole));
    }
    // Play triangle in the middle.
    const QPointF c = r.center();
    const double t = r.height() * 0.22;
    p.drawPolygon(QPolygonF(
        {QPointF(c.x() - t * 0.8, c.y() - t), QPointF(c.x() + t, c.y()), QPointF(c.x() - t * 0.8, c.y() + t)}));
}

// An arrow from `from` to `to` with a filled head.
void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& c, double line, double head) {
    p.setPen(Stroke(c, line));
    const QPointF d = to - from;
    const double len = std::hypot(d.x(), d.y());
    const QPointF u = d / len, n(-u.y(), u.x());
    p.drawLine(from, to - u * head * 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({to, to - u * head + n * head * 0.6, to - u * head - n * head * 0.6}));
}

// ---- menu buttons ------------------------------------------------------------

enum class Kind { Model, Anim };
enum class Action { Open, Write };

void KindIcon(QPainter& p, Kind kind, const QPointF& c, double s) {
    if (kind == Kind::Model) Cube(p, c, s * 0.52, QColor(150, 170, 206), QColor(60, 44, 44), 1.4);
    else
        FilmStrip(p, QRectF(c.x() - s * 0.56, c.y() - s * 0.4, s * 1.12, s * 0.8), QColor(90, 150, 156),
                  QColor(236, 226, 214), 1.4);
}

// The action badge beside the kind icon: a folder (open) or an arrow down
// into a tray (write).
void ActionBadge(QPainter& p, Action action, const QPointF& c, double s, const QColor& colour) {
    if (action == Action::Open) {
        Folder(p, QRectF(c.x() - s * 0.55, c.y() - s * 0.45, s * 1.1, s * 0.9), QColor(226, 188, 104),
               QColor(70, 46, 34), 1.2);
        return;
    }
    p.setPen(Stroke(colour, 2.2));
    p.setBrush(Qt::NoBrush);
    QPainterPath tray;
    tray.moveTo(c.x() - s * 0.45, c.y() + s * 0.1);
    tray.lineTo(c.x() - s * 0.45, c.y() + s * 0.45);
    tray.lineTo(c.x() + s * 0.45, c.y() + s * 0.45);
    tray.lineTo(c.x() + s * 0.45, c.y() + s * 0.1);
    p.drawPath(tray);
    Arrow(p, QPointF(c.x(), c.y() - s * 0.5), QPointF(c.x(), c.y() + s * 0.32), colour, 2.2, s * 0.34);
}

QImage MenuButton(Kind kind, Action action, bool down) {
    QImage img = Canvas(kMenuW, kMenuH);
    Painter pp(img);
    QPainter& p = pp.p;
    const double shift = down ? 1.0 : 0.0;
    Plate(p, QRectF(3.5, 3.5, kMenuW - 7, kMenuH - 7), 8, down);
    p.translate(shift, shift);
    KindIcon(p, kind, QPointF(30, kMenuH / 2.0), 30);
    ActionBadge(p, action, QPointF(58, kMenuH / 2.0 + 1), 18, down ? kTextBright : kAccent);
    const QString words =
        QString(action == Action::Open ? "OPEN " : "WRITE ") + (kind == Kind::Model ? "MODEL" : "ANIMATION");
    const double left = 76, right = kMenuW - 12;
    double cap = 13.0;
    while (StrokeTextWidth(words, cap) > right - left && cap > 8) cap -= 0.5;
    DrawStrokeText(p, words, left, kMenuH / 2.0 - cap / 2, cap, down ? kTextBright : kText, 2.0);
    return img;
}

// ---- dialog buttons ----------------------------------------------------------

QImage DialogButton(bool ok, bool down) {
    QImage img = Canvas(kDialogW, kDialogH);
    Painter pp(img);
    QPainter& p = pp.p;
    Plate(p, QRectF(2.5, 2.5, kDialogW - 5, kDialogH - 5), 6, down);
    const double shift = down ? 1.0 : 0.0;
    p.translate(shift, shift);
    const QColor ink = down ? kTextBright : kText;
    const QString word = ok ? "OK" : "CANCEL";
    const double cap = 11.0;
    const double textW = StrokeTextWidth(word, cap);
    const double total = 14 + 8 + textW;
    const double x0 = (kDialogW - total) / 2, cy = kDialogH / 2.0;
    if (ok) {
        p.setPen(Stroke(down ? kTextBright : QColor(170, 220, 150), 2.6));
        p.drawPolyline(QPolygonF({QPointF(x0, cy), QPointF(x0 + 5, cy + 5), QPointF(x0 + 14, cy - 6)}));
    } else {
        p.setPen(Stroke(down ? kTextBright : QColor(236, 150, 140), 2.4));
        p.drawLine(QPointF(x0 + 1, cy - 6), QPointF(x0 + 13, cy + 6));
        p.drawLine(QPointF(x0 + 13, cy - 6), QPointF(x0 + 1, cy + 6));
    }
    DrawStrokeText(p, word, x0 + 22, cy - cap / 2, cap, ink, 1.9);
    return img;
}

QImage DirButton(bool down) {
    QImage img = Canvas(kDirButton, kDirButton);
    Painter pp(img);
    QPainter& p = pp.p;
    Plate(p, QRectF(2.5, 2.5, kDirButton - 5, kDirButton - 5), 7, down);
    const double shift = down ? 1.0 : 0.0;
    p.translate(shift, shift);
    Folder(p, QRectF(8, 12, 27, 22), QColor(222, 184, 104), QColor(92, 64, 40), 1.3);
    // "Up one level": an arrow rising out of the folder.
    Arrow(p, QPointF(21.5, 30), QPointF(21.5, 6), down ? kTextBright : QColor(70, 40, 40), 3.0, 9);
    return img;
}

// ---- file-type icons (transparent, for the list rows) -------------------------

QImage IconDir() {
    QImage img = Canvas(kIcon, kIcon);
    Painter pp(img);
    Folder(pp.p, QRectF(2.5, 4, 19, 16), QColor(226, 188, 104), QColor(86, 58, 36), 1.1);
    return img;
}

QImage IconModel() {
    QImage img = Canvas(kIcon, kIcon);
    Painter pp(img);
    Cube(pp.p, QPointF(12, 12.5), 9.2, QColor(150, 170, 206), QColor(52, 40, 48), 1.1);
    return img;
}

QImage IconAnim() {
    QImage img = Canvas(kIcon, kIcon);
    Painter pp(img);
    FilmStrip(pp.p, QRectF(2, 4.5, 20, 15), QColor(90, 150, 156), QColor(236, 226, 214), 1.0);
    return img;
}

QImage IconDae() {
    QImage img = Canvas(kIcon, kIcon);
    Painter pp(img);
    QPainter& p = pp.p;
    // A page with a folded corner and a small orange cube: an exchange file
    // holding a model.
    QPainterPath page;
    page.moveTo(4.5, 2.5);
    page.lineTo(14.5, 2.5);
    page.lineTo(19.5, 7.5);
    page.lineTo(19.5, 21.5);
    page.lineTo(4.5, 21.5);
    page.closeSubpath();
    p.setPen(Stroke(QColor(70, 52, 52), 1.1));
    p.setBrush(QColor(236, 228, 214));
    p.drawPath(page);
    p.setBrush(QColor(200, 188, 172));
    p.drawPolygon(QPolygonF({QPointF(14.5, 2.5), QPointF(14.5, 7.5), QPointF(19.5, 7.5)}));
    Cube(p, QPointF(12, 14.5), 5.0, QColor(226, 138, 64), QColor(90, 50, 30), 0.9);
    return img;
}

}  // namespace

std::vector<NamedImage> PaintInterfaceImages() {
    std::vector<NamedImage> out;
    auto both = [&](const QString& name, const std::function<QImage(bool)>& paint) {
        out.push_back({name + ".png", paint(false)});
        out.push_back({name + "Down.png", paint(true)});
    };
    both("ButtonClose", [](bool d) { return TitleButton(d, true, CloseSymbol); });
    both("ButtonSize", [](bool d) { return TitleButton(d, false, SizeSymbol); });
    both("ButtonMin", [](bool d) { return TitleButton(d, false, MinSymbol); });
    both("ButtonModelOpen", [](bool d) { return MenuButton(Kind::Model, Action::Open, d); });
    both("ButtonModelWrite", [](bool d) { return MenuButton(Kind::Model, Action::Write, d); });
    both("ButtonAnimOpen", [](bool d) { return MenuButton(Kind::Anim, Action::Open, d); });
    both("ButtonAnimWrite", [](bool d) { return MenuButton(Kind::Anim, Action::Write, d); });
    both("ButtonCancel", [](bool d) { return DialogButton(false, d); });
    both("ButtonOK", [](bool d) { return DialogButton(true, d); });
    both("ButtonDir", [](bool d) { return DirButton(d); });
    out.push_back({"IconModel.png", IconModel()});
    out.push_back({"IconAnim.png", IconAnim()});
    out.push_back({"IconDir.png", IconDir()});
    out.push_back({"IconDae.png", IconDae()});
    return out;
}

}  // namespace scenegen
