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
    // The switch lets every click through to the row, so it learns of the press from the row.
    connect(this, &QAbstractButton::pressed, m_toggle, [this] { m_toggle->setDown(true); });
    connect(this, &QAbstractButton::released, m_toggle, [this] { m_toggle->setDown(false); });
}

void FluentToggleButton::onToggled(bool checked) {
    m_toggle->onToggled(checked);
    m_machine->setOpen(checked);
}

void FluentToggleButton::resizeEvent(QResizeEvent* event) {
    FluentLabel::resizeEvent(event);
    m_toggle->move(width() - dpiScaled(8) - m_toggle->width(), (height() - m_toggle->height()) / 2);
}
