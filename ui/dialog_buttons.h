#pragma once
// Where a dialog puts its close button (top right of the title band) and its
// Cancel and OK buttons (bottom right), from its size and the row height.
#include <QRect>

#include <cmath>

class CCustomButton;
class QWidget;
struct CColor4;

struct DialogButtonLayout {
    QRect close, cancel, ok;
};

inline DialogButtonLayout LayOutDialogButtons(int width, int height, int rowHeight) {
    const int t = rowHeight;
    const int s = static_cast<int>(std::trunc(t * 0.8));
    const int b = static_cast<int>(std::trunc(t * 3.0));
    const int buttonY = height - static_cast<int>(std::trunc(t * 0.3)) - t;
    const int cancelX = width - 2 * b - t;
    DialogButtonLayout l;
    l.close = QRect(width - static_cast<int>(std::trunc(t * 0.5)) - s, static_cast<int>(std::trunc(t * 0.1)), s, s);
    l.cancel = QRect(cancelX, buttonY, b, t);
    l.ok = QRect(cancelX + b + static_cast<int>(std::trunc(t * 0.2)), buttonY, b, t);
    return l;
}

// Puts a dialog's close, Cancel and OK buttons in their places with their
// images; Cancel and OK are drawn over the dialog's background colour.
void SetUpDialogButtons(QWidget* dialog, int width, int height, int rowHeight, CCustomButton* close,
                        CCustomButton* cancel, CCustomButton* ok, const CColor4& background);
