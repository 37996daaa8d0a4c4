#pragma once
// One QApplication for the whole Qt test executable, made on first use. Any
// test that needs widgets calls UiTestApp() first; it reuses an application
// another test file made.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>

#include "tests/core/test_files.h"
#include <QTemporaryDir>
#include <cstdlib>

inline QApplication* UiTestApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
    // The interface's language follows the locale: the tests run in English
    // whatever the machine's, and switch where they look at a language.
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", "C.UTF-8", 1);
    static int argc = 1;
    static char arg0[] = "vorland_ui_tests";
    static char* argv[] = {arg0, nullptr};
    return new QApplication(argc, argv);
}

// Where the tests save the screenshots they take (build/ui-shots).
inline QString UiShotPath(const QString& name) {
    const QString dir = QStringLiteral(VORLAND_BINARY_DIR "/ui-shots");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

// Writes a w x h PNG of one colour; for image buttons and icons.
inline bool WriteSolidPng(const QString& path, int w, int h, QColor color) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(color);
    return image.save(path, "PNG");
}
