#include "ui/PagePersonal.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalBlocker>

#include "app/base/KySettings.h"
#include "ui/FluentListView.h"
#include "ui/FluentSlider.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SliderValue.h"

namespace {

// The resource folder as the renderer finds it: the store's, else beside the executable.
QString resourceFolder(const KySettings& settings) {
    if (!settings.resourceDir.isEmpty()) return settings.resourceDir;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("resource"));
}

}  // namespace

QStringList PagePersonal::poseSetNames(const QString& resourceDir) {
    return QDir(resourceDir + QStringLiteral("/pose")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

PagePersonal::PagePersonal(QWidget* parent) : PageBase(parent) {
    KyItemGroupWidget* group = addGroup();
    m_poseSets = new FluentListView(QStringLiteral("ポーズセット"), group);
    group->addRow(m_poseSets);
    KyItemGroupWidget* sliders = addGroup();
    m_eyeRotMul = new FluentSlider(QStringLiteral("目の移動量"), sliders);
    m_eyeRotMul->setMinimum(0);
    m_eyeRotMul->setMaximum(300);
    m_eyeRotMul->setDefaultValue(100);
    m_lowerMoveMul = new FluentSlider(QStringLiteral("下半身の移動量"), sliders);
    m_lowerMoveMul->setMinimum(-100);
    m_lowerMoveMul->setMaximum(100);
    m_lowerMoveMul->setDefaultValue(0);
    m_angle = new FluentLabel(QStringLiteral("初期角度"), sliders);
    m_angle->setChevron(true);
    m_sense = new FluentLabel(QStringLiteral("表情感度"), sliders);
    m_sense->setChevron(true);
    sliders->addRow(m_eyeRotMul);
    sliders->addRow(m_lowerMoveMul);
    sliders->addRow(m_angle);
    sliders->addRow(m_sense);
    finishLayout();
    onModelLoaded();

    connect(m_poseSets, &FluentListView::currentIndexChanged, this, &PagePersonal::onPoseSetIndexChanged);
    connect(m_eyeRotMul, &FluentSlider::valueChanged, this, &PagePersonal::onEyeRotMulChanged);
    connect(m_lowerMoveMul, &FluentSlider::valueChanged, this, &PagePersonal::onLowerMoveMulChanged);
    if (KySettings* settings = kySettings()) {
        connect(settings, &KySettings::modelLoaded, this, &PagePersonal::onModelLoaded);
    }
}

void PagePersonal::onPoseSetIndexChanged(int index) {
    KySettings* settings = kySettings();
    const QStringList names = m_poseSets->items();
    if (settings && index >= 0 && index < names.size()) settings->poseSet = names[index];
}

void PagePersonal::onModelLoaded() {
    const KySettings* settings = kySettings();
    if (!settings) return;
    const QSignalBlocker poseBlocker(m_poseSets);
    const QSignalBlocker eyeBlocker(m_eyeRotMul);
    const QSignalBlocker lowerBlocker(m_lowerMoveMul);
    const QStringList names = poseSetNames(resourceFolder(*settings));
    m_poseSets->setItems(names);
    m_poseSets->setCurrentIndex(names.indexOf(settings->poseSet));
    m_eyeRotMul->setValue(sliderValue(settings->eyeRotMul, 0.01));
    m_lowerMoveMul->setValue(sliderValue(settings->lowerBodyMoveMul.x, 0.01));
}

void PagePersonal::onEyeRotMulChanged(int value) {
    if (KySettings* settings = kySettings()) settings->eyeRotMul = value * 0.01f;
}

void PagePersonal::onLowerMoveMulChanged(int value) {
    if (KySettings* settings = kySettings()) settings->lowerBodyMoveMul.x = value * 0.01f;
}
