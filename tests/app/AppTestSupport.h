#pragma once

#include <QString>
#include <QTest>
#include <QtGlobal>
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
