// The whole viewer driven like a user would: a COLLADA figure opened through
// the menu and the select-file dialog, played, written as .mdl and .ani (once
// over an existing file), both read back, the animation list scrolled, what
// goes wrong told in the message window, and the close button.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <string>

#include "tests/core/test_files.h"
#include "app/animation_list_window.h"
#include "app/application.h"
#include "app/disp_window.h"
#include "app/menu_window.h"
#include "app/message_dialog.h"
#include "settings/settings.h"
#include "app/shell_buttons.h"
#include "model/ani_file.h"
#include "model/mdl_file.h"
#include "model/model.h"
#include "model/render_model.h"
#include "tests/app/app_test_env.h"
#include "ui/confirm_dialog.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"

using apptest::Click;
using apptest::ScreenImage;
using apptest::WaitFor;

namespace {

const QString kFigure = QStringLiteral("collada-demo-animated-male.dae");

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool ModelWriterPresent() {
    CModel m;
    m.name.SetAscii("probe");
    return !SerializeModel(m).empty();
}

std::vector<float> Poses(const CRenderModel* rm) {
    std::vector<float> out;
    if (!rm) return out;
    for (CRenderBone* b : rm->bones)
        for (int i = 0; i < 16; ++i) out.push_back(b->pose.m[i / 4][i % 4]);
    return out;
}

struct AppEndToEnd : ::testing::Test {
    void SetUp() override {
        const QString figure = QStringLiteral(VORLAND_CORPUS_DIR "/blender/") + kFigure;
        ASSERT_TRUE(QFileInfo::exists(figure)) << "missing test data: " << figure.toStdString();
        viewer = std::make_unique<apptest::Viewer>(true);
        ASSERT_TRUE(viewer->ok);
        ASSERT_TRUE(QFile::copy(figure, viewer->root + "/" + kFigure));
        app = viewer->app.get();
        dialog = app->SelectFileDialog();
        list = dialog->SelectList();
        box = dialog->FileNameBox();
        display = app->Display();
        animations = app->Menu()->AnimationList();
        messages = app->MessageDialog();
        ASSERT_TRUE(viewer->WaitRunning());
        ASSERT_FALSE(messages->isVisible()) << messages->Text().toStdString();
    }
    void TearDown() override { viewer.reset(); }

    QString Root() const { return viewer->root; }

    // A menu button, then the dialog on screen in its mode.
    void OpenDialog(CCustomButton* menuButton, FileDialogMode mode) {
        Click(menuButton);
        ASSERT_TRUE(dialog->isVisible());
        ASSERT_EQ(dialog->mode, mode);
        EXPECT_FALSE(app->isEnabled());
        dialog->Refresh();
    }
    // Clicks the list's row holding `name` (the working directory's listing).
    void SelectRow(const QString& name) {
        const std::vector<CListEntry> rows = ListFolder(CurrentDirectory(), CSelectList::ListedKinds(dialog->mode));
        int index = -1;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].name == name) index = static_cast<int>(i);
        ASSERT_GE(index, 0) << name.toStdString();
        ASSERT_LT(index, CSelectList::kVisibleRows);
        Click(list, QPoint(list->width() / 3, index * list->RowHeight() + list->RowHeight() / 2));
        ASSERT_EQ(list->selectedIndex, index);
    }
    void TypeName(const QString& name) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, name);
        ASSERT_EQ(box->text(), name);
    }
    // OK, with the overwrite question answered `answer` (when it comes).
    void PressOk(bool expectQuestion = false, bool answer = true) {
        bool asked = false;
        if (expectQuestion) {
            QTimer::singleShot(300, [&] {
                CConfirmDialog* confirm = dialog->ConfirmDialog();
                asked = confirm->isVisible() && confirm->waiting && !dialog->isEnabled();
                confirm->grab().save(UiShotPath(QStringLiteral("app_e2e_overwrite_question.png")));
                if (answer) Click(confirm->OkButton());
                else Click(confirm->CancelButton());
            });
        }
        Click(dialog->OkButton());
        if (expectQuestion) {
            EXPECT_TRUE(asked);
        }
        app->Display()->Settle();
    }
    void ExpectClosed() {
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_TRUE(app->isEnabled());
    }
    void Shot(const QString& name) {
        app->repaint();
        QTest::qWait(600);
        QGuiApplication::primaryScreen()->grabWindow(0).save(UiShotPath(name));
    }
    // The message window's text, then dismissed.
    QString TakeMessage() {
        if (!messages->isVisible()) return {};
        const QString text = messages->Text();
        Click(messages->OkButton());
        return text;
    }

    std::unique_ptr<apptest::Viewer> viewer;
    CApplication* app = nullptr;
    CSelectFileDialog* dialog = nullptr;
    CSelectList* list = nullptr;
    CTextEdit* box = nullptr;
    CDispWindow* display = nullptr;
    CAnimationListWindow* animations = nullptr;
    CMessageDialog* messages = nullptr;
};

}  // namespace

