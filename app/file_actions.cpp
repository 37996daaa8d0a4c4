#include "app/file_actions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <string>

#include "app/animation_list_window.h"
#include "app/disp_window.h"
#include "settings/settings.h"
#include "collada/collada.h"
#include "gltf/gltf.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model.h"
#include "ui/confirm_dialog.h"
#include "ui/dir_listing.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"

namespace {

constexpr int kNameUnits = 1023;  // a 1024-unit buffer with its terminator

QString FromName(const CName& name) { return QString::fromUtf16(name.Data(), name.Length()); }

CName ToName(const QString& text) {
    CName name;
    name.Set(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
    return name;
}

std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool CanOpenForReading(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

// The file a write ends in: the writers add their extension to a name
// without it, so "walk" replaces walk.mdl.
QString WrittenPath(const QString& path, int mode) {
    const QString extension =
        mode == CSelectFileDialog::kModeWriteModel ? QStringLiteral(".mdl") : QStringLiteral(".ani");
    return path.endsWith(extension) ? path : path + extension;
}

void Report(const CFileActionContext& c, const QString& text) {
    if (c.report) c.report(text);
}

// Until the scene runs, the loader is about to put its own models in place.
bool SceneRunning(const CFileActionContext& c) {
    if (c.display->State() == CDispWindow::StateRunning) return true;
    Report(c, QStringLiteral("The scene is still loading: open the file again once it shows."));
    return false;
}

void OpenModel(const CFileActionContext& c, const QString& path, int type) {
    if (!SceneRunning(c)) return;
    CDispWindow* display = c.display;
    display->ReleaseCurrentModel();  // its memory goes before the new one comes
    auto model = std::make_unique<CModel>();
    if (type == CSelectList::kTypeCollada) {
        std::string error;
        const bool imported = IsGltfFileName(path) ? LoadGltf(*model, ToPath(path), &error)
                                                   : LoadCollada(*model, ToPath(path), c.settings->ExtDae, &error);
        if (!imported)
            Report(c, QStringLiteral("%1 could not be imported.\n%2")
                          .arg(path, error.empty() ? QStringLiteral("The file cannot be read.")
                                                   : QString::fromStdString(error)));
    } else if (std::string why; !ReadModel(*model, ToPath(path), &why)) {
        Report(c, QStringLiteral("%1 could not be read: %2.").arg(path, QString::fromStdString(why)));
    }
    // Built between two frames; the list shows the new animations then.
    CAnimationListWindow* list = c.animationList;
    display->ReplaceCurrentModelLater(std::move(model), [list](bool) {
        if (list) list->Refresh();
    });
}

void WriteModelFile(const CFileActionContext& c, QString path) {
    const QString ext = FromName(c.settings->ExtModel);
    if (path.right(4) != ext) path += ext;
    std::string why;
    {
        auto structure = c.display->LockStructure();  // no animation is added meanwhile
        const CModel* model = c.display->CurrentModel();
        if (path.isEmpty() || !model || WriteModel(*model, ToPath(path), &why)) return;
    }
    Report(c, QStringLiteral("Cannot write %1: %2.").arg(path, QString::fromStdString(why)));
}

void OpenAnimation(const CFileActionContext& c, const QString& path) {
    CDispWindow* display = c.display;
    if (!SceneRunning(c)) return;
    if (auto structure = display->LockStructure(); !display->CurrentModel()) {
        Report(c, QStringLiteral("No model is open: open a model before its animations."));
        return;
    }
    // Read on the render thread between two frames, into the model it draws.
    struct Outcome {
        bool read = false;
        std::string why;
    };
    auto outcome = std::make_shared<Outcome>();
    const std::string file = ToPath(path);
    display->AddAnimationLater(
        [outcome, file](CModel& model) { return outcome->read = ReadAnimation(model, file, true, &outcome->why); },
        [c, outcome, path](int last) {
            if (!outcome->read)
                Report(c, QStringLiteral("%1 could not be read: %2.").arg(path, QString::fromStdString(outcome->why)));
            if (CAnimationListWindow* list = c.animationList) {
                list->selectedIndex = last;
                // Bring the new row into view.
                if (last >= list->topIndex + CAnimationListWindow::kVisibleRows)
                    list->SetTopIndex(last - CAnimationListWindow::kVisibleRows + 1);
                list->Refresh();
            }
        });
}

void WriteAnimationFile(const CFileActionContext& c, QString path, QString fileName) {
    const QString ext = FromName(c.settings->ExtAnim);
    if (path.right(4) != ext) {
        path += ext;
        fileName += ext;
    }
    const QString animationName = fileName.left(fileName.size() - 4);
    QString problem;
    {
        auto structure = c.display->LockStructure();
        const CModel* model = c.display->CurrentModel();
        if (animationName.isEmpty() || path.isEmpty() || !model) return;
        std::string why;
        if (model->animations.Count() == 0)
            problem = QStringLiteral("The model %1 has no animation to write.").arg(FromName(model->name));
        else if (!WriteAnimation(*model, ToName(animationName), ToPath(path), &why))
            problem = QStringLiteral("Cannot write %1: %2.").arg(path, QString::fromStdString(why));
    }
    if (!problem.isEmpty()) Report(c, problem);
}

}  // namespace

int FileTypeOfName(const QString& name) {
    if (name.size() < 5) return CSelectList::kTypeOther;
    const QString last4 = name.right(4);
    if (last4 == QLatin1String(".mdl")) return CSelectList::kTypeModel;
    if (last4 == QLatin1String(".ani")) return CSelectList::kTypeAnimation;
    if (last4 == QLatin1String(".dae") || IsGltfFileName(name)) return CSelectList::kTypeCollada;
    return CSelectList::kTypeOther;
}

int ActionType(int selectedType, const QString& fileName) {
    if (selectedType != CSelectList::kTypeNone) return selectedType;
    return FileTypeOfName(fileName);
}

namespace {

QString NotAModel(const QString& name) {
    return QStringLiteral("%1 is not a model file (.dae or .mdl): nothing was opened.").arg(name);
}
QString NotAnAnimation(const QString& name) {
    return QStringLiteral("%1 is not an animation file (.ani): nothing was opened.").arg(name);
}

// Runs `open` on the file's absolute path with its folder as the working
// directory, and goes back afterwards.
template <class Open>
void InFolderOf(const QString& path, Open open) {
    const QFileInfo info(path);
    const QString previous = QDir::currentPath();
    const bool moved = QDir::setCurrent(info.absolutePath());
    open(info.absoluteFilePath());
    if (moved) QDir::setCurrent(previous);
}

}  // namespace

void OpenFiles(const CFileActionContext& c, const QStringList& paths) {
    if (!c.display || !c.settings) return;
    bool modelOpened = false;
    for (const QString& path : paths) {
        const int type = FileTypeOfName(path);
        if ((type == CSelectList::kTypeCollada || type == CSelectList::kTypeModel) && !modelOpened) {
            modelOpened = true;
            InFolderOf(path, [&](const QString& full) { OpenModel(c, full, type); });
        } else if (type == CSelectList::kTypeAnimation) {
            InFolderOf(path, [&](const QString& full) { OpenAnimation(c, full); });
        } else {
            Report(c, type == CSelectList::kTypeOther ? NotAModel(QFileInfo(path).fileName())
                                                      : QStringLiteral("%1: one model at a time; it was not opened.")
                                                            .arg(QFileInfo(path).fileName()));
        }
    }
}

void RunFileAction(const CFileActionContext& c) {
    CSelectFileDialog* dialog = c.dialog;
    if (!dialog || !dialog->SelectList() || !dialog->FileNameBox() || !c.settings || !c.display) return;
    CSelectList* list = dialog->SelectList();
    CConfirmDialog* confirm = dialog->ConfirmDialog();
    const int mode = dialog->mode;

    bool accepted = false;
    if (confirm) confirm->accepted = false;
    list->fileName = dialog->FileNameBox()->text().left(kNameUnits);
    const QString folder = list->currentPath.isEmpty() ? CurrentDirectory() : list->currentPath;
    const QString path = JoinPath(folder, list->fileName);
    if (!list->fileName.isEmpty() && list->selectedType != CSelectList::kTypeOther) {
        accepted = true;
        // Asked about the file that would be replaced, also when the name was
        // typed without its extension.
        const bool writing = mode == CSelectFileDialog::kModeWriteModel || mode == CSelectFileDialog::kModeWriteAnimation;
        if (writing && CanOpenForReading(WrittenPath(path, mode))) accepted = dialog->AskOverwrite();
    }
    if (!accepted) return;  // the dialog stays open for another choice

    const int type = ActionType(list->selectedType, list->fileName);
    switch (mode) {
        case CSelectFileDialog::kModeOpenModel:
            if (type == CSelectList::kTypeCollada || type == CSelectList::kTypeModel) OpenModel(c, path, type);
            else Report(c, NotAModel(list->fileName));
            break;
        case CSelectFileDialog::kModeWriteModel:
            WriteModelFile(c, path);
            break;
        case CSelectFileDialog::kModeOpenAnimation:
            if (type == CSelectList::kTypeAnimation) OpenAnimation(c, path);
            else Report(c, NotAnAnimation(list->fileName));
            break;
        case CSelectFileDialog::kModeWriteAnimation:
            WriteAnimationFile(c, path, list->fileName);
            break;
        default:
            break;
    }
    dialog->Close();
}
