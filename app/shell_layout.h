#pragma once
// Geometry of the main window and the menu strip, derived from the screen
// size and the window's current size. Kept apart from the widgets so that the
// numbers can be checked for any screen.
#include <QRect>

// The main window at a current size (cw, ch): the restored window size, or
// the screen size while maximised.
struct CMainLayout {
    int titleBar = 0;      // T = trunc(screen height / 30)
    int menuWidth = 0;     // M = trunc((window width - 8) x 0.2), single precision
    int menuHeight = 0;    // ch - 4 - T
    QRect menu;            // (4, T, M, menu height)
    QRect display;         // (M + 4, T, cw - M - 8, ch - 4 - T)
    int buttonSize = 0;    // S = trunc(T x 0.8)
    int buttonTop = 0;     // trunc(T x 0.1)
    int closeLeft = 0;     // cw - trunc(T x 0.5) - S
    int sizeLeft = 0;      // close left - S - trunc(T x 0.3)
    int minimiseLeft = 0;  // size left - S - trunc(T x 0.3)
};

// `windowWidth` is the restored width (trunc(screen width / 1.5)); the menu
// width depends on it alone, so it does not change when the window is
// maximised.
CMainLayout ComputeMainLayout(int screenHeight, int windowWidth, int currentWidth, int currentHeight);

// The menu strip: four buttons stacked from the top, the animation list below.
struct CMenuLayout {
    int buttonWidth = 0;   // W = trunc(menu width x 0.95)
    int buttonLeft = 0;    // L = trunc((menu width - W) x 0.5)
    int buttonHeight = 0;  // H = trunc(R x 1.5)
    int buttonTops[4] = {};
    QRect list;  // (L, trunc(H x 1.5 + fourth top), W, trunc(menu height - top - menu height x 0.04))
};

CMenuLayout ComputeMenuLayout(int menuWidth, int menuHeight, int rowHeight);

// The restored window: trunc(screen / 1.5), centred on the screen.
QRect DefaultWindowRect(int screenWidth, int screenHeight);
