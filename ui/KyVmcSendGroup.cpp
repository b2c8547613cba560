#include "ui/KyVmcSendGroup.h"

#include <QtDebug>

#include "app/base/KySettings.h"
#include "ui/FluentLineEdit.h"
#include "ui/FluentToggleButton.h"

KyVmcSendGroup::KyVmcSendGroup(QWidget* parent) : KyItemGroupWidget(parent) {
    m_send = new FluentToggleButton(QStringLiteral("VMCで送信"), this);
    m_host = new FluentLineEdit(QStringLiteral("VMC送信先"), this);
    m_port = new FluentLineEdit(QStringLiteral("VMC送信ポート"), this);
    if (const KySettings* settings = kySettings()) {
        m_send->setChecked(settings->vmcSend);
        m_host->setText(settings->vmcSendHost);
        m_port->setText(QString::number(settings->vmcSendPort));
    }
    addRow(m_send);
    addRow(m_host);
    addRow(m_port);
    connect(m_send, &QPushButton::toggled, this, &KyVmcSendGroup::onSendToggled);
    connect(m_host, &FluentLineEdit::editingFinished, this, &KyVmcSendGroup::onHostEditingFinished);
    connect(m_port, &FluentLineEdit::editingFinished, this, &KyVmcSendGroup::onPortEditingFinished);
}

void KyVmcSendGroup::onSendToggled(bool on) {
    if (KySettings* settings = kySettings()) settings->vmcSend = on;
}

void KyVmcSendGroup::onHostEditingFinished() {
    KySettings* settings = kySettings();
    if (settings == nullptr) return;
    const QString host = m_host->text().trimmed();
    const QString error = KySettings::vmcHostError(host);
    if (!error.isEmpty()) {
        qWarning().noquote() << "VMC send host:" << error;
        m_host->setDescription(error + QStringLiteral("; keeping ") + settings->vmcSendHost);
        m_host->setText(settings->vmcSendHost);
        return;
    }
    m_host->setDescription(QString());
    settings->vmcSendHost = host;
}

void KyVmcSendGroup::onPortEditingFinished() {
    KySettings* settings = kySettings();
    if (settings == nullptr) return;
    bool number = false;
    const int port = m_port->text().trimmed().toInt(&number);
    const QString error =
        number ? KySettings::vmcPortError(port) : QStringLiteral("\"%1\" is not a number").arg(m_port->text());
    if (!error.isEmpty()) {
        qWarning().noquote() << "VMC send port:" << error;
        m_port->setDescription(error + QStringLiteral("; keeping ") + QString::number(settings->vmcSendPort));
        m_port->setText(QString::number(settings->vmcSendPort));
        return;
    }
    m_port->setDescription(QString());
    settings->vmcSendPort = port;
}
