#include "app/shell_layout.h"

#include <cmath>

namespace {
int Trunc(double v) { return static_cast<int>(std::trunc(v)); }
}  // namespace

CMainLayout ComputeMainLayout(int screenHeight, int windowWidth, int cw, int ch) {
    CMainLayout l;
    l.titleBar = Trunc(screenHeight / 30.0);
    l.menuWidth = static_cast<int>(static_cast<float>(windowWidth - 8) * 0.2f);
    l.menuHeight = ch - 4 - l.titleBar;
    l.menu = QRect(4, l.titleBar, l.menuWidth, l.menuHeight);
    l.display = QRect(l.menuWidth + 4, l.titleBar, cw - l.menuWidth - 8, ch - 4 - l.titleBar);
    l.buttonSize = Trunc(l.titleBar * 0.8);
    l.buttonTop = Trunc(l.titleBar * 0.1);
    l.closeLeft = cw - Trunc(l.titleBar * 0.5) - l.buttonSize;
    l.sizeLeft = l.closeLeft - l.buttonSize - Trunc(l.titleBar * 0.3);
    l.minimiseLeft = l.sizeLeft - l.buttonSize - Trunc(l.titleBar * 0.3);
    return l;
}

CMenuLayout ComputeMenuLayout(int menuWidth, int menuHeight, int rowHeight) {
    CMenuLayout l;
    l.buttonWidth = static_cast<int>(static_cast<float>(menuWidth) * 0.95f);
    l.buttonLeft = static_cast<int>(static_cast<float>(menuWidth - l.buttonWidth) * 0.5f);
    l.buttonHeight = Trunc(rowHeight * 1.5);
    int top = Trunc(rowHeight * 0.5);
    for (int& t : l.buttonTops) {
        t = top;
        top += l.buttonHeight;
    }
    const int listTop = Trunc(l.buttonHeight * 1.5 + l.buttonTops[3]);
    const float listHeight = static_cast<float>(menuHeight - listTop) - static_cast<float>(menuHeight) * 0.04f;
    l.list = QRect(l.buttonLeft, listTop, l.buttonWidth, static_cast<int>(listHeight));
    return l;
}

QRect DefaultWindowRect(int screenWidth, int screenHeight) {
    const int w = Trunc(screenWidth / 1.5);
    const int h = Trunc(screenHeight / 1.5);
    return {(screenWidth - w) / 2, (screenHeight - h) / 2, w, h};
}
