#pragma once
// Dragging a top-level window by its title band: the left button pressed in
// the band moves the window with the mouse until it is released. No bound is
// applied, so a window may be dragged partly off the screen.
#include <QMouseEvent>
#include <QPoint>

struct CTitleDrag {
    int lastMouseX = 0, lastMouseY = 0;
    bool pressInTitleBand = false;
    bool buttonDown = false;

    void Press(const QMouseEvent* event, int titleBandHeight) {
        buttonDown = true;
        pressInTitleBand = event->position().y() < titleBandHeight;
        const QPoint g = event->globalPosition().toPoint();
        lastMouseX = g.x();
        lastMouseY = g.y();
    }

    // Adds the mouse's movement to (x, y); false when no drag is under way.
    bool Step(const QMouseEvent* event, int& x, int& y) {
        if (!buttonDown || !pressInTitleBand) return false;
        const QPoint g = event->globalPosition().toPoint();
        x += g.x() - lastMouseX;
        y += g.y() - lastMouseY;
        lastMouseX = g.x();
        lastMouseY = g.y();
        return true;
    }

    void Release() {
        buttonDown = false;
        pressInTitleBand = false;
    }
};
