#pragma once

#include <array>
#include <cstddef>

class VRDevice;

// The six body-tracker slots: slot i is the tracked device whose serial equals the settings' "Device/" i, or
// null. Devices are observed (owned by the device container). GUI thread only.
class TrackerSlots {
public:
    static constexpr int kCount = 6;

    // Looks every slot's serial up among the tracked devices; empty serials, a missing store or container, and
    // serials no device has leave their slots null.
    void resolve();
    // The device of slot `i` (0..kCount-1), or null.
    VRDevice* at(int i) const { return i >= 0 && i < kCount ? m_slots[static_cast<size_t>(i)] : nullptr; }

private:
    std::array<VRDevice*, kCount> m_slots{};
};
