#include "ui/KyDeviceSerialGroup.h"

#include "app/base/KySettings.h"
#include "ui/FluentLineEdit.h"

KyDeviceSerialGroup::KyDeviceSerialGroup(QWidget* parent) : KyItemGroupWidget(parent) {
    for (int i = 0; i < kSlots; ++i) {
        m_rows[i] = new FluentLineEdit(QStringLiteral("デバイス %1").arg(i), this);
        m_rows[i]->setItemData(i);
        addRow(m_rows[i]);
        connect(m_rows[i], &FluentLineEdit::editingFinished, this, &KyDeviceSerialGroup::onSerialEditingFinished);
    }
    refresh();
}

void KyDeviceSerialGroup::refresh() {
    const KySettings* settings = kySettings();
    if (!settings) return;
    for (int i = 0; i < kSlots; ++i) m_rows[i]->setText(settings->deviceSerials[static_cast<size_t>(i)]);
}

void KyDeviceSerialGroup::onSerialEditingFinished() {
    KySettings* settings = kySettings();
    auto* row = qobject_cast<FluentLineEdit*>(sender());
    if (!settings || !row) return;
    const int slot = row->itemData().toInt();
    if (slot < 0 || slot >= kSlots) return;
    QString& stored = settings->deviceSerials[static_cast<size_t>(slot)];
    const QString serial = row->text().trimmed();
    if (serial == stored) return;
    stored = serial;
    emit settings->deviceSerialsChanged();
}
