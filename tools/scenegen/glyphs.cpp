#include "tools/scenegen/glyphs.h"

#include <QPainterPath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace scenegen {
namespace {

struct Glyph {
    double width;
    const char* path;  // M x,y  L x,y  Q cx,cy x,y ; y grows downwards
};

const std::map<char, Glyph>& Alphabet() {
    static const std::map<char, Glyph> glyphs = {
        {'A', {4.0, "M0,6 L2,0 L4,6 M0.7,4 L3.3,4"}},
        {'C', {3.8, "M3.8,1 Q3.1,0 2,0 Q0,0 0,3 Q0,6 2,6 Q3.1,6 3.8,5"}},
        {'D', {3.9, "M0,0 L0,6 L1.5,6 Q3.9,6 3.9,3 Q3.9,0 1.5,0 L0,0"}},
        {'E', {3.2, "M3.2,0 L0,0 L0,6 L3.2,6 M0,3 L2.7,3"}},
        {'F', {3.2, "M3.2,0 L0,0 L0,6 M0,3 L2.7,3"}},
        {'I', {0.0, "M0,0 L0,6"}},
        {'K', {3.6, "M0,0 L0,6 M3.6,0 L0,3.9 M1.3,2.6 L3.6,6"}},
        {'L', {3.1, "M0,0 L0,6 L3.1,6"}},
        {'M', {4.8, "M0,6 L0,0 L2.4,4.3 L4.8,0 L4.8,6"}},
        {'N', {3.9, "M0,6 L0,0 L3.9,6 L3.9,0"}},
        {'O', {4.3, "M2.15,0 Q4.3,0 4.3,3 Q4.3,6 2.15,6 Q0,6 0,3 Q0,0 2.15,0"}},
        {'P', {3.5, "M0,6 L0,0 L1.9,0 Q3.5,0 3.5,1.6 Q3.5,3.2 1.9,3.2 L0,3.2"}},
        {'R', {3.6, "M0,6 L0,0 L1.9,0 Q3.5,0 3.5,1.6 Q3.5,3.2 1.9,3.2 L0,3.2 M1.9,3.2 L3.6,6"}},
        {'S',
         {3.5,
          "M3.4,0.9 Q2.9,0 1.75,0 Q0.1,0 0.1,1.5 Q0.1,2.9 1.75,3 Q3.5,3.1 3.5,4.5 Q3.5,6 1.75,6 "
          "Q0.5,6 0,5.1"}},
        {'T', {4.0, "M0,0 L4,0 M2,0 L2,6"}},
        {'V', {4.0, "M0,0 L2,6 L4,0"}},
        {'W', {5.6, "M0,0 L1.4,6 L2.8,1.2 L4.2,6 L5.6,0"}},
    };
    return glyphs;
}

constexpr double kGap = 1.7;    // between letters, in grid units
constexpr double kSpace = 3.0;  // a word space

QPainterPath GlyphPath(const Glyph& g, double x, double y, double s) {
    QPainterPath path;
    std::istringstream in(g.path);
    std::string tok;
    auto point = [&](const std::string& t) {
        const auto comma = t.find(',');
        return QPointF(x + std::strtod(t.substr(0, comma).c_str(), nullptr) * s,
                       y + std::strtod(t.substr(comma + 1).c_str(), nullptr) * s);
    };
    while (in >> tok) {
        const char op = tok[0];
        if (op == 'M') {
            path.moveTo(point(tok.substr(1)));
        } else if (op == 'L') {
            path.lineTo(point(tok.substr(1)));
        } else if (op == 'Q') {
            std::string end;
            in >> end;
            path.quadTo(point(tok.substr(1)), point(end));
        }
    }
    return path;
}

}  // namespace

double StrokeTextWidth(const QString& text, double cap) {
    const double s = cap / 6.0;
    double w = 0;
    bool first = true;
    for (QChar qc : text) {
        const char c = static_cast<char>(qc.toLatin1());
        if (c == ' ') {
            w += kSpace * s;
            first = true;
            continue;
        }
        auto it = Alphabet().find(c);
        if (it == Alphabet().end()) continue;
        if (!first) w += kGap * s;
        w += it->second.width * s;
        first = false;
    }
    return w;
}

void DrawStrokeText(QPainter& p, const QString& text, double x, double y, double cap, const QColor& colour,
                    double penWidth) {
    const double s = cap / 6.0;
    QPainterPath all;
    bool first = true;
    for (QChar qc : text) {
        const char c = static_cast<char>(qc.toLatin1());
        if (c == ' ') {
            x += kSpace * s;
            first = true;
            continue;
        }
        auto it = Alphabet().find(c);
        if (it == Alphabet().end()) continue;
        if (!first) x += kGap * s;
        all.addPath(GlyphPath(it->second, x, y, s));
        x += it->second.width * s;
        first = false;
    }
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(all);
    p.restore();
}

void DrawStrokeTextCentred(QPainter& p, const QString& text, double cx, double cy, double cap, const QColor& colour,
                           double penWidth) {
    DrawStrokeText(p, text, cx - StrokeTextWidth(text, cap) / 2, cy - cap / 2, cap, colour, penWidth);
}

}  // namespace scenegen
