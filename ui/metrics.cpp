#include "ui/metrics.h"

#include <QGuiApplication>
#include <QScreen>

CScreenMetrics CScreenMetrics::FromValues(int screenWidth, int screenHeight, float dpiX, float dpiY) {
    CScreenMetrics m;
    m.screenWidth = screenWidth;
    m.screenHeight = screenHeight;
    m.dpiX = dpiX;
    m.dpiY = dpiY;
    m.dpiScaleX = dpiX / 96.0f;
    m.dpiScaleY = dpiY / 96.0f;
    m.defaultWidth = static_cast<int>(std::trunc(screenWidth / 1.5));
    m.defaultHeight = static_cast<int>(std::trunc(screenHeight / 1.5));
    m.rowHeight = RowHeightFor(screenHeight);
    return m;
}

CScreenMetrics CScreenMetrics::FromPrimaryScreen() {
    const QScreen* screen =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
    if (!screen) return FromValues(1920, 1080);
    const QRect g = screen->geometry();
    return FromValues(g.width(), g.height(), static_cast<float>(screen->logicalDotsPerInchX()),
                      static_cast<float>(screen->logicalDotsPerInchY()));
}
