#include "ui/PageLight.h"

#include <QColorDialog>
#include <algorithm>

#include "app/base/KySettings.h"
#include "ui/FluentColorButton.h"
#include "ui/FluentSlider.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SliderValue.h"

namespace {

QColor lightQColor(const Vector3& c) {
    auto channel = [](float v) { return std::clamp(static_cast<int>(v * 255.0f + 0.5f), 0, 255); };
    return QColor(channel(c.x), channel(c.y), channel(c.z));
}

}  // namespace

PageLight::PageLight(QWidget* parent) : PageBase(parent) {
    KySettings* settings = kySettings();
    Q_ASSERT(settings);
    KyItemGroupWidget* group = addGroup();
    m_color = new FluentColorButton(QStringLiteral("ライト色"), group);
    m_color->setColor(lightQColor(settings->lightColor));
    group->addRow(m_color);
    const char* titles[3] = {"ライト X", "ライト Y", "ライト Z"};
    const int maxima[3] = {180, 180, 90};
    const int marks[3] = {90, 180, 0};
    const float values[3] = {-settings->lightDir.x, -settings->lightDir.y, -settings->lightDir.z};
    for (int i = 0; i < 3; ++i) {
        m_sliders[i] = new FluentSlider(QString::fromUtf8(titles[i]), group);
        m_sliders[i]->setMinimum(-180);
        m_sliders[i]->setMaximum(maxima[i]);
        m_sliders[i]->setDefaultValue(marks[i]);
        m_sliders[i]->setValue(sliderValue(values[i], 1.0));
        group->addRow(m_sliders[i]);
        connect(m_sliders[i], &FluentSlider::valueChanged, this, &PageLight::onSliderValueChanged);
    }
    finishLayout();
    connect(m_color, &QAbstractButton::clicked, this, &PageLight::onColorButtonClicked);
}

void PageLight::onColorButtonClicked() {
    KySettings* settings = kySettings();
    if (!settings || m_dialog) return;
    m_dialog = new QColorDialog(lightQColor(settings->lightColor), this);
    QFont small = m_dialog->font();
    small.setPointSizeF(7);
    m_dialog->setFont(small);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        if (KySettings* s = kySettings()) {
            s->lightColor = Vector3{color.red() / 255.0f, color.green() / 255.0f, color.blue() / 255.0f};
        }
        m_color->setColor(color);
    });
    connect(m_dialog, &QObject::destroyed, this, [this] { m_dialog = nullptr; });
    m_dialog->open();
}

void PageLight::onSliderValueChanged(int) {
    KySettings* settings = kySettings();
    if (!settings) return;
    settings->lightDir = Vector3{-static_cast<float>(m_sliders[0]->value()), -static_cast<float>(m_sliders[1]->value()),
                                 -static_cast<float>(m_sliders[2]->value())};
}
