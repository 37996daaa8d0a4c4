#pragma once
// The overwrite question: a frameless top-level window with a title band
// ("確認", "Confirm"), the file name, the question whether to replace it, a
// close button, Cancel and OK. The answer travels through two flags: OK sets
// accepted 1 and waiting 0; Cancel and close set accepted 0 and waiting 0.
// The select-file dialog owns it and runs the wait (CSelectFileDialog::AskOverwrite).
#include <QImage>
#include "ui/title_drag.h"
#include <QString>
#include <QWidget>
#include <functional>

#include "ui/custom_button.h"
#include "ui/drawing.h"
#include "ui/metrics.h"

struct CSettings;
class CConfirmDialog;

class CButtonConfirmOK : public CCustomButton {
public:
    explicit CButtonConfirmOK(CConfirmDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CConfirmDialog* dialog_;
};

class CButtonConfirmCancel : public CCustomButton {
public:
    explicit CButtonConfirmCancel(CConfirmDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CConfirmDialog* dialog_;
};

// The close button answers like Cancel.
class CButtonConfirmClose : public CButtonConfirmCancel {
public:
    using CButtonConfirmCancel::CButtonConfirmCancel;
};

class CConfirmDialog : public QWidget {
public:
    CConfirmDialog();
    ~CConfirmDialog() override;

    // Places the hidden window at (x, y), width x height; takes the colours
    // from the settings and makes the buttons. objectName "CLASS_CONFIRM_DIALOG".
    void Create(int x, int y, int width, int height, const CSettings& settings);
    // Where the file name shown comes from (the select list's file name).
    void SetFileNameSource(std::function<QString()> source) { fileName_ = std::move(source); }

    // Rectangle of the dialog on a screen: 0.4 x 0.2 of it, centred.
    static QRect DefaultRect(const CScreenMetrics& m);

    // Sets both flags (accepted = ok, waiting = false) and tells the waiter.
    void Answer(bool ok);
    // Called after every answer; the wait loop uses it to return.
    void SetAnswerHook(std::function<void()> hook) { answerHook_ = std::move(hook); }

    bool waiting = false;   // true while the write action waits for the answer
    bool accepted = false;  // true when the user chose OK

    CColor4 background{255, 180, 150, 150};
    CColor4 bar{255, 100, 70, 70};
    CColor4 text{255, 200, 180, 180};

    const CScreenMetrics& Metrics() const { return metrics_; }
    CButtonConfirmClose* CloseButton() const { return closeButton_; }
    CButtonConfirmCancel* CancelButton() const { return cancelButton_; }
    CButtonConfirmOK* OkButton() const { return okButton_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CScreenMetrics metrics_;
    QImage backBuffer_;
    int x_ = 0, y_ = 0;
    CTitleDrag drag_;
    std::function<QString()> fileName_;
    std::function<void()> answerHook_;
    CButtonConfirmClose* closeButton_ = nullptr;
    CButtonConfirmCancel* cancelButton_ = nullptr;
    CButtonConfirmOK* okButton_ = nullptr;
};
