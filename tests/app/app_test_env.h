#pragma once
// A start directory for the viewer's tests: a temporary folder holding the
// bundled scene (model/washitu, img, pict) that becomes the working
// directory, the one CApplication built in it, and synthetic mouse input.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <memory>

#include "tests/core/test_files.h"
#include "app/application.h"
#include "app/disp_window.h"
#include "tests/ui/ui_test_app.h"
#include "ui/custom_button.h"
#include "ui/select_file_dialog.h"
#include "ui/text_edit.h"

namespace apptest {

inline bool CopyTree(const QString& from, const QString& to) {
    QDir source(from);
    if (!source.exists() || !QDir().mkpath(to)) return false;
    for (const QFileInfo& info : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + info.fileName();
        if (info.isDir() ? !CopyTree(info.filePath(), target) : !QFile::copy(info.filePath(), target)) return false;
    }
    return true;
}

// Copies the bundled scene into `root` (room data only when `withRoom`).
inline bool MakeStartDirectory(const QString& root, bool withRoom = true) {
    const QString src = QStringLiteral(VORLAND_SOURCE_DIR);
    bool ok = CopyTree(src + "/pict", root + "/pict");
    if (withRoom) {
        ok = CopyTree(src + "/img", root + "/img") && ok;
        ok = CopyTree(src + "/model/washitu", root + "/model/washitu") && ok;
    }
    return ok;
}

// Processes events until `done` or `ms` have passed; true when done.
inline bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QTest::qWait(20);
    }
    return true;
}

// One mouse event at `local` in `widget`, with the global position a real
// screen would give.
inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint global = widget->mapToGlobal(local);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(local), QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A press at `from` and a drag by `delta` in `steps` moves, then the
// release, all with global positions fixed at the start (the widget may move
// under the cursor).
inline void Drag(QWidget* widget, QPoint from, QPoint delta, int steps = 4) {
    const QPoint global0 = widget->mapToGlobal(from);
    const auto send = [&](QEvent::Type type, QPoint global) {
        const QPoint local = widget->mapFromGlobal(global);
        QMouseEvent event(
            type, QPointF(local), QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(Qt::LeftButton), Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, global0);
    for (int i = 1; i <= steps; ++i) send(QEvent::MouseMove, global0 + delta * i / steps);
    send(QEvent::MouseButtonRelease, global0 + delta);
}

// A click's scene changes run between two frames and report back by queued
// calls; the click returns once both are done, as a user would wait.
inline void Click(QWidget* widget, QPoint local) {
    SendMouse(widget, QEvent::MouseButtonPress, local);
    SendMouse(widget, QEvent::MouseButtonRelease, local);
    for (QWidget* w : QApplication::allWidgets())
        if (auto* display = qobject_cast<CDispWindow*>(w)) display->GetScene().WaitUntilIdle();
    QCoreApplication::processEvents();
}
inline void Click(QWidget* widget) { Click(widget, widget->rect().center()); }

inline void Wheel(QWidget* widget, int delta) {
    const QPoint local = widget->rect().center();
    QWheelEvent event(QPointF(local), QPointF(widget->mapToGlobal(local)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// What the screen shows of a widget (a GL widget included).
inline QImage ScreenImage(QWidget* widget) {
    const QPoint g = widget->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()->grabWindow(0, g.x(), g.y(), widget->width(), widget->height()).toImage();
}

// Fraction of pixels that differ by more than `tolerance` in any channel.
inline double DifferingShare(const QImage& a, const QImage& b, int tolerance = 8) {
    if (a.size() != b.size() || a.isNull()) return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int i = 0; i < x.width(); ++i)
            if (std::abs(qRed(p[i]) - qRed(q[i])) > tolerance || std::abs(qGreen(p[i]) - qGreen(q[i])) > tolerance ||
                std::abs(qBlue(p[i]) - qBlue(q[i])) > tolerance)
                ++differing;
    }
    return static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
}

// A file action as the user runs it: the menu button, the name typed into
// the select-file dialog, its OK.
inline void RunAction(CApplication& app, CCustomButton* menuButton, const QString& typed) {
    Click(menuButton);
    CSelectFileDialog* dialog = app.SelectFileDialog();
    dialog->FileNameBox()->setText(typed);
    Click(dialog->OkButton());
    app.Display()->Settle();
}

// The viewer in a fresh start directory (with `config` as its config.ini
// when given); the working directory goes back when it is destroyed.
struct Viewer {
    explicit Viewer(bool withRoom = true, const CScreenMetrics* metrics = nullptr, const QByteArray& config = {}) {
        UiTestApp();
        previous = QDir::currentPath();
        root = QDir(scratch.path()).canonicalPath();
        ok = scratch.isValid() && MakeStartDirectory(root, withRoom) && QDir::setCurrent(root);
        if (ok && !config.isEmpty()) {
            QFile file(root + "/config.ini");
            ok = file.open(QIODevice::WriteOnly) && file.write(config) == config.size();
        }
        app = metrics ? std::make_unique<CApplication>(*metrics) : std::make_unique<CApplication>();
        app->CreateMainWindow();
    }
    ~Viewer() {
        app.reset();
        QDir::setCurrent(previous);
    }
    bool WaitRunning(int ms = 180000) const {
        return WaitFor([&] { return app->Display()->State() == SceneState::Running; }, ms);
    }

    ScratchDir scratch;
    QString previous, root;
    bool ok = false;
    std::unique_ptr<CApplication> app;
};

}  // namespace apptest
