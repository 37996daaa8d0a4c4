#pragma once
// The select-file dialog shared by the four file actions: a frameless
// top-level window with a title line naming the file kind and the action, the
// current folder, the select list, the file-name box, an up-one-level button,
// a close button, Cancel and OK. It owns the overwrite question.
//
// Use from the application shell:
//     dialog.Create(r.x(), r.y(), r.width(), r.height(), settings);  // r = DefaultRect(metrics); hidden
//     dialog.SetMainWindow(mainWindow);      // disabled while the dialog is open
//     dialog.SetOkAction([] { ...file action... });
//     dialog.Open(mode);                     // the menu buttons, one mode each
// In the OK action: FileNameBox()->text() is the name, SelectList() holds the
// current path and the selected type (JoinPath in ui/dir_listing.h builds the
// full path), AskOverwrite() runs the question, and Close() enables the main
// window and hides the dialog. Everything but Create needs Create first.
#include <QImage>
#include "ui/title_drag.h"
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "ui/confirm_dialog.h"
#include "ui/custom_button.h"
#include "ui/drawing.h"
#include "ui/metrics.h"
#include "ui/select_list.h"

struct CSettings;
class CSelectFileDialog;
class CTextEdit;

// Up one folder level.
class CButtonDir : public CCustomButton {
public:
    explicit CButtonDir(CSelectFileDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CSelectFileDialog* dialog_;
};

// Runs the dialog's OK action (the file action).
class CButtonOK : public CCustomButton {
public:
    explicit CButtonOK(CSelectFileDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CSelectFileDialog* dialog_;
};

// Enables the main window again and hides the dialog.
class CButtonCancel : public CCustomButton {
public:
    explicit CButtonCancel(CSelectFileDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CSelectFileDialog* dialog_;
};

class CButtonDialogClose : public CButtonCancel {
public:
    using CButtonCancel::CButtonCancel;
};

class CSelectFileDialog : public QWidget, public CFileDialogModes {
public:
    CSelectFileDialog();
    ~CSelectFileDialog() override;

    // Builds the hidden window at (x, y), width x height, with every child and
    // the confirm dialog. objectName "CLASS_DIALOG".
    void Create(int x, int y, int width, int height, const CSettings& settings);
    // trunc(default window size x 0.6), centred on the screen (768 x 432 at
    // (576, 324) on 1920 x 1080).
    static QRect DefaultRect(const CScreenMetrics& m);
    // The title line of a mode; the extensions in it are fixed texts.
    static QString TitleForMode(FileDialogMode mode);

    void SetMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    void SetOkAction(std::function<void()> action) { okAction_ = std::move(action); }

    // What a menu button does: set the mode, size the dialog for the main
    // window (SizeFor), reset the list and the file-name box, disable the
    // main window, clear the list's name and path, and show the dialog on top.
    void Open(FileDialogMode mode);
    // OK (the button, Enter in the name box, a double-clicked file): a typed
    // folder path, absolute, relative to the folder shown or from "~", goes
    // into that folder; anything else runs the OK action, without one set
    // the dialog simply closes.
    void RunOkAction();
    // The dialog's size for a main window of `mainWindow`: 0.6 of it, not
    // below the size it was made with nor above the screen.
    static QSize SizeFor(QSize made, QSize mainWindow, QSize screen);
    // Cancel and close: enable the main window and hide the dialog.
    void Close();
    // The up-level button: to the parent folder, or from a root to the drive view.
    void UpLevel();
    // Synchronous repaint of the dialog and its list.
    void Refresh();
    // Shows the overwrite question on top, disables this dialog and waits in a
    // nested event loop until it is answered; true when the user chose OK.
    bool AskOverwrite();

    FileDialogMode mode = kModeNone;
    CColor4 background{255, 140, 110, 110};
    CColor4 bar{255, 100, 70, 70};
    CColor4 text{255, 200, 180, 180};

    const CScreenMetrics& Metrics() const { return metrics_; }
    CSelectList* SelectList() const { return list_; }
    CTextEdit* FileNameBox() const { return fileNameBox_; }
    CConfirmDialog* ConfirmDialog() const { return confirm_.get(); }
    CButtonDialogClose* CloseButton() const { return closeButton_; }
    CButtonDir* UpButton() const { return upButton_; }
    CButtonCancel* CancelButton() const { return cancelButton_; }
    CButtonOK* OkButton() const { return okButton_; }
    QImage* BackBuffer() { return &backBuffer_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void GiveFocus();
    // Places the list (its rows keep their height), the name box and the
    // buttons for the size.
    void LayOut(int width, int height);
    bool EnterTypedFolder();

    CScreenMetrics metrics_;
    QImage backBuffer_;
    int x_ = 0, y_ = 0;
    CTitleDrag drag_;
    QPointer<QWidget> mainWindow_;
    std::function<void()> okAction_;
    CSelectList* list_ = nullptr;
    CTextEdit* fileNameBox_ = nullptr;
    std::unique_ptr<CConfirmDialog> confirm_;
    CButtonDialogClose* closeButton_ = nullptr;
    CButtonDir* upButton_ = nullptr;
    CButtonCancel* cancelButton_ = nullptr;
    CButtonOK* okButton_ = nullptr;
};
