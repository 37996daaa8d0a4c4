#include "app/shell_buttons.h"

#include "app/application.h"
#include "ui/select_file_dialog.h"

bool CButtonClose::Click() {
    if (CApplication* app = TheApplication()) app->CloseApplication();
    return true;
}

bool CButtonMinimize::Click() {
    if (CApplication* app = TheApplication()) app->showMinimized();
    return true;
}

bool CButtonMaximize::Click() {
    if (CApplication* app = TheApplication()) app->ToggleMaximized();
    return true;
}

bool CMenuButton::Click() {
    CApplication* app = TheApplication();
    if (app && app->SelectFileDialog()) app->SelectFileDialog()->Open(mode_);
    return true;
}
