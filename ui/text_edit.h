#pragma once
// The one-line file-name box of the select-file dialog: a QLineEdit in the
// interface font, trunc(box height x 0.7) pixels high, text colour on the
// background darkened by 20 on each channel. Pointing at it or pressing in it
// gives it the keyboard focus.
#include <QLineEdit>

#include "ui/drawing.h"

struct CSettings;
struct CScreenMetrics;

class CTextEdit : public QLineEdit {
public:
    CTextEdit();
    ~CTextEdit() override;

    // Child of `parent` at the rectangle; objectName "RICHEDIT50W"; shown.
    void Create(QWidget* parent, int x, int y, int width, int height, const CSettings& settings,
                const CScreenMetrics& metrics);

    int FontHeightPixels() const { return fontHeight_; }  // trunc(height x 0.7)
    int FontHeightTwips() const { return fontTwips_; }    // trunc(font height x 1440 / DPI y)
    CColor4 BoxBackground() const { return background_.Shifted(-20); }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CColor4 background_;
    CColor4 text_;
    int fontHeight_ = 0;
    int fontTwips_ = 0;
};
