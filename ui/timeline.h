#pragma once
// The playback bar under the 3D view: a play/pause button, the current time
// and the length (seconds, and frames at 30 f/s), a bar to click and drag,
// and a loop switch. A plain widget: its owner feeds it the length, time and
// states and hears about the user's changes through the callbacks; it
// drives nothing itself.
//
// Painting follows the toolkit: a back buffer of the widget's size, filled
// by QPainter and blitted whole (ui/drawing.h).
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/drawing.h"

struct TimelineStyle {
    CColor4 background{255, 40, 40, 44};
    CColor4 text{255, 230, 230, 230};
    CColor4 bar{255, 90, 90, 96};       // the track
    CColor4 played{255, 220, 140, 60};  // the part of the track before the time, and the knob
    CColor4 button{255, 70, 70, 76};    // the buttons' faces; the loop switch when on uses `played`
    float fontPoints = 9.0f;
};

class CTimeline : public QWidget {
public:
    static constexpr double kFramesPerSecond = 30.0;

    CTimeline();
    ~CTimeline() override;

    // Places the bar at (x, y) in `parent`; objectName "CLASS_TIMELINE"; shown.
    void Create(int x, int y, int width, int height, QWidget* parent);
    void SetStyle(const TimelineStyle& style);

    // The owner's state; none of these runs a callback. A length that is
    // not finite or below 0 counts as 0; the time is held within 0..length.
    void SetLength(double seconds);
    void SetTime(double seconds);
    void SetPlaying(bool playing);
    void SetLooping(bool looping);
    double Length() const { return length_; }
    double Time() const { return time_; }
    bool Playing() const { return playing_; }
    bool Looping() const { return looping_; }
    bool Scrubbing() const { return scrubbing_; }

    // The user's changes: the button and the switch flip their state first;
    // pressing on the bar and dragging sets the time and reports it at each
    // move (the model is posed at once, playing or not).
    std::function<void(bool playing)> onPlayingChanged;
    std::function<void(bool looping)> onLoopingChanged;
    std::function<void(double seconds)> onScrub;

    // Where the parts lie in the widget (for the owner's layout and tests).
    QRect PlayButtonRect() const;
    QRect LoopRect() const;
    QRect TextRect() const;
    QRect BarRect() const;
    // The time under x on the bar (clamped to it), and back.
    double TimeAtX(int x) const;
    int XOfTime(double seconds) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Scrub(int x);

    TimelineStyle style_;
    QFont font_;
    QImage backBuffer_;
    double length_ = 0;
    double time_ = 0;
    bool playing_ = false;
    bool looping_ = true;
    bool scrubbing_ = false;
};

// "1.23 / 4.00 s  37 / 120": time and length in seconds, then the frame and
// the frame count at 30 f/s (frame = floor(time x 30)).
QString TimelineText(double time, double length);
