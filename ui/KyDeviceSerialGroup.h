#pragma once

#include "ui/KyItemGroupWidget.h"

class FluentLineEdit;

// The six tracked-device slots of the body controller: one row per slot with the serial number of the device
// assigned to it (deviceSerials). Editing a row stores its serial when editing finishes.
class KyDeviceSerialGroup : public KyItemGroupWidget {
    Q_OBJECT

public:
    static constexpr int kSlots = 6;
    explicit KyDeviceSerialGroup(QWidget* parent = nullptr);

    FluentLineEdit* row(int slot) const { return m_rows[slot]; }
    // Shows the store's serials again.
    void refresh();

public slots:
    void onSerialEditingFinished();

private:
    FluentLineEdit* m_rows[kSlots] = {};
};