TEST_F(AppEndToEnd, OpenPlayWriteReadBackAndClose) {
    Shot(QStringLiteral("app_e2e_1_start.png"));

    // --- open the figure through the menu and the dialog
    OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
    SelectRow(kFigure);
    EXPECT_EQ(box->text(), kFigure);
    EXPECT_EQ(list->selectedType, CSelectList::kTypeCollada);
    dialog->grab().save(UiShotPath(QStringLiteral("app_e2e_2_dialog.png")));
    PressOk();
    ExpectClosed();
    EXPECT_EQ(TakeMessage(), QString());
    ASSERT_NE(display->GetScene().CurrentModel(), nullptr);
    EXPECT_EQ(display->GetScene().CurrentModel()->name.ToUtf8(), "collada-demo-animated-male");
    ASSERT_NE(display->GetScene().RenderModel(0), nullptr);
    ASSERT_GE(animations->AnimationCount(), 1);
    EXPECT_FALSE(animations->AnimationName(0).isEmpty());
    EXPECT_EQ(display->State(), SceneState::Running);

    // --- the list shows the animation; a click chooses it; the figure plays
    Click(animations, QPoint(animations->width() / 2, animations->RowHeight() / 2));
    EXPECT_EQ(animations->selectedIndex, 0);
    EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, 0);
    ASSERT_TRUE(WaitFor([&] { return display->GetScene().FramesRendered() > 2; }, 60000));
    const std::uint64_t frames0 = display->GetScene().FramesRendered();
    const std::vector<float> pose0 = Poses(display->GetScene().RenderModel(0));
    const QImage image0 = ScreenImage(display);
    ASSERT_TRUE(WaitFor([&] { return display->GetScene().FramesRendered() >= frames0 + 4; }, 60000));
    QTest::qWait(100);
    const std::vector<float> pose1 = Poses(display->GetScene().RenderModel(0));
    const QImage image1 = ScreenImage(display);
    ASSERT_FALSE(pose0.empty());
    EXPECT_NE(pose0, pose1);
    EXPECT_GT(apptest::DifferingShare(image0, image1, 0), 0.001)
        << apptest::DifferingShare(image0, image1, 0) << " " << display->GetScene().FramesRendered() - frames0;
    image0.save(UiShotPath(QStringLiteral("app_e2e_3_playing_a.png")));
    image1.save(UiShotPath(QStringLiteral("app_e2e_3_playing_b.png")));
    Shot(QStringLiteral("app_e2e_3_figure.png"));

    // --- write the model and its animation under typed names
    const bool mdlWriter = ModelWriterPresent();
    OpenDialog(app->Menu()->ModelWriteButton(), CSelectFileDialog::kModeWriteModel);
    EXPECT_EQ(box->text(), CSelectFileDialog::Untitled() + QStringLiteral(".mdl"));
    TypeName(QStringLiteral("male"));
    PressOk();
    ExpectClosed();
    if (mdlWriter) {
        EXPECT_TRUE(QFileInfo::exists(Root() + "/male.mdl"));
        EXPECT_EQ(TakeMessage(), QString());
    } else {
        EXPECT_TRUE(TakeMessage().contains(QStringLiteral("male.mdl")));
    }

    OpenDialog(app->Menu()->AnimWriteButton(), CSelectFileDialog::kModeWriteAnimation);
    EXPECT_EQ(box->text(), CSelectFileDialog::Untitled() + QStringLiteral(".ani"));
    TypeName(QStringLiteral("male"));
    PressOk();
    ExpectClosed();
    EXPECT_EQ(TakeMessage(), QString());
    ASSERT_TRUE(QFileInfo::exists(Root() + "/male.ani"));

    // The same bytes as the command-line tool writes for the figure.
    ScratchDir cliDir;
    QProcess cli;
    cli.start(QStringLiteral(VORLAND_CLI),
              {QStringLiteral("convert"), Root() + "/" + kFigure, cliDir.path() + QStringLiteral("/male")});
    ASSERT_TRUE(cli.waitForFinished(120000));
    if (mdlWriter) {
        ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        EXPECT_EQ(ReadBytes(Root() + "/male.mdl"), ReadBytes(cliDir.path() + "/male.mdl"));
    }
    const QByteArray aniBytes = ReadBytes(Root() + "/male.ani");
    if (QFileInfo::exists(cliDir.path() + "/male.ani")) {
        EXPECT_EQ(aniBytes, ReadBytes(cliDir.path() + "/male.ani"));
    }
    EXPECT_TRUE(aniBytes.contains("collada-demo-animated-male"));
    EXPECT_TRUE(aniBytes.contains("\r\nmale\r\n"));

    // --- over an existing file: Cancel keeps it and the dialog; OK replaces it
    ASSERT_TRUE(WriteBytes(Root() + "/male.ani", "old"));
    OpenDialog(app->Menu()->AnimWriteButton(), CSelectFileDialog::kModeWriteAnimation);
    SelectRow(QStringLiteral("male.ani"));
    EXPECT_EQ(box->text(), QStringLiteral("male.ani"));
    PressOk(true, false);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isEnabled());
    EXPECT_FALSE(app->isEnabled());
    EXPECT_FALSE(dialog->ConfirmDialog()->isVisible());
    EXPECT_EQ(ReadBytes(Root() + "/male.ani"), QByteArray("old"));
    PressOk(true, true);
    ExpectClosed();
    EXPECT_EQ(ReadBytes(Root() + "/male.ani"), aniBytes);
    // A name typed without its extension asks about the file it would replace.
    ASSERT_TRUE(WriteBytes(Root() + "/male.ani", "old"));
    OpenDialog(app->Menu()->AnimWriteButton(), CSelectFileDialog::kModeWriteAnimation);
    TypeName(QStringLiteral("male"));
    PressOk(true, false);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ReadBytes(Root() + "/male.ani"), QByteArray("old"));
    PressOk(true, true);
    ExpectClosed();
    EXPECT_EQ(ReadBytes(Root() + "/male.ani"), aniBytes);

    // --- read the written files back
    if (mdlWriter) {
        OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
        SelectRow(QStringLiteral("male.mdl"));
        PressOk();
        ExpectClosed();
        EXPECT_EQ(TakeMessage(), QString());
        ASSERT_NE(display->GetScene().CurrentModel(), nullptr);
        EXPECT_EQ(display->GetScene().CurrentModel()->name.ToUtf8(), "collada-demo-animated-male");
        EXPECT_EQ(animations->AnimationCount(), 0);
        Shot(QStringLiteral("app_e2e_4_mdl.png"));
    }
    const int before = animations->AnimationCount();
    OpenDialog(app->Menu()->AnimOpenButton(), CSelectFileDialog::kModeOpenAnimation);
    SelectRow(QStringLiteral("male.ani"));
    PressOk();
    ExpectClosed();
    EXPECT_EQ(TakeMessage(), QString());
    ASSERT_EQ(animations->AnimationCount(), before + 1);
    EXPECT_EQ(animations->AnimationName(before), QStringLiteral("male"));
    EXPECT_EQ(animations->selectedIndex, before);
    EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, before);
    Shot(QStringLiteral("app_e2e_5_ani.png"));

    // --- close: back to the start directory, config.ini beside it
    ASSERT_TRUE(QDir::setCurrent(Root() + "/model"));
    Click(app->CloseButton());
    EXPECT_TRUE(app->Closed());
    EXPECT_EQ(QDir::currentPath(), Root());
    const QList<QByteArray> lines = ReadBytes(Root() + "/config.ini").split('\n');
    EXPECT_EQ(lines.size(), 50);  // 49 lines and the empty rest after the last
    EXPECT_EQ(lines.first(), QByteArray("ScreenWidth = 1536\r"));
}

