#pragma once

#include "ui/FluentLabel.h"

class KyStateMachineVariant;
class iToggleButton;

// A settings row with an on/off switch. The row itself is the checkable button (toggled(bool) and
// clicked(bool) as for any checkable button); the switch follows through a 100 ms open/close machine.
class FluentToggleButton : public FluentLabel {
    Q_OBJECT

public:
    explicit FluentToggleButton(const QString& title, QWidget* parent = nullptr);

    iToggleButton* toggle() const { return m_toggle; }

public slots:
    void onToggled(bool checked);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    iToggleButton* m_toggle = nullptr;           // child
    KyStateMachineVariant* m_machine = nullptr;  // child
};
