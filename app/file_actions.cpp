#include "app/file_actions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <string>

#include "app/animation_list_window.h"
#include "app/disp_window.h"
#include "import/model_file.h"
#include "settings/settings.h"
#include "ui/confirm_dialog.h"
#include "ui/dir_listing.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"
#include "ui/texts.h"

namespace {

constexpr int kNameUnits = 1023;  // a 1024-unit buffer with its terminator

QString FromName(const CName& name) { return QString::fromUtf16(name.Data(), name.Length()); }

CName ToName(const QString& text) {
    CName name;
    name.Set(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    return name;
}

std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool CanOpenForReading(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

// The file a write ends in: the writers add their extension to a name
// without it, so "walk" replaces walk.mdl.
QString WrittenPath(const QString& path, FileDialogMode mode) {
    const QString extension =
        mode == CSelectFileDialog::kModeWriteModel ? QStringLiteral(".mdl") : QStringLiteral(".ani");
    return path.endsWith(extension) ? path : path + extension;
}

void Report(const CFileActionContext& c, const QString& text) {
    if (c.report) c.report(text);
}

Scene& SceneOf(const CFileActionContext& c) { return c.display->GetScene(); }

// Nothing to write or to add an animation to: said at once, nothing is sent.
bool HasModel(const CFileActionContext& c, const QString& refusal) {
    if (SceneOf(c).Snapshot().hasModel) return true;
    Report(c, refusal);
    return false;
}

// Read and imported on the scene's worker; the model on show stays until
// the new one is ready, and stays for good when it cannot be opened.
void OpenModel(const CFileActionContext& c, const QString& path) {
    SceneOf(c).OpenModel(ToPath(QFileInfo(path).absoluteFilePath()));
}

void WriteModelFile(const CFileActionContext& c, QString path) {
    const QString ext = FromName(c.settings->ExtModel);
    if (path.right(4) != ext) path += ext;
    if (path.isEmpty() || !HasModel(c, Text(CTextId::kNothingToWrite))) return;
    SceneOf(c).WriteModel(ToPath(path));
}

// The worker knows best whether there will be a model to add it to: a model
// opened just before may still be on its way.
void OpenAnimation(const CFileActionContext& c, const QString& path) {
    SceneOf(c).AddAnimation(ToPath(QFileInfo(path).absoluteFilePath()));
}

void WriteAnimationFile(const CFileActionContext& c, QString path, QString fileName) {
    const QString ext = FromName(c.settings->ExtAnim);
    if (path.right(4) != ext) {
        path += ext;
        fileName += ext;
    }
    const QString animationName = fileName.left(fileName.size() - 4);
    if (animationName.isEmpty() || path.isEmpty()) return;
    const SceneSnapshot snapshot = SceneOf(c).Snapshot();
    if (!snapshot.hasModel) {
        Report(c, Text(CTextId::kNothingToWrite));
        return;
    }
    if (snapshot.animations.empty()) {
        Report(c, Text(CTextId::kNoAnimationToWrite).arg(FromName(snapshot.modelName)));
        return;
    }
    SceneOf(c).WriteAnimation(ToPath(path), ToName(animationName));
}

}  // namespace

FileType ActionType(FileType selectedType, const QString& fileName) {
    if (selectedType != CSelectList::kTypeNone) return selectedType;
    return FileTypeOfName(fileName);
}

namespace {

QString NotAModel(const QString& name) { return Text(CTextId::kNotAModel).arg(name); }
QString NotAnAnimation(const QString& name) { return Text(CTextId::kNotAnAnimation).arg(name); }

}  // namespace

void OpenFiles(const CFileActionContext& c, const QStringList& paths) {
    if (!c.display || !c.settings) return;
    bool modelOpened = false;
    for (const QString& path : paths) {
        const FileType type = FileTypeOfName(path);
        if ((type == CSelectList::kTypeCollada || type == CSelectList::kTypeModel) && !modelOpened) {
            modelOpened = true;
            OpenModel(c, path);
        } else if (type == CSelectList::kTypeAnimation) {
            OpenAnimation(c, path);
        } else {
            Report(c, type == CSelectList::kTypeOther
                          ? NotAModel(QFileInfo(path).fileName())
                          : Text(CTextId::kOneModelAtATime).arg(QFileInfo(path).fileName()));
        }
    }
}

void RunFileAction(const CFileActionContext& c) {
    CSelectFileDialog* dialog = c.dialog;
    if (!dialog || !dialog->SelectList() || !dialog->FileNameBox() || !c.settings || !c.display) return;
    CSelectList* list = dialog->SelectList();
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    const FileDialogMode mode = dialog->mode;

    bool accepted = false;
    if (confirm) confirm->accepted = false;
    list->fileName = dialog->FileNameBox()->text().left(kNameUnits);
    const QString folder = list->currentPath.isEmpty() ? CurrentDirectory() : list->currentPath;
    const QString path = JoinPath(folder, list->fileName);
    if (!list->fileName.isEmpty() && list->selectedType != CSelectList::kTypeOther) {
        accepted = true;
        // Asked about the file that would be replaced, also when the name was
        // typed without its extension.
        const bool writing =
            mode == CSelectFileDialog::kModeWriteModel || mode == CSelectFileDialog::kModeWriteAnimation;
        if (writing && CanOpenForReading(WrittenPath(path, mode))) accepted = dialog->AskOverwrite();
    }
    if (!accepted) return;  // the dialog stays open for another choice

    const FileType type = ActionType(list->selectedType, list->fileName);
    switch (mode) {
        case CSelectFileDialog::kModeOpenModel:
            if (type == CSelectList::kTypeCollada || type == CSelectList::kTypeModel) OpenModel(c, path);
            else Report(c, NotAModel(list->fileName));
            break;
        case CSelectFileDialog::kModeWriteModel: WriteModelFile(c, path); break;
        case CSelectFileDialog::kModeOpenAnimation:
            if (type == CSelectList::kTypeAnimation) OpenAnimation(c, path);
            else Report(c, NotAnAnimation(list->fileName));
            break;
        case CSelectFileDialog::kModeWriteAnimation: WriteAnimationFile(c, path, list->fileName); break;
        default: break;
    }
    dialog->Close();
}

void ShowSceneEvents(const CFileActionContext& c) {
    if (!c.display) return;
    using Refusal = SceneEvent::Refusal;
    for (const SceneEvent& event : SceneOf(c).TakeEvents()) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(event.path));
        // The scene's own refusals in the interface's language; a file's
        // reason as its reader gave it.
        QString why = QString::fromStdString(event.status.Why());
        if (event.refusal == Refusal::CannotDraw) why = Text(CTextId::kModelCannotBeDrawn);
        if (event.refusal == Refusal::NoModel) why = Text(CTextId::kNoModelForAnimation);
        switch (event.kind) {
            case SceneEvent::Kind::ModelOpened:
                if (!event.status) Report(c, Text(CTextId::kCannotOpen).arg(path, why));
                // What was left out does not stop the model: said on stderr, a line each.
                for (const std::string& note : event.notes)
                    std::fprintf(stderr, "vorland: %s: %s\n", event.path.c_str(), note.c_str());
                break;
            case SceneEvent::Kind::AnimationAdded:
                if (!event.status) Report(c, Text(CTextId::kCannotRead).arg(path, why));
                if (CAnimationListWindow* list = c.animationList; list && event.animationIndex >= 0) {
                    const int last = event.animationIndex;
                    list->selectedIndex = last;
                    // Bring the new row into view.
                    if (last >= list->topIndex + CAnimationListWindow::kVisibleRows)
                        list->SetTopIndex(last - CAnimationListWindow::kVisibleRows + 1);
                    list->Refresh();
                }
                break;
            case SceneEvent::Kind::ModelWritten:
            case SceneEvent::Kind::AnimationWritten:
                if (event.refusal == Refusal::NoModel) Report(c, Text(CTextId::kNothingToWrite));
                else if (event.refusal == Refusal::NoAnimation)
                    Report(c, Text(CTextId::kNoAnimationToWrite).arg(FromName(SceneOf(c).Snapshot().modelName)));
                else if (!event.status) Report(c, Text(CTextId::kCannotWrite).arg(path, why));
                else if (c.notice) c.notice(Text(CTextId::kNoticeSaved).arg(QFileInfo(path).fileName()));
                break;
        }
    }
}
