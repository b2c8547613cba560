#include "ui/PageRender.h"

#include <QColorDialog>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "ui/FluentColorButton.h"
#include "ui/FluentSlider.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SliderValue.h"

namespace {

FluentSlider* makeSlider(const QString& title, int minimum, int maximum, int mark, QWidget* parent) {
    auto* slider = new FluentSlider(title, parent);
    slider->setMinimum(minimum);
    slider->setMaximum(maximum);
    slider->setDefaultValue(mark);
    return slider;
}

}  // namespace

PageRender::PageRender(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    KySettings* settings = kySettings();
    Q_ASSERT(settings);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dpiScaled(12));

    auto* group = new KyItemGroupWidget(this);
    m_bgColor = new FluentColorButton(QStringLiteral("背景色"), group);
    m_bgColor->setColor(settings->bgColor);
    m_light = new FluentLabel(QStringLiteral("ライト設定"), group);
    m_light->setChevron(true);
    m_edgeMul = makeSlider(QStringLiteral("エッジ太さ"), 0, 50, 10, group);
    m_edgeMul->setValue(sliderValue(settings->edgeMul, 0.1));
    m_edgeBrightness = makeSlider(QStringLiteral("エッジ明るさ"), -100, 100, 0, group);
    m_edgeBrightness->setValue(sliderValue(settings->edgeBrightness, 0.01));
    m_transBrow = makeSlider(QStringLiteral("眉透過"), 0, 100, 50, group);
    m_transBrow->setValue(sliderValue(settings->transBrow, 0.01));
    for (FluentLabel* row : {static_cast<FluentLabel*>(m_bgColor), m_light, static_cast<FluentLabel*>(m_edgeMul),
                             static_cast<FluentLabel*>(m_edgeBrightness), static_cast<FluentLabel*>(m_transBrow)}) {
        group->addRow(row);
    }
    layout->addWidget(group);

    auto* second = new KyItemGroupWidget(this);
    m_renderAcc = new FluentToggleButton(QStringLiteral("アクセサリ表示"), second);
    m_renderAcc->setChecked(settings->renderAcc);
    second->addRow(m_renderAcc);
    layout->addWidget(second);
    layout->addStretch(1);

    connect(m_bgColor, &QAbstractButton::clicked, this, &PageRender::onColorButtonClicked);
    connect(m_edgeMul, &FluentSlider::valueChanged, this, &PageRender::onEdgeMulChanged);
    connect(m_edgeBrightness, &FluentSlider::valueChanged, this, &PageRender::onEdgeBrightnessChanged);
    connect(m_transBrow, &FluentSlider::valueChanged, this, &PageRender::onTransBrowChanged);
    connect(m_renderAcc, &QAbstractButton::toggled, this, &PageRender::onRenderAccChanged);
}

void PageRender::onColorButtonClicked() {
    KySettings* settings = kySettings();
    if (!settings || m_dialog) return;
    m_dialog = new QColorDialog(settings->bgColor, this);
    QFont small = m_dialog->font();
    small.setPointSizeF(7);
    m_dialog->setFont(small);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        if (KySettings* s = kySettings()) s->setBgColor(color);
        m_bgColor->setColor(color);
    });
    connect(m_dialog, &QObject::destroyed, this, [this] { m_dialog = nullptr; });
    m_dialog->open();
}

void PageRender::onEdgeMulChanged(int value) {
    if (KySettings* settings = kySettings()) settings->edgeMul = value * 0.1f;
}

void PageRender::onEdgeBrightnessChanged(int value) {
    if (KySettings* settings = kySettings()) settings->edgeBrightness = value * 0.01f;
}

void PageRender::onTransBrowChanged(int value) {
    if (KySettings* settings = kySettings()) settings->transBrow = value * 0.01f;
}

void PageRender::onRenderAccChanged(bool on) {
    if (KySettings* settings = kySettings()) settings->renderAcc = on;
}
