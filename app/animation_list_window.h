#pragma once
// The list of the current model's animations, below the menu buttons. A
// click on a row makes that animation the one the display plays; the wheel
// and the scroll bar move the first row shown (top index). It paints into the
// menu window's back buffer.
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

#include "scene/scene_types.h"

#include "ui/drawing.h"
#include "ui/metrics.h"

class CDispWindow;
class CScrollBar;
struct CSettings;

class CAnimationListWindow : public QWidget {
public:
    static constexpr int kVisibleRows = 8;

    CAnimationListWindow();
    ~CAnimationListWindow() override;

    // Child of `parent` at the rectangle, painting into `backBuffer`; makes
    // the scroll bar at its right edge. objectName "CLASS_ANIMATIONLISTWINDOW".
    void Create(QWidget* parent, int x, int y, int width, int height, QImage* backBuffer, const CSettings& settings);
    // Where a click goes: the display's scene plays the chosen animation.
    void SetDisplay(CDispWindow* display) { display_ = display; }
    // The rows: the names of the current model's animations, as the scene
    // last published them.
    void SetRows(const QStringList& names);
    // The same with each one's length (shown at the row's right) and the one
    // playing (marked); -1 for none.
    void SetAnimations(const std::vector<AnimationEntry>& animations, int playing);
    int PlayingIndex() const { return playing_; }
    // "2.50 s": the length as its row shows it.
    static QString LengthText(double seconds);

    // Number of rows: the current model's animations, 0 without a model.
    int AnimationCount() const { return static_cast<int>(names_.size()); }
    // Name of row i ("" when out of range).
    QString AnimationName(int i) const;
    // Moves the first row shown, kept to 0 .. max(0, count - 8); the scroll
    // bar's thumb follows.
    void SetTopIndex(int top);
    // Synchronous repaint of the list and its scroll bar.
    void Refresh();

    int RowHeight() const { return rowHeight_; }
    CScrollBar* ScrollBar() const { return scrollBar_; }

    int selectedIndex = -1;
    int topIndex = 0;
    CColor4 background{255, 140, 110, 110};
    CColor4 text{255, 200, 180, 180};

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void SyncThumb(int count);
    void SyncScrollBar(int count);

    CDispWindow* display_ = nullptr;
    QStringList names_;
    std::vector<double> lengths_;  // per row; empty when not known
    int playing_ = -1;
    CScrollBar* scrollBar_ = nullptr;
    CScreenMetrics metrics_;
    QImage* backBuffer_ = nullptr;
    int rowHeight_ = 0;
    int lastMouseX_ = 0, lastMouseY_ = 0;
    bool buttonDown_ = false;
    int wheelRemainder_ = 0;
};
