#include "ui/KyVmcSourceGroup.h"

#include <QButtonGroup>
#include <QtDebug>

#include "app/base/KySettings.h"
#include "ui/FluentCheckButton.h"
#include "ui/FluentLineEdit.h"

KyVmcSourceGroup::KyVmcSourceGroup(QWidget* parent) : KyItemGroupWidget(parent) {
    m_phone = new FluentCheckButton(QStringLiteral("iFacialMocap (iPhone)"), this);
    m_vmc = new FluentCheckButton(QStringLiteral("VMC"), this);
    m_port = new FluentLineEdit(QStringLiteral("VMC受信ポート"), this);
    auto* choice = new QButtonGroup(this);
    choice->setExclusive(true);
    choice->addButton(m_phone);
    choice->addButton(m_vmc);
    const KySettings* settings = kySettings();
    const bool vmc = settings != nullptr && settings->captureType == KySettings::kCaptureVmc;
    (vmc ? m_vmc : m_phone)->setChecked(true);
    m_port->setText(QString::number(settings != nullptr ? settings->vmcReceivePort : 39539));
    addRow(m_phone);
    addRow(m_vmc);
    addRow(m_port);
    connect(m_vmc, &QPushButton::toggled, this, &KyVmcSourceGroup::onSourceChosen);
    connect(m_port, &FluentLineEdit::editingFinished, this, &KyVmcSourceGroup::onPortEditingFinished);
}

void KyVmcSourceGroup::onSourceChosen(bool vmc) {
    if (KySettings* settings = kySettings()) {
        settings->captureType = vmc ? KySettings::kCaptureVmc : KySettings::kCaptureIFacialMocap;
    }
}

void KyVmcSourceGroup::onPortEditingFinished() {
    KySettings* settings = kySettings();
    if (settings == nullptr) return;
    bool number = false;
    const int port = m_port->text().trimmed().toInt(&number);
    const QString error =
        number ? KySettings::vmcPortError(port) : QStringLiteral("\"%1\" is not a number").arg(m_port->text());
    if (!error.isEmpty()) {
        qWarning().noquote() << "VMC receive port:" << error;
        m_port->setDescription(error + QStringLiteral("; keeping ") + QString::number(settings->vmcReceivePort));
        m_port->setText(QString::number(settings->vmcReceivePort));
        return;
    }
    m_port->setDescription(QString());
    settings->vmcReceivePort = port;
}
