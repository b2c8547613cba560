#include "vr/TrackerSlots.h"

#include "app/base/KySettings.h"
#include "vr/VRDeviceContainer.h"

void TrackerSlots::resolve() {
    const KySettings* settings = kySettings();
    const VRDeviceContainer* devices = vrDevices();
    for (int i = 0; i < kCount; ++i) {
        const auto slot = static_cast<size_t>(i);
        const QString serial = settings != nullptr ? settings->deviceSerials[slot] : QString();
        m_slots[slot] = devices != nullptr && !serial.isEmpty() ? devices->findBySerial(serial) : nullptr;
    }
}