// Names typed into the box with nothing selected open what they name; what
// cannot be read or imported is told, and the viewer runs on.
TEST_F(AppEndToEnd, TypedNamesAndMessages) {
    // Typed, nothing selected: the figure opens.
    OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
    TypeName(kFigure);
    EXPECT_EQ(list->selectedType, CSelectList::kTypeNone);
    PressOk();
    ExpectClosed();
    EXPECT_EQ(TakeMessage(), QString());
    ASSERT_NE(display->GetScene().CurrentModel(), nullptr);
    EXPECT_EQ(display->GetScene().CurrentModel()->name.ToUtf8(), "collada-demo-animated-male");
    const int count = animations->AnimationCount();
    ASSERT_GE(count, 1);

    // An animation of another model: told, the list unchanged.
    ASSERT_TRUE(WriteBytes(Root() + "/other.ani", "[TARGET_MODEL_ID]\r\nsomeone-else\r\n\r\n[ANIMATION_ID]\r\nx\r\n"));
    OpenDialog(app->Menu()->AnimOpenButton(), CSelectFileDialog::kModeOpenAnimation);
    TypeName(QStringLiteral("other.ani"));
    PressOk();
    ExpectClosed();
    ASSERT_TRUE(messages->isVisible());
    Shot(QStringLiteral("app_e2e_6_message.png"));
    const QString otherModel = TakeMessage();
    EXPECT_TRUE(otherModel.contains(QStringLiteral("other.ani"))) << otherModel.toStdString();
    EXPECT_TRUE(otherModel.contains(QStringLiteral("collada-demo-animated-male"))) << otherModel.toStdString();
    EXPECT_EQ(animations->AnimationCount(), count);

    // A missing .ani and a missing .mdl: told.
    OpenDialog(app->Menu()->AnimOpenButton(), CSelectFileDialog::kModeOpenAnimation);
    TypeName(QStringLiteral("nothere.ani"));
    PressOk();
    EXPECT_TRUE(TakeMessage().contains(QStringLiteral("nothere.ani")));
    EXPECT_EQ(animations->AnimationCount(), count);

    // --- scrolling: with 11 animations the bar shows; wheel and bar move the top row
    const std::string ani = (Root() + "/walk.ani").toStdString();
    ASSERT_TRUE(WriteAnimation(*display->GetScene().CurrentModel(), CName(u"walk"), ani));
    for (int i = animations->AnimationCount(); i < 11; ++i) display->GetScene().AddAnimation(ani);
    display->Settle();
    ASSERT_EQ(animations->AnimationCount(), 11);
    animations->SetTopIndex(0);  // each new animation was brought into view
    const int n = animations->AnimationCount();
    animations->Refresh();
    EXPECT_TRUE(animations->ScrollBar()->isVisible());
    EXPECT_EQ(animations->ScrollBar()->thumbLength, 391 * 8 / n);
    apptest::Wheel(animations, -240);
    EXPECT_EQ(animations->topIndex, 2);
    EXPECT_GT(animations->ScrollBar()->thumbPosition, 0);
    const int r = animations->RowHeight();
    Click(animations, QPoint(animations->width() / 2, r / 2));
    EXPECT_EQ(animations->selectedIndex, 2);
    EXPECT_EQ(display->GetScene().RenderModel(0)->activeAnimation, 2);
    const QColor highlight(120, 90, 90);
    QImage shown = animations->grab().toImage();
    shown.save(UiShotPath(QStringLiteral("app_e2e_7_list_scrolled.png")));
    EXPECT_EQ(shown.pixelColor(2, r / 2), highlight);  // row 2 drawn at (2 - 2) x R
    EXPECT_NE(shown.pixelColor(2, 2 * r + r / 2), highlight);
    apptest::Wheel(animations, 1200);
    EXPECT_EQ(animations->topIndex, 0);
    EXPECT_EQ(animations->ScrollBar()->thumbPosition, 0);
    shown = animations->grab().toImage();
    EXPECT_EQ(shown.pixelColor(2, 2 * r + r / 2), highlight);
    apptest::Wheel(animations, -120 * 50);
    EXPECT_EQ(animations->topIndex, n - 8);
    // The bar's thumb dragged to the top brings the first row back.
    CScrollBar* bar = animations->ScrollBar();
    apptest::Drag(bar, QPoint(bar->width() / 2, bar->thumbPosition + 2), QPoint(0, -400));
    EXPECT_EQ(animations->topIndex, 0);

    // A broken COLLADA file: told, the viewer keeps running.
    ASSERT_TRUE(WriteBytes(Root() + "/broken.dae", "<COLLADA><library_geometries><geometry"));
    OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
    TypeName(QStringLiteral("broken.dae"));
    PressOk();
    ExpectClosed();
    const QString broken = TakeMessage();
    EXPECT_TRUE(broken.contains(QStringLiteral("broken.dae"))) << broken.toStdString();
    EXPECT_EQ(display->State(), SceneState::Running);
    EXPECT_EQ(animations->AnimationCount(), n);  // the figure on show stays
    EXPECT_EQ(display->GetScene().CurrentModel()->name.ToUtf8(), "collada-demo-animated-male");

    OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
    TypeName(QStringLiteral("nothere.mdl"));
    PressOk();
    EXPECT_TRUE(TakeMessage().contains(QStringLiteral("nothere.mdl")));

    // A typed name of no model type: nothing opens, and the user is told so.
    OpenDialog(app->Menu()->ModelOpenButton(), CSelectFileDialog::kModeOpenModel);
    TypeName(QStringLiteral("robot"));
    PressOk();
    ExpectClosed();
    EXPECT_TRUE(TakeMessage().contains(QStringLiteral("robot")));
    EXPECT_EQ(display->State(), SceneState::Running);
}
