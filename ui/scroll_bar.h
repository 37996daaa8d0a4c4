#pragma once
// The thin vertical scroll bar at the right edge of a list: a rounded thumb
// whose length stands for the visible share of the list (8 rows) and whose
// position, dragged with the mouse, becomes the list's top index.
//
// The owner creates it as a child at its right edge, sharing its back buffer,
// tells it what it scrolls (SetTarget), sets the thumb length when it paints
// and shows the bar only when there are more than 8 rows.
#include <QWidget>
#include <functional>

#include "ui/drawing.h"

class QImage;
struct CSettings;

class CScrollBar : public QWidget {
public:
    static constexpr int kVisibleRows = 8;

    CScrollBar();
    ~CScrollBar() override;

    // A child of `parent` at (x, 0) -- the bar always starts at the top --
    // `width` wide and `height` (the track) high, painting into the borrowed
    // `backBuffer`; objectName "CLASS_SCROLLBAR"; shown.
    void Create(QWidget* parent, int x, int y, int width, int height, QImage* backBuffer, const CSettings& settings);
    // What the bar scrolls: the list's row count, how to set its top index,
    // and how to repaint the list (and the bar with it) while the thumb moves.
    void SetTarget(std::function<int()> itemCount, std::function<void(int)> setTopIndex,
                   std::function<void()> repaintTarget);

    // Thumb to list: with n rows and free track f = track - thumb, for n > 8
    // the top index becomes trunc(position / f x (n - 8)); otherwise the thumb
    // fills the track and sits at 0.
    void ApplyMapping();
    // Position and length 0 (the list's reset).
    void Reset() {
        thumbPosition = 0;
        thumbLength = 0;
    }

    int TrackLength() const { return height(); }  // the bar's height, also while it is hidden
    bool IsDragging() const { return dragging_; }

    int visibleRows = kVisibleRows;  // rows the owner shows at once; set by its paint
    int thumbPosition = 0;           // pixels from the top, 0 .. track - thumb
    int thumbLength = 0;             // pixels; set by the owner's paint
    CColor4 background{255, 140, 110, 110};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void EndDrag();

    int lastMouseX_ = 0, lastMouseY_ = 0;
    bool dragging_ = false;
    QImage* backBuffer_ = nullptr;
    std::function<int()> itemCount_;
    std::function<void(int)> setTopIndex_;
    std::function<void()> repaintTarget_;
};

// trunc(position / (track - thumb) x (itemCount - visible)) in single
// precision; 0 when there is no free track or no more than `visibleRows` rows.
int ScrollTopIndex(int position, int trackLength, int thumbLength, int itemCount,
                   int visibleRows = CScrollBar::kVisibleRows);
// Corner diameter of the thumb: width / 5, raised to the next even number.
int ThumbCornerDiameter(int width);
// The thumb's rounded rectangle at (0, y), w x h, corner diameter d: four
// quarter pies and five rectangles filled, or four quarter arcs joined by
// straight lines.
void FillRoundedThumb(QPainter& p, int y, int w, int h, int d, const QColor& color);
void OutlineRoundedThumb(QPainter& p, int y, int w, int h, int d, const QColor& color, float penWidth);
