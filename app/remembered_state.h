#pragma once
// What the viewer remembers between runs besides the camera: the main
// window's place and size and the file dialog's last folder, taken from the
// settings at start (when they still fit this machine) and put back on exit.
#include <QList>
#include <QRect>
#include <QString>

struct CSettings;

// The remembered window when it can be used: its size within the screen's
// and at least a few title bars, its title bar at least partly on one of
// `screens` (so it can be dragged). Otherwise `fallback`.
QRect RememberedWindowRect(const CSettings& settings, const QList<QRect>& screens, QSize screenSize, int titleBar,
                           QRect fallback);
void RememberWindowRect(CSettings& settings, QRect rect);

// The remembered folder when it is still a folder; empty otherwise.
QString RememberedFolder(const CSettings& settings);
// Keeps `folder` when config.ini can carry it back unchanged (its code page
// has no room for every name); false, with the old value kept, otherwise.
bool RememberFolder(CSettings& settings, const QString& folder);
