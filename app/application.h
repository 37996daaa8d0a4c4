#pragma once
// The application object, which is also the main window: a frameless
// top-level window with its own title bar (title, load state or frame rate,
// minimise, size and close buttons), the menu strip on the left and the 3D
// display filling the rest. It owns the settings and the select-file dialog.
// There is one; its buttons reach it through the actions it gives them.
#include <QImage>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "app/scene_context.h"
#include "app/shell_layout.h"
#include "scene/scene_types.h"
#include "ui/drawing.h"
#include "ui/metrics.h"

class CButtonClose;
class CButtonMaximize;
class CButtonMinimize;
class CDispWindow;
class CMenuWindow;
class CMessageDialog;
class CSelectFileDialog;
struct CFileActionContext;
struct CSettings;

class CApplication : public QWidget {
public:
    // Size kinds of OnSize.
    enum class SizeKind { kSizeRestored, kSizeMinimized, kSizeMaximized };
    using enum SizeKind;

    // Records the working directory as the start directory, takes the
    // screen's metrics and reads config.ini from the working directory (or,
    // installed, from ~/.config/vorland).
    CApplication();
    // The same for a given screen (tests of other screen sizes).
    explicit CApplication(const CScreenMetrics& metrics);
    ~CApplication() override;

    // Builds the main window and everything in it, in order: the menu strip
    // with the animation list, the hidden select-file dialog, the back
    // buffer, the three title-bar buttons, then the display window, whose
    // scene takes `eglContext` when it was started.
    void CreateMainWindow(EglContextAhead eglContext = {});

    // Lays the window out for restored (0), maximised (2) or, while the
    // display is in full-screen mode, the whole screen for the display.
    void OnSize(SizeKind kind);
    // The size button.
    void ToggleMaximized();
    // The close button, and any other way of closing the window: back to the
    // start directory, write config.ini, leave the event loop. Once.
    void CloseApplication();

    // "Vorland ver1.6", then " [LOADING...]" while the scene loads or
    // " [FPS: %.2f f/s]" once it runs; then the playback note and, for two
    // seconds after a screenshot, where it went.
    QString TitleText() const;
    // The same for a display state (Created when there is no display) and rate.
    static QString FormatTitle(SceneState displayState, float framesPerSecond);
    // "" while playing at 1x, else " [0.5x]", " [paused]", " [2x paused]".
    static QString PlaybackNote(bool paused, double speed);

    // Opens a model and adds animations (command line, drop) as the menu's
    // actions do; before the scene runs they wait until it does.
    void OpenFiles(const QStringList& paths);
    // The viewer's keys: F frames the model, P pauses and resumes, [ and ]
    // halve and double the speed, F12 saves a screenshot, and the display's
    // inspection keys (CDispWindow::ViewKey). False for others.
    bool HandleViewerKey(int key, bool ctrl = false);
    // Writes the 3D view as vorland-YYYYMMDD-HHMMSS.png into the start
    // directory (installed: the pictures folder); the file's path, or empty when it could not be written.
    QString SaveScreenshot();
    CMainLayout Layout() const;
    // Tells the user what went wrong, in the interface's own message window.
    void ShowMessage(const QString& text);

    CSettings* Settings() const { return settings_.get(); }
    CDispWindow* Display() const { return display_; }
    CMenuWindow* Menu() const { return menu_; }
    CSelectFileDialog* SelectFileDialog() const { return dialog_.get(); }
    CMessageDialog* MessageDialog() const { return messages_.get(); }
    CButtonClose* CloseButton() const { return closeButton_; }
    CButtonMaximize* SizeButton() const { return sizeButton_; }
    CButtonMinimize* MinimizeButton() const { return minimizeButton_; }
    const CScreenMetrics& Metrics() const { return metrics_; }
    bool Closed() const { return closed_; }

    QString startDirectory;
    QString configDirectory;      // whose config.ini is read and written (see platform/data_paths.h)
    QString screenshotDirectory;  // where F12 saves
    int screenWidth = 0, screenHeight = 0;
    int borderWidth = 8, borderHeight = 8;
    int windowWidth = 0, windowHeight = 0;
    int menuWidth = 0, menuHeight = 0;
    int windowX = 0, windowY = 0;
    int titleBarHeight = 0;
    CColor4 background{255, 180, 150, 150};
    CColor4 bar{255, 100, 70, 70};
    bool buttonDown = false;
    bool pressInTitleBar = false;
    bool maximized = false;
    int lastMouseX = 0, lastMouseY = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    CFileActionContext FileActionContext();
    void ShowNotice(const QString& text);
    void LayOut(int currentWidth, int currentHeight);
    void ApplyColorKey(int width, int height);

    CScreenMetrics metrics_;
    QImage backBuffer_;
    std::unique_ptr<CSettings> settings_;
    CDispWindow* display_ = nullptr;
    CMenuWindow* menu_ = nullptr;
    std::unique_ptr<CSelectFileDialog> dialog_;
    std::unique_ptr<CMessageDialog> messages_;
    CButtonClose* closeButton_ = nullptr;
    CButtonMaximize* sizeButton_ = nullptr;
    CButtonMinimize* minimizeButton_ = nullptr;
    bool closed_ = false;
    QStringList pendingFiles_;  // opened once the scene runs
    QString notice_;            // shown in the title for a moment
    QString settingsProblem_;   // config.ini could not be read: said at start, not written on exit
    int noticeSerial_ = 0;
    bool colorKey_ = false;  // a colour of the window is pure white: those pixels are see-through
    QString lastFolder_;     // where the dialog opens first; empty: the start folder
    bool dialogOpened_ = false;
};
