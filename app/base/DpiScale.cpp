#include "app/base/DpiScale.h"

#include <QGuiApplication>
#include <QScreen>

double dpiScaleFactor() {
    static const double factor = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    }();
    return factor;
}

int dpiScaled(int n) { return dpiScaled(n, dpiScaleFactor()); }

int dpiScaled(int n, double factor) { return static_cast<int>(n * factor); }
