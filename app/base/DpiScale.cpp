#include "app/base/DpiScale.h"

#include <QGuiApplication>
#include <QScreen>

int dpiScaled(int n) {
    static const double factor = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInch() / 96.0 : 1.0;
    }();
    return static_cast<int>(n * factor);
}
