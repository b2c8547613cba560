#include "ui/PagePersonalAngle.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "ui/FluentSlider.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SliderValue.h"

PagePersonalAngle::PagePersonalAngle(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dpiScaled(12));
    auto* group = new KyItemGroupWidget(this);
    const char* titles[4] = {"目の上下角度", "目の左右角度", "頭の上下角度", "頭の左右角度"};
    void (PagePersonalAngle::*const handlers[4])(int) = {
        &PagePersonalAngle::onEyeXAngleChanged, &PagePersonalAngle::onEyeYAngleChanged,
        &PagePersonalAngle::onHeadXAngleChanged, &PagePersonalAngle::onHeadYAngleChanged};
    for (int i = 0; i < 4; ++i) {
        m_sliders[i] = new FluentSlider(QString::fromUtf8(titles[i]), group);
        m_sliders[i]->setMinimum(-100);
        m_sliders[i]->setMaximum(100);
        m_sliders[i]->setDefaultValue(0);
        group->addRow(m_sliders[i]);
    }
    layout->addWidget(group);
    layout->addStretch(1);
    onModelLoaded();
    for (int i = 0; i < 4; ++i) connect(m_sliders[i], &FluentSlider::valueChanged, this, handlers[i]);
    if (KySettings* settings = kySettings()) {
        connect(settings, &KySettings::modelLoaded, this, &PagePersonalAngle::onModelLoaded);
    }
}

void PagePersonalAngle::onEyeXAngleChanged(int value) {
    if (KySettings* settings = kySettings()) settings->eyeAngle.x = value * 0.01f;
}

void PagePersonalAngle::onEyeYAngleChanged(int value) {
    if (KySettings* settings = kySettings()) settings->eyeAngle.y = value * 0.01f;
}

void PagePersonalAngle::onHeadXAngleChanged(int value) {
    if (KySettings* settings = kySettings()) settings->headAngle.x = value * 0.01f;
}

void PagePersonalAngle::onHeadYAngleChanged(int value) {
    if (KySettings* settings = kySettings()) settings->headAngle.y = value * 0.01f;
}

void PagePersonalAngle::onModelLoaded() {
    const KySettings* settings = kySettings();
    if (!settings) return;
    const float values[4] = {settings->eyeAngle.x, settings->eyeAngle.y, settings->headAngle.x,
                             settings->headAngle.y};
    for (int i = 0; i < 4; ++i) {
        const QSignalBlocker blocker(m_sliders[i]);
        m_sliders[i]->setValue(sliderValue(values[i], 0.01));
    }
}
