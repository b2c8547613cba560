#include "app/MainWidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QIcon>
#include <QVariantAnimation>
#include <algorithm>

#include "app/KySolution.h"
#include "app/base/KySettings.h"
#include "scene/TzRenderer.h"
#include "ui/KyControlWidget.h"

namespace {

constexpr int kMaxListedModels = 8;
constexpr int kMaxAccessories = 3;

// Upper bound first, then the lower one.
float stepClamped(float value, float step, float lower, float upper) {
    return std::max(std::min(value + step, upper), lower);
}

}  // namespace

QString resourceFolder() {
    if (const KySettings* settings = kySettings(); settings != nullptr && !settings->resourceDir.isEmpty()) {
        return settings->resourceDir;
    }
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("resource"));
}

MainWidget::MainWidget(QWidget* parent) : FramelessGLWidget(parent) {
    setWindowIcon(QIcon(QStringLiteral(":/Marionix/Marionix.ico")));

    KySettings* settings = kySettings();
    Q_ASSERT(settings);
    refreshModelList();
    m_controlWidget = new KyControlWidget(this);
    m_controlWidget->move(settings->controlPos);
    settings->mainWindow = this;

    m_fadeAnimation = new QVariantAnimation(this);
    m_fadeAnimation->setDuration(250);
    m_fadeAnimation->setStartValue(0.0);
    m_fadeAnimation->setEndValue(1.0);
    m_fadeAnimation->setEasingCurve(QEasingCurve::Linear);
    connect(m_fadeAnimation, &QVariantAnimation::valueChanged, this, &MainWidget::onUpdateFadeValue);
    connect(m_fadeAnimation, &QVariantAnimation::finished, this, &MainWidget::onOpeningAnimFinished);
    connect(this, &MainWidget::firstShow, this, &MainWidget::beginShow);

    addAction(QKeySequence(Qt::Key_D), this, &MainWidget::onCamRight);
    addAction(QKeySequence(Qt::Key_A), this, &MainWidget::onCamLeft);
    addAction(QKeySequence(Qt::Key_W), this, &MainWidget::onCamUp);
    addAction(QKeySequence(Qt::Key_S), this, &MainWidget::onCamDown);
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_W), this, &MainWidget::onCamFront);
    addAction(QKeySequence(Qt::SHIFT + Qt::Key_S), this, &MainWidget::onCamBack);
    if (KySolution* solution = kySolution()) {
        addAction(QKeySequence(Qt::Key_F5), solution, &KySolution::onGlobalMenuR_LongPressed);
        addAction(QKeySequence(Qt::Key_F10), solution, &KySolution::onGlobalMenuR_Pressed);
    }
    addAction(QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_F10), this, &MainWidget::onDebugDraw);
}

MainWidget::~MainWidget() {
    delete kySolution();
    setKySolution(nullptr);
}

template <typename Receiver>
void MainWidget::addAction(const QKeySequence& keys, Receiver* receiver, void (Receiver::*slot)()) {
    auto* action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, receiver, slot);
    QWidget::addAction(action);
}

void MainWidget::onUpdateFadeValue(const QVariant& value) { setWindowOpacity(value.toDouble()); }

void MainWidget::onOpeningAnimFinished() { setWindowOpacity(1.0); }

void MainWidget::beginShow() { m_fadeAnimation->start(); }

void MainWidget::onCamRight() {
    if (KySettings* s = kySettings()) s->lookCam.x = stepClamped(s->lookCam.x, -1.0f, -36.0f, 36.0f);
}

void MainWidget::onCamLeft() {
    if (KySettings* s = kySettings()) s->lookCam.x = stepClamped(s->lookCam.x, 1.0f, -36.0f, 36.0f);
}

void MainWidget::onCamUp() {
    if (KySettings* s = kySettings()) s->lookCam.y = stepClamped(s->lookCam.y, -1.0f, -30.0f, 20.0f);
}

void MainWidget::onCamDown() {
    if (KySettings* s = kySettings()) s->lookCam.y = stepClamped(s->lookCam.y, 1.0f, -30.0f, 20.0f);
}

void MainWidget::onCamFront() {
    if (KySettings* s = kySettings()) s->lookCam.z = stepClamped(s->lookCam.z, -1.0f, 5.0f, 50.0f);
}

void MainWidget::onCamBack() {
    if (KySettings* s = kySettings()) s->lookCam.z = stepClamped(s->lookCam.z, 1.0f, 5.0f, 50.0f);
}

void MainWidget::onDebugDraw() { setDebugDraw(!debugDraw()); }

QStringList MainWidget::findModelFiles(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).suffix() == QLatin1String("pmx")) files.append(path);
    }
    return files;
}

void MainWidget::refreshModelList() {
    KySettings* settings = kySettings();
    if (settings == nullptr) return;
    settings->modelPaths = findModelFiles(resourceFolder() + QStringLiteral("/model")).mid(0, kMaxListedModels);
    if (!settings->modelPaths.contains(settings->pmxName)) settings->pmxName.clear();
}

void MainWidget::loadScene() {
    KySettings* settings = kySettings();
    TzRenderer* renderer = this->renderer();
    if (settings == nullptr || renderer == nullptr) return;
    const QString resource = resourceFolder();
    QString path;
    if (settings->pmxName.isEmpty()) {
        const QStringList models = findModelFiles(resource + QStringLiteral("/model"));
        path = models.isEmpty() ? resource + QStringLiteral("/model/0_sample/sample.pmx") : models.first();
    } else if (QFileInfo::exists(settings->pmxName)) {
        path = settings->pmxName;
    } else {
        qDebug() << "Settings::pmxFile not found.";
        path = settings->modelPaths.value(0);
    }
    renderer->loadModel(path);

    const QStringList accessories = findModelFiles(resource + QStringLiteral("/accessory"));
    for (int i = 0; i < std::min<int>(kMaxAccessories, accessories.size()); ++i) renderer->loadAccessory(accessories[i]);
}

void MainWidget::closeEvent(QCloseEvent* event) {
    if (KySettings* settings = kySettings()) {
        settings->controlPos = m_controlWidget->pos();
        settings->mainGeometry = geometry();
    }
    event->accept();
    // However the window was closed (the power button, the window manager, a termination signal), the
    // application ends with its normal shutdown; the control window would otherwise keep the event loop alive.
    m_controlWidget->hide();
    QCoreApplication::quit();
}
