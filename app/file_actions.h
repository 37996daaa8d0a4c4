#pragma once
// The select-file dialog's OK action: open a COLLADA or .mdl model, write the
// model as .mdl, add a .ani animation, or write the first animation as .ani,
// asking before an existing file is overwritten. What goes wrong is told to
// the user through `report`; the viewer keeps the state that results.
#include <QString>
#include <QStringList>
#include <functional>

#include "ui/file_choice.h"

class CAnimationListWindow;
class CDispWindow;
class CSelectFileDialog;
struct CSettings;

struct CFileActionContext {
    CSelectFileDialog* dialog = nullptr;
    CDispWindow* display = nullptr;
    CAnimationListWindow* animationList = nullptr;
    const CSettings* settings = nullptr;
    std::function<void(const QString&)> report;  // a message window
    std::function<void(const QString&)> notice;  // a short note in the title
};

// The type the action goes by: the selected row's; with nothing selected,
// the typed name's, so that a name typed into the box opens too.
FileType ActionType(FileType selectedType, const QString& fileName);

// Runs the action of the dialog's mode on the dialog's file name.
void RunFileAction(const CFileActionContext& context);

// Tells the user what came of the file commands the scene finished: the
// failures in a message, a write by a note, a new animation by the list.
void ShowSceneEvents(const CFileActionContext& context);

// Files named on the command line or dropped on the window: the first model
// (.dae or .mdl) is opened, then every .ani is added, in order, as the menu's
// actions would with the same messages; any other file is reported and
// skipped. A model's textures are read from its own folder.
void OpenFiles(const CFileActionContext& context, const QStringList& paths);
