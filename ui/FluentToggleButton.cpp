#include "ui/FluentToggleButton.h"

#include "app/base/DpiScale.h"
#include "ui/KyStateMachineVariant.h"
#include "ui/iToggleButton.h"

FluentToggleButton::FluentToggleButton(const QString& title, QWidget* parent) : FluentLabel(title, parent) {
    setCheckable(true);
    setReservedWidth(dpiScaled(42));
    m_toggle = new iToggleButton(this);
    m_machine = new KyStateMachineVariant(this, 100, 100);
    connect(m_machine, &KyStateMachineVariant::variantChanged, m_toggle, &iToggleButton::onVariantChanged);
    connect(this, &QPushButton::toggled, this, &FluentToggleButton::onToggled);
}

void FluentToggleButton::onToggled(bool checked) {
    m_toggle->onToggled(checked);
    if (checked) {
        emit m_machine->signalOpen();
    } else {
        emit m_machine->signalClose();
    }
}

void FluentToggleButton::resizeEvent(QResizeEvent* event) {
    FluentLabel::resizeEvent(event);
    m_toggle->move(width() - dpiScaled(8) - m_toggle->width(), (height() - m_toggle->height()) / 2);
}
