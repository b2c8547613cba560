#include "ui/KySettingWidget.h"

#include <QFileInfo>
#include <QVBoxLayout>
#include <algorithm>

#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "app/base/VrStatus.h"
#include "ui/FluentLineEdit.h"
#include "ui/FluentListView.h"
#include "ui/FluentSlider.h"
#include "ui/FluentToggleButton.h"
#include "ui/KyDeviceSerialGroup.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/KyVmcSendGroup.h"
#include "ui/NetworkDescription.h"
#include "ui/PageLight.h"
#include "ui/PagePersonal.h"
#include "ui/PagePersonalAngle.h"
#include "ui/PagePersonalSense.h"
#include "ui/PageRender.h"
#include "ui/PageScrollArea.h"
#include "ui/SlidingStackedWidget.h"
#include "ui/SliderValue.h"

namespace {
constexpr int kMaxModels = 8;
}

KySettingWidget::KySettingWidget(QWidget* parent) : KyTopWidget(parent) {
    setWindowTitle(QStringLiteral("設定"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new SlidingStackedWidget(this);
    m_stack->setOption(SlidingStackedWidget::RightToLeft);
    m_render = new PageRender;
    m_light = new PageLight;
    m_personal = new PagePersonal;
    m_angle = new PagePersonalAngle;
    m_sense = new PagePersonalSense;
    m_stack->addWidget(new PageScrollArea(createMenu(), m_stack));
    m_stack->addWidget(new PageScrollArea(m_render, m_stack));
    m_stack->addWidget(new PageScrollArea(m_light, m_stack));
    m_stack->addWidget(new PageScrollArea(m_personal, m_stack));
    m_stack->addWidget(new PageScrollArea(m_angle, m_stack));
    m_stack->addWidget(new PageScrollArea(m_sense, m_stack));
    layout->addWidget(m_stack);
    linkRows();

    connect(m_stack, &SlidingStackedWidget::animationFinished, this, &KySettingWidget::onSlideFinished);
    connect(m_stack, &QStackedWidget::currentChanged, this, &KySettingWidget::onCurrentChanged);
}

QString KySettingWidget::pageTitle(int index) {
    switch (index) {
        case Render: return QStringLiteral("3D表示設定");
        case Light: return QStringLiteral("ライト設定");
        case Personal: return QStringLiteral("モデル個別設定");
        case PersonalAngle: return QStringLiteral("初期角度");
        case PersonalSense: return QStringLiteral("表情感度");
        default: return QString();
    }
}

QWidget* KySettingWidget::createMenu() {
    KySettings* settings = kySettings();
    Q_ASSERT(settings);
    auto* menu = new QWidget;
    auto* layout = new QVBoxLayout(menu);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(dpiScaled(12));

    auto* modelGroup = new KyItemGroupWidget(menu);
    m_models = new FluentListView(QStringLiteral("モデル"), modelGroup);
    const QStringList paths = settings->modelPaths.mid(0, kMaxModels);
    QStringList names;
    for (const QString& path : paths) names.append(QFileInfo(path).completeBaseName());
    m_models->setItems(names);
    m_models->setItemDataList(QVariantList(paths.begin(), paths.end()));
    m_models->setCurrentIndex(paths.indexOf(settings->pmxName));
    modelGroup->addRow(m_models);
    layout->addWidget(modelGroup);

    auto* networkGroup = new KyItemGroupWidget(menu);
    m_network = new FluentLineEdit(QStringLiteral("ネットワーク"), networkGroup);
    m_network->setText(settings->camAddress);
    m_network->setDescription(networkDescription(firstReachableIPv4(localHostAddresses())));
    networkGroup->addRow(m_network);
    layout->addWidget(networkGroup);
    layout->addWidget(new KyVmcSendGroup(menu));

    auto* group = new KyItemGroupWidget(menu);
    m_renderRow = new FluentLabel(QStringLiteral("3D表示設定"), group);
    m_renderRow->setChevron(true);
    m_mirror = new FluentToggleButton(QStringLiteral("左右反転"), group);
    m_mirror->setChecked(settings->mirror);
    m_morphSense = new FluentSlider(QStringLiteral("全体表情感度"), group);
    m_morphSense->setMinimum(-2);
    m_morphSense->setMaximum(2);
    m_morphSense->setDefaultValue(0);
    m_morphSense->setTickTexts({QStringLiteral("最弱"), QStringLiteral("弱"), QStringLiteral("標準"),
                                QStringLiteral("強"), QStringLiteral("最強")});
    m_morphSense->setValue(settings->morphSensitivity);
    m_bodyMoveMul = new FluentSlider(QStringLiteral("上半身移動量"), group);
    m_bodyMoveMul->setMinimum(0);
    m_bodyMoveMul->setMaximum(100);
    m_bodyMoveMul->setDefaultValue(50);
    m_bodyMoveMul->setValue(sliderValue(settings->bodyMoveMul.x, 0.01));
    m_personalRow = new FluentLabel(QStringLiteral("モデル個別設定"), group);
    m_personalRow->setChevron(true);
    for (FluentLabel* row : {m_renderRow, static_cast<FluentLabel*>(m_mirror), static_cast<FluentLabel*>(m_morphSense),
                             static_cast<FluentLabel*>(m_bodyMoveMul), m_personalRow}) {
        group->addRow(row);
    }
    layout->addWidget(group);

    m_devices = new KyDeviceSerialGroup(menu);
    m_devices->setVisible(vrRunning());
    layout->addWidget(m_devices);
    layout->addStretch(1);

    connect(m_models, &FluentListView::currentIndexChanged, this, &KySettingWidget::onCurrentModelIndexChanged);
    connect(m_network, &FluentLineEdit::editingFinished, this, &KySettingWidget::onIPEditingFinished);
    connect(m_mirror, &QAbstractButton::clicked, this, &KySettingWidget::onMirrorButtonClicked);
    connect(m_morphSense, &FluentSlider::valueChanged, this, &KySettingWidget::onMorphSenseChanged);
    connect(m_bodyMoveMul, &FluentSlider::valueChanged, this, &KySettingWidget::onBodyMoveMulChanged);
    return menu;
}

void KySettingWidget::linkRows() {
    m_renderRow->setLinkIndex(Render);
    m_render->lightRow()->setLinkIndex(Light);
    m_personalRow->setLinkIndex(Personal);
    m_personal->angleRow()->setLinkIndex(PersonalAngle);
    m_personal->senseRow()->setLinkIndex(PersonalSense);
    for (FluentLabel* row : findChildren<FluentLabel*>()) {
        if (row->linkIndex() < 0) continue;
        connect(row, &FluentLabel::emitPageCall, this, [](QWidget*, SlidingStackedWidget* stack, int index) {
            stack->slideInIdx(index, SlidingStackedWidget::RightToLeft);
        });
    }
}

void KySettingWidget::back() {
    if (m_stack->targetIndex() == Menu && !m_stack->isAnimating() && m_stack->currentIndex() == Menu) return;
    m_stack->setOption(SlidingStackedWidget::LeftToRight);
    m_stack->setCurrentIndex(Menu);
    m_stack->setOption(SlidingStackedWidget::RightToLeft);
}

void KySettingWidget::onSlideFinished() {
    setSubPageShown(m_stack->currentIndex() != Menu);
    emit emitPageChanged();
}

void KySettingWidget::onCurrentChanged(int index) { setAccessibleName(pageTitle(index)); }

void KySettingWidget::onIPEditingFinished() {
    if (KySettings* settings = kySettings()) settings->camAddress = m_network->text();
}

void KySettingWidget::onCurrentModelIndexChanged(int index) {
    KySettings* settings = kySettings();
    const QVariantList paths = m_models->itemDataList();
    if (settings && index >= 0 && index < paths.size()) settings->pmxName = paths[index].toString();
}

void KySettingWidget::onMirrorButtonClicked(bool checked) {
    KySettings* settings = kySettings();
    if (!settings) return;
    settings->mirror = checked;
    emit settings->modelLRChanged();
}

void KySettingWidget::onBodyMoveMulChanged(int value) {
    KySettings* settings = kySettings();
    if (!settings) return;
    const float mul = value * 0.01f;
    settings->bodyMoveMul = Vector3{mul, mul, mul};
}

void KySettingWidget::onMorphSenseChanged(int value) {
    KySettings* settings = kySettings();
    if (!settings) return;
    settings->morphSensitivity = std::clamp(value, -2, 2);
    emit settings->modelSenceChanged();
}

void KySettingWidget::showEvent(QShowEvent* event) {
    m_devices->setVisible(vrRunning());
    if (vrRunning()) m_devices->refresh();
    KyTopWidget::showEvent(event);
}
