#pragma once
// A notice in the interface's own style: a frameless top-level window with a
// title band, the message (wrapped) and one OK button. It tells the user that
// an import or a read ended with an error; the viewer goes on meanwhile (the
// window does not block). A second message while one is shown is added below
// the first.
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

#include "ui/custom_button.h"
#include "ui/drawing.h"
#include "ui/metrics.h"

struct CSettings;
class CMessageDialog;

class CButtonMessageOK : public CCustomButton {
public:
    explicit CButtonMessageOK(CMessageDialog* dialog) : dialog_(dialog) {}
    bool Click() override;

private:
    CMessageDialog* dialog_;
};

class CMessageDialog : public QWidget {
public:
    CMessageDialog();
    ~CMessageDialog() override;

    // Hidden, 0.4 x 0.2 of the screen, centred; objectName "CLASS_MESSAGE_DIALOG".
    void Create(const CSettings& settings);
    // Shows `text` on top of everything (added to a message still shown).
    void ShowMessage(const QString& text);
    // Hides the window and forgets the text (the OK button), then runs what
    // was to follow the message, once.
    void Dismiss();
    void SetAfterDismiss(std::function<void()> action) { afterDismiss_ = std::move(action); }

    const QString& Text() const { return text_; }
    CButtonMessageOK* OkButton() const { return okButton_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FitToText();

    CScreenMetrics metrics_;
    QImage backBuffer_;
    QString text_;
    CColor4 background_{255, 140, 110, 110};
    CColor4 bar_{255, 100, 70, 70};
    CColor4 textColor_{255, 200, 180, 180};
    CButtonMessageOK* okButton_ = nullptr;
    std::function<void()> afterDismiss_;
};
