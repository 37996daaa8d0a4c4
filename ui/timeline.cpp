#include "ui/timeline.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Gaps and sizes as shares of the bar's height, so it scales with the row.
int Gap(int height) { return std::max(2, height / 6); }

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

}  // namespace

QString TimelineText(double time, double length) {
    const auto frames = [](double s) {
        return static_cast<long long>(std::floor(s * CTimeline::kFramesPerSecond + 1e-6));
    };
    return QStringLiteral("%1 / %2 s  %3 / %4")
        .arg(time, 0, 'f', 2)
        .arg(length, 0, 'f', 2)
        .arg(frames(time))
        .arg(frames(length));
}

CTimeline::CTimeline() {
    setObjectName(QStringLiteral("CLASS_TIMELINE"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = CreateInterfaceFont(style_.fontPoints);
    hide();
}

CTimeline::~CTimeline() = default;

void CTimeline::Create(int x, int y, int width, int height, QWidget* parent) {
    if (parentWidget() != parent) setParent(parent);
    setGeometry(x, y, width, height);
    show();
}

void CTimeline::SetStyle(const TimelineStyle& style) {
    style_ = style;
    font_ = CreateInterfaceFont(style_.fontPoints);
    update();
}

void CTimeline::SetLength(double seconds) {
    length_ = std::max(0.0, Finite(seconds));
    time_ = std::clamp(time_, 0.0, length_);
    update();
}

void CTimeline::SetTime(double seconds) {
    time_ = std::clamp(Finite(seconds), 0.0, length_);
    update();
}

void CTimeline::SetPlaying(bool playing) {
    playing_ = playing;
    update();
}

void CTimeline::SetLooping(bool looping) {
    looping_ = looping;
    update();
}

QRect CTimeline::PlayButtonRect() const {
    const int g = Gap(height());
    return {g, g, height() - 2 * g, height() - 2 * g};
}

QRect CTimeline::LoopRect() const {
    const int g = Gap(height());
    const int w = 2 * (height() - 2 * g);
    return {width() - g - w, g, w, height() - 2 * g};
}

QRect CTimeline::TextRect() const {
    const int g = Gap(height());
    const int w = QFontMetrics(font_).horizontalAdvance(TimelineText(9999.99, 9999.99)) + 2 * g;
    return {LoopRect().left() - g - w, 0, w, height()};
}

QRect CTimeline::BarRect() const {
    const int g = Gap(height());
    const int left = PlayButtonRect().right() + 1 + 2 * g;
    return {left, g, std::max(1, TextRect().left() - g - left), height() - 2 * g};
}

double CTimeline::TimeAtX(int x) const {
    const QRect bar = BarRect();
    if (length_ <= 0.0 || bar.width() <= 1) return 0.0;
    const double share = std::clamp(static_cast<double>(x - bar.left()) / (bar.width() - 1), 0.0, 1.0);
    return share * length_;
}

int CTimeline::XOfTime(double seconds) const {
    const QRect bar = BarRect();
    if (length_ <= 0.0) return bar.left();
    const double share = std::clamp(seconds / length_, 0.0, 1.0);
    return bar.left() + static_cast<int>(std::lround(share * (bar.width() - 1)));
}

void CTimeline::paintEvent(QPaintEvent*) {
    if (backBuffer_.size() != size()) backBuffer_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&backBuffer_);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(rect(), ToQColor(style_.background.Opaque()));
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);

        // Play shows a triangle, pause (while playing) two bars.
        const QRectF button = PlayButtonRect();
        p.fillRect(button, ToQColor(style_.button.Opaque()));
        const QColor ink = ToQColor(style_.text.Opaque());
        const double s = button.height();
        const QPointF c = button.center();
        if (playing_) {
            p.fillRect(QRectF(c.x() - 0.28 * s, c.y() - 0.3 * s, 0.2 * s, 0.6 * s), ink);
            p.fillRect(QRectF(c.x() + 0.08 * s, c.y() - 0.3 * s, 0.2 * s, 0.6 * s), ink);
        } else {
            QPainterPath triangle;
            triangle.moveTo(c.x() - 0.22 * s, c.y() - 0.3 * s);
            triangle.lineTo(c.x() + 0.3 * s, c.y());
            triangle.lineTo(c.x() - 0.22 * s, c.y() + 0.3 * s);
            triangle.closeSubpath();
            p.fillPath(triangle, ink);
        }

        // The track, the played part and the knob at the time.
        const QRect bar = BarRect();
        const double trackHeight = std::max(2.0, bar.height() / 4.0);
        const QRectF track(bar.left(), bar.center().y() - trackHeight / 2, bar.width(), trackHeight);
        p.fillRect(track, ToQColor(style_.bar.Opaque()));
        const int knobX = XOfTime(time_);
        p.fillRect(QRectF(track.left(), track.top(), knobX - track.left(), trackHeight),
                   ToQColor(style_.played.Opaque()));
        const double knob = bar.height() * 0.6;
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(style_.played.Opaque()));
        p.drawEllipse(QPointF(knobX + 0.5, track.center().y()), knob / 2, knob / 2);

        DrawInterfaceText(
            p, TimelineText(time_, length_), font_,
            QRectF(TextRect()).adjusted(Gap(height()), (height() - QFontMetrics(font_).height()) / 2.0, 0, 0), ink);

        // The loop switch: lit while on.
        const QRect loop = LoopRect();
        p.fillRect(loop, ToQColor((looping_ ? style_.played : style_.button).Opaque()));
        p.setPen(QPen(ink, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawText(loop, Qt::AlignCenter, QStringLiteral("Loop"));
    }
    BlitBackBuffer(this, backBuffer_, width(), height());
}

void CTimeline::Scrub(int x) {
    time_ = TimeAtX(x);
    repaint();
    if (onScrub) onScrub(time_);
}

void CTimeline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (PlayButtonRect().contains(at)) {
        playing_ = !playing_;
        repaint();
        if (onPlayingChanged) onPlayingChanged(playing_);
    } else if (LoopRect().contains(at)) {
        looping_ = !looping_;
        repaint();
        if (onLoopingChanged) onLoopingChanged(looping_);
    } else if (at.x() >= BarRect().left() && at.x() <= BarRect().right()) {
        scrubbing_ = true;
        Scrub(at.x());
    }
}

void CTimeline::mouseMoveEvent(QMouseEvent* event) {
    if (scrubbing_) Scrub(event->position().toPoint().x());
}

void CTimeline::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && scrubbing_) {
        Scrub(event->position().toPoint().x());
        scrubbing_ = false;
    }
}
