#pragma once
// The strip down the left of the main window: four image buttons (open
// model, write model, open animation, write animation) and the animation
// list below them, all painted into the strip's own back buffer.
#include <QImage>
#include <functional>
#include <QWidget>

#include "app/shell_layout.h"
#include "platform/name.h"
#include "ui/drawing.h"
#include "ui/file_choice.h"
#include "ui/metrics.h"

class CAnimationListWindow;
class CButtonAnimOpen;
class CButtonAnimWrite;
class CButtonModelOpen;
class CButtonModelWrite;
struct CSettings;

class CMenuWindow : public QWidget {
public:
    CMenuWindow();
    ~CMenuWindow() override;

    // Child of `parent` at the rectangle with its buttons and the animation
    // list; objectName "CLASS_MENUWINDOW"; shown. `metrics` gives the row
    // height and the back buffer's size.
    void Create(QWidget* parent, int x, int y, int width, int height, const CSettings& settings,
                const CScreenMetrics& metrics);
    // The main window's layout sets the height; the buttons stay, the
    // animation list grows or shrinks with it.
    void SetHeight(int height);
    // What the four menu buttons do: open the select-file dialog in a mode.
    void SetOpenDialog(const std::function<void(FileDialogMode mode)>& open);

    CAnimationListWindow* AnimationList() const { return list_; }
    CButtonModelOpen* ModelOpenButton() const { return modelOpen_; }
    CButtonModelWrite* ModelWriteButton() const { return modelWrite_; }
    CButtonAnimOpen* AnimOpenButton() const { return animOpen_; }
    CButtonAnimWrite* AnimWriteButton() const { return animWrite_; }
    const CMenuLayout& Layout() const { return layout_; }

    CName modelPath;  // copy of ModelPath
    CColor4 background{255, 110, 80, 80};
    CColor4 textColor{255, 220, 200, 200};  // kept from the settings; nothing is drawn with it

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    CScreenMetrics metrics_;
    CMenuLayout layout_;
    QImage backBuffer_;
    int lastMouseX_ = 0, lastMouseY_ = 0;
    bool leftDown_ = false, rightDown_ = false;
    CAnimationListWindow* list_ = nullptr;
    CButtonModelOpen* modelOpen_ = nullptr;
    CButtonModelWrite* modelWrite_ = nullptr;
    CButtonAnimOpen* animOpen_ = nullptr;
    CButtonAnimWrite* animWrite_ = nullptr;
};
