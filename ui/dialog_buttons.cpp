#include "ui/dialog_buttons.h"

#include "ui/custom_button.h"

void SetUpDialogButtons(QWidget* dialog, int width, int height, int rowHeight, CCustomButton* close,
                        CCustomButton* cancel, CCustomButton* ok, const CColor4& background) {
    const DialogButtonLayout at = LayOutDialogButtons(width, height, rowHeight);
    close->Create(at.close.x(), at.close.y(), at.close.width(), at.close.height(), dialog);
    close->LoadImages(QStringLiteral("./pict/ButtonClose.png"), QStringLiteral("./pict/ButtonCloseDown.png"));
    cancel->Create(at.cancel.x(), at.cancel.y(), at.cancel.width(), at.cancel.height(), dialog);
    cancel->LoadImages(QStringLiteral("./pict/ButtonCancel.png"), QStringLiteral("./pict/ButtonCancelDown.png"));
    cancel->background = background;
    ok->Create(at.ok.x(), at.ok.y(), at.ok.width(), at.ok.height(), dialog);
    ok->LoadImages(QStringLiteral("./pict/ButtonOK.png"), QStringLiteral("./pict/ButtonOKDown.png"));
    ok->background = background;
}
