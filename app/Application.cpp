#include "app/Application.h"

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCodec>
#include <algorithm>
#include <memory>

#include "app/KySignalWatcher.h"
#include "app/KySolution.h"
#include "app/MainWidget.h"
#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "app/base/MessageHandler.h"
#include "app/base/VrStatus.h"
#include "ui/KyControlWidget.h"
#include "vr/VRSystem.h"

namespace {

const QRect kDefaultMainPosition(24, 64, 0, 0);

// Rectangle of all screens together; the fallback rectangle when no screen exists.
QRect virtualDesktop(const QRect& fallback) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : fallback;
}

}  // namespace

void showMainWindow(MainWidget& window, KySettings& settings) {
    settings.setBgColor(settings.bgColor);
    window.show();
    window.repaint();
    const QRect fallback(kDefaultMainPosition.topLeft(), QSize(dpiScaled(640), dpiScaled(360)));
    window.setGeometry(mainWindowGeometry(settings.mainGeometry, fallback, virtualDesktop(fallback)));
    window.loadScene();
    window.beginShow();
    window.controlWidget()->show();
}

void setApplicationAttributes() {
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, true);
    QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling, true);
    QCoreApplication::setAttribute(Qt::AA_UseDesktopOpenGL, true);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, true);
}

QSurfaceFormat applicationSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 1);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSamples(8);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapInterval(0);
    format.setOption(QSurfaceFormat::DeprecatedFunctions, true);
    return format;
}

QString applicationStyleSheet(double dpiFactor) {
    return QStringLiteral("QSlider::groove:horizontal{border:none;margin-top: 5px;margin-bottom: 5px;height: 5px;} ") +
           QStringLiteral("QSlider::handle:horizontal{background: white;border: 0px;width: %1px; margin: -%2px 0;}")
               .arg(dpiScaled(20, dpiFactor))
               .arg(dpiScaled(24, dpiFactor)) +
           QStringLiteral(
               "QToolTip {background-clip: border;background: white;border: 1px solid gray;padding: %1px;"
               "border-radius: %2px;opacity : 200;}")
               .arg(dpiScaled(2, dpiFactor))
               .arg(dpiScaled(6, dpiFactor));
}

QPalette applicationPalette(QPalette base) {
    base.setBrush(QPalette::All, QPalette::Text, QBrush(QColor(24, 24, 24, 255)));
    return base;
}

QFont applicationFont() {
    const QString cjkFallback = QStringLiteral("Noto Sans CJK JP");
    QFont::insertSubstitution(QStringLiteral("BIZ UDPゴシック"), cjkFallback);
    QFont::insertSubstitution(QStringLiteral("BIZ UDゴシック"), cjkFallback);
    QFont font(QStringLiteral("BIZ UDPゴシック"));
    font.setPointSizeF(9.0);
    return font;
}

QRect mainWindowGeometry(const QRect& stored, const QRect& fallback, const QRect& desktop) {
    QSize size = stored.isValid() ? stored.size() : fallback.size();
    const QSize limit(std::max(2 * desktop.width(), fallback.width()), std::max(2 * desktop.height(), fallback.height()));
    size = size.boundedTo(limit);
    return QRect(stored.topLeft(), size);
}

int runMarionix(int& argc, char** argv) {
    // The model runtime prints through spdlog's "default" console logger; a desktop app keeps standard output
    // clean and sends its diagnostics where the Qt messages go, standard error. It must exist before the
    // runtime's first log line creates the logger.
    if (!spdlog::get("default")) spdlog::stderr_color_mt("default");
    Q_INIT_RESOURCE(resources);
#ifdef MNX_HAS_QT_ASSETS
    Q_INIT_RESOURCE(marionix_assets);
#endif
    setApplicationAttributes();
    QSurfaceFormat::setDefaultFormat(applicationSurfaceFormat());

    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QCoreApplication::setApplicationName(QStringLiteral("Marionix"));
    qInstallMessageHandler(messageHandler);

    auto settings = std::make_unique<KySettings>();
    setKySettings(settings.get());
    settings->load();

    setKySolution(new KySolution);

    QApplication::setPalette(applicationPalette(QApplication::palette()));
    QApplication::setFont(applicationFont());

    // A failed start is logged by initVR itself; the app carries on without VR.
    if (settings->useVR) setVrRunning(initVR());

    app.setStyleSheet(applicationStyleSheet(dpiScaleFactor()));

    auto mainWidget = std::make_unique<MainWidget>();
    KySignalWatcher signalWatcher;
    MainWidget* window = mainWidget.get();
    QObject::connect(&signalWatcher, &KySignalWatcher::terminationRequested, window, [window] {
        window->close();
        QCoreApplication::quit();
    });
    showMainWindow(*mainWidget, *settings);

    app.exec();

    mainWidget->cleanup();
    shutdownVR();
    setVrRunning(false);
    if (KySolution* solution = kySolution()) solution->threadQuit();
    settings->save();
    mainWidget.reset();
    setKySettings(nullptr);
    settings.reset();
    return 0;
}
