#include "ui/PagePersonalSense.h"

#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "ui/FluentSlider.h"
#include "ui/KyItemGroupWidget.h"

namespace {

int* senseField(KySettings& s, int index) {
    int* fields[PagePersonalSense::kCount] = {&s.eyeBlinkSensitivity,     &s.eyeSquintSensitivity,
                                              &s.eyeWideSensitivity,      &s.cheekSquintSensitivity,
                                              &s.mouthStretchSensitivity, &s.noseSneerSensitivity,
                                              &s.browDownSensitivity};
    return fields[index];
}

}  // namespace

PagePersonalSense::PagePersonalSense(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dpiScaled(12));
    auto* group = new KyItemGroupWidget(this);
    const char* titles[kCount] = {"目-まばたき", "目-笑い", "目-びっくり", "口-笑い", "口-への字", "眉-怒り", "眉-困り"};
    const QStringList ticks = {QStringLiteral("最弱"), QStringLiteral("弱"), QStringLiteral("標準"),
                               QStringLiteral("強"), QStringLiteral("最強")};
    for (int i = 0; i < kCount; ++i) {
        m_sliders[i] = new FluentSlider(QString::fromUtf8(titles[i]), group);
        m_sliders[i]->setMinimum(-2);
        m_sliders[i]->setMaximum(2);
        m_sliders[i]->setDefaultValue(0);
        m_sliders[i]->setTickTexts(ticks);
        m_sliders[i]->setItemData(i);
        group->addRow(m_sliders[i]);
    }
    layout->addWidget(group);
    layout->addStretch(1);
    onModelLoaded();
    for (FluentSlider* slider : m_sliders) {
        connect(slider, &FluentSlider::valueChanged, this, &PagePersonalSense::onMorphSenseChanged);
    }
    if (KySettings* settings = kySettings()) {
        connect(settings, &KySettings::modelLoaded, this, &PagePersonalSense::onModelLoaded);
    }
}

void PagePersonalSense::onMorphSenseChanged(int value) {
    KySettings* settings = kySettings();
    auto* slider = qobject_cast<FluentSlider*>(sender());
    if (!settings || !slider) return;
    const int index = slider->itemData().toInt();
    if (index < 0 || index >= kCount) return;
    *senseField(*settings, index) = std::clamp(value, -2, 2);
    emit settings->modelSenceChanged();
}

void PagePersonalSense::onModelLoaded() {
    KySettings* settings = kySettings();
    if (!settings) return;
    for (int i = 0; i < kCount; ++i) {
        const QSignalBlocker blocker(m_sliders[i]);
        m_sliders[i]->setValue(*senseField(*settings, i));
    }
}
