#pragma once

#include <QtGlobal>

// The app's compiled-in resources live in static libraries; the app registers them at start-up, so must a test
// that builds the app's windows in process.
inline void registerAppResources() {
    Q_INIT_RESOURCE(resources);
#ifdef MNX_HAS_QT_ASSETS
    Q_INIT_RESOURCE(marionix_assets);
#endif
}
