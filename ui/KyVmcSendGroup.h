#pragma once

#include "ui/KyItemGroupWidget.h"

class FluentLineEdit;
class FluentToggleButton;

// Settings page rows for sending the character's pose over VMC: on/off, destination host and port
// (Global/VmcSend, Global/VmcSendHost, Global/VmcSendPort). A bad host or port is refused with the reason under
// the field and the previous value stays. Sending follows the settings from the next frame.
class KyVmcSendGroup : public KyItemGroupWidget {
    Q_OBJECT

public:
    explicit KyVmcSendGroup(QWidget* parent = nullptr);

    FluentToggleButton* sendButton() const { return m_send; }
    FluentLineEdit* hostEdit() const { return m_host; }
    FluentLineEdit* portEdit() const { return m_port; }

public slots:
    void onSendToggled(bool on);
    void onHostEditingFinished();
    void onPortEditingFinished();

private:
    FluentToggleButton* m_send = nullptr;  // child
    FluentLineEdit* m_host = nullptr;      // child
    FluentLineEdit* m_port = nullptr;      // child
};
