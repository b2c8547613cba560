#include "vr/VRDeviceContainer.h"

#include <QDebug>

#include "vr/VRDevice.h"
#include "vr/VRSystem.h"

using namespace mnxvr;

namespace {

VRDeviceContainer* g_devices = nullptr;

}  // namespace

VRDeviceContainer::VRDeviceContainer(QObject* parent) : QObject(parent) {}

VRDeviceContainer::~VRDeviceContainer() { qDeleteAll(devices); }

void VRDeviceContainer::update() {
    VRSystem* xr = vrSystem();
    if (!xr || !xr->beginFrame()) return;
    for (TrackedDeviceIndex_t i = 0; i < k_unMaxTrackedDeviceCount; ++i) {
        const TrackedDevice& t = xr->device(i);
        const bool present = t.deviceClass != TrackedDeviceClass_Invalid && t.valid;
        if (!present) {
            if (VRDevice* d = deviceSlots[i]) {
                d->valid = false;
                if (d->wasValid) emit deviceStateChanged();
                d->wasValid = false;
            }
            continue;
        }
        VRDevice* d = device(i);
        d->valid = true;
        d->pose = t.pose;
        for (int k = 0; k < 3; ++k) {
            d->velocity[k] = t.velocity[k];
            d->angularVelocity[k] = t.angularVelocity[k];
        }
        if (d->valid != d->wasValid) emit deviceStateChanged();
        d->wasValid = true;
    }
    if (deviceSlots[kHeadSlot] && deviceSlots[kHeadSlot]->valid) invertMatrix(deviceSlots[kHeadSlot]->pose, hmdView);
}

VRDevice* VRDeviceContainer::device(TrackedDeviceIndex_t index) {
    Q_ASSERT(index < k_unMaxTrackedDeviceCount);
    if (!deviceSlots[index]) {
        const TrackedDevice& t = vrSystem()->device(index);
        qDebug().noquote() << "DeviceID:" << index << className(t.deviceClass);
        qDebug().noquote() << t.modelNumber;
        qDebug().noquote() << t.serialNumber;
        auto* d = new VRDevice;
        d->setup(index);
        deviceSlots[index] = d;
        if (!devices.contains(d)) devices.append(d);
        emit deviceListChanged();
    }
    return deviceSlots[index];
}

VRDevice* VRDeviceContainer::findBySerial(const QString& serial) const {
    for (VRDevice* d : devices)
        if (d->serialNumber == serial) return d;
    return nullptr;
}

VRDeviceContainer* createDeviceContainer() {
    if (vrSystem() && !g_devices) g_devices = new VRDeviceContainer;
    return g_devices;
}

VRDeviceContainer* vrDevices() { return g_devices; }

void destroyDeviceContainer() {
    delete g_devices;
    g_devices = nullptr;
}
