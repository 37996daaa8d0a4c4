#pragma once
// The image button every part of the interface uses: a child widget that
// shows a normal or a pressed PNG over a solid background colour and runs its
// click action when the left button is released.
//
// Use: subclass, implement Click(), then
//     auto* b = new CButtonSomething;     // every field at its default
//     b->Create(x, y, w, h, parent);       // objectName "CLASS_CUSTOMBUTTON", shown
//     b->LoadImages("./pict/X.png", "./pict/XDown.png");
//     b->background = BackgroundColor(settings);   // optional, default opaque black
// An owner that draws its children into its own back buffer calls
// PaintInto(painter, geometry()) from its paint.
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "ui/drawing.h"

class CCustomButton : public QWidget {
public:
    CCustomButton();
    ~CCustomButton() override;

    // Places the button at (x, y) in `parent` with the given size and shows it.
    void Create(int x, int y, int width, int height, QWidget* parent);
    // Loads both images (paths relative to the working directory). A file
    // that is missing or cannot be decoded is listed in MissingImages(), and
    // the button then draws as a plain framed button with its label (taken
    // from the file name, "ButtonModelOpen.png" gives "ModelOpen"), so the
    // interface stays usable without its pictures.
    void LoadImages(const QString& normalPath, const QString& pressedPath);
    // The image files of this button that could not be loaded.
    const QStringList& MissingImages() const { return missing_; }
    // Paints the button (background, then the current image stretched) into
    // another painter at `rect`.
    void PaintInto(QPainter& p, const QRect& rect) const;

    // The button's one action, run on release of the left button wherever the
    // cursor is then, before the button shows its normal image again.
    virtual bool Click() = 0;

    bool IsPressed() const { return pressed_; }
    const QImage& NormalImage() const { return normalImage_; }
    const QImage& PressedImage() const { return pressedImage_; }

    CColor4 background{255, 0, 0, 0};  // drawn behind the image; owners may overwrite it

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PaintLabel(QPainter& p, const QRect& rect) const;

    bool pressed_ = false;
    QString label_;
    QStringList missing_;
    QImage normalImage_;
    QImage pressedImage_;
};
