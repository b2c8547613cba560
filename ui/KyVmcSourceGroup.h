#pragma once

#include "ui/KyItemGroupWidget.h"

class FluentCheckButton;
class FluentLineEdit;

// Capture page rows that choose the capture source (Global/CaptureType: the iFacialMocap phone or a VMC sender)
// and the UDP port VMC is received on. Writes the settings store as the rows change; a bad port is refused with
// the reason under the field and the previous port stays. The chosen source applies at the next capture start.
class KyVmcSourceGroup : public KyItemGroupWidget {
    Q_OBJECT

public:
    explicit KyVmcSourceGroup(QWidget* parent = nullptr);

    FluentCheckButton* phoneButton() const { return m_phone; }
    FluentCheckButton* vmcButton() const { return m_vmc; }
    FluentLineEdit* portEdit() const { return m_port; }

public slots:
    void onSourceChosen(bool vmc);
    void onPortEditingFinished();

private:
    FluentCheckButton* m_phone = nullptr;  // child
    FluentCheckButton* m_vmc = nullptr;    // child
    FluentLineEdit* m_port = nullptr;      // child
};
