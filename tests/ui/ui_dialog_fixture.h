#pragma once
// The select-file dialog as the main window makes it, for the dialog's tests.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/core/test_files.h"
#include "settings/settings.h"
#include "tests/ui/ui_test_app.h"
#include "app/file_actions.h"
#include "ui/confirm_dialog.h"
#include "ui/dir_listing.h"
#include "ui/scroll_bar.h"
#include "ui/select_file_dialog.h"
#include "ui/select_list.h"
#include "ui/text_edit.h"
#include "ui/texts.h"

namespace uidialog {

inline void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A dialog made as the main window makes it, with the working directory
// moved into a scratch folder for the test and put back afterwards.
struct UiDialog : ::testing::Test {
    void SetUp() override {
        SetInterfaceLanguage(CLanguage::kJapanese);  // the texts these tests were written for
        ASSERT_TRUE(scratch.isValid());
        startDir = QDir::currentPath();
        root = QDir(scratch.path()).canonicalPath();
        ASSERT_TRUE(QDir::setCurrent(root));
        const QRect r = CSelectFileDialog::DefaultRect(CScreenMetrics::FromPrimaryScreen());
        dialog = std::make_unique<CSelectFileDialog>();
        dialog->Create(r.x(), r.y(), r.width(), r.height(), settings);
        list = dialog->SelectList();
        bar = list->ScrollBar();
        box = dialog->FileNameBox();
    }
    void TearDown() override {
        dialog.reset();
        QDir::setCurrent(startDir);
    }
    // Opens the dialog in `mode` and waits until it is on screen.
    void OpenIn(int mode) {
        dialog->Open(FileDialogMode(mode));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->Refresh();
    }
    void MakeFiles(int n, const QString& suffix) {
        for (int i = 0; i < n; ++i) Touch(root + QStringLiteral("/f%1%2").arg(i, 3, 10, QLatin1Char('0')).arg(suffix));
    }
    QPoint RowCenter(int visibleRow) const {
        return QPoint(list->width() / 3, visibleRow * list->RowHeight() + list->RowHeight() / 2);
    }

    QApplication* app = UiTestApp();
    ScratchDir scratch;
    QString startDir, root;
    CSettings settings;
    std::unique_ptr<CSelectFileDialog> dialog;
    CSelectList* list = nullptr;
    CScrollBar* bar = nullptr;
    CTextEdit* box = nullptr;
};

}  // namespace uidialog
