#pragma once

#include <QImage>
#include <QString>
#include <QTest>
#include <QtGlobal>
#include <cstdlib>
#include <memory>

#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/KySettings.h"

// The app's compiled-in resources live in static libraries; the app registers them at start-up, so must a test
// that builds the app's windows in process.
inline void registerAppResources() {
    Q_INIT_RESOURCE(resources);
#ifdef MNX_HAS_QT_ASSETS
    Q_INIT_RESOURCE(marionix_assets);
#endif
}

// What start-up makes before the main window: the resources, a published settings store saving to
// `configPath` (the caller keeps it and withdraws it with setKySettings(nullptr)) and the orchestrator (the main
// window deletes it).
inline std::unique_ptr<KySettings> startAppServices(const QString& configPath) {
    registerAppResources();
    auto settings = std::make_unique<KySettings>();
    settings->setFileName(configPath);
    setKySettings(settings.get());
    setKySolution(new KySolution);
    return settings;
}

// A 640 x 360 main window, shown at full opacity and exposed.
inline std::unique_ptr<MainWidget> openMainWindow() {
    auto window = std::make_unique<MainWidget>();
    window->resize(640, 360);
    window->show();
    window->setWindowOpacity(1.0);
    if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
    return window;
}

// Pixels of `area` whose colour differs by more than 60 (summed over the channels) between two frames.
inline int differingPixels(const QImage& a, const QImage& b, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            n += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 60;
        }
    }
    return n;
}
