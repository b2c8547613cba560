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
    vrWaitGetPoses(m_poses.data(), k_unMaxTrackedDeviceCount, nullptr, 0);
    for (TrackedDeviceIndex_t i = 0; i < k_unMaxTrackedDeviceCount; ++i) {
        const TrackedDevicePose_t& p = m_poses[i];
        const bool present = vrActivityLevel(i) != k_EDeviceActivityLevel_Unknown &&
                             vrDeviceClass(i) != TrackedDeviceClass_Invalid && p.bPoseIsValid;
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
        d->pose = toMatrix4(p.mDeviceToAbsoluteTracking);
        for (int k = 0; k < 3; ++k) {
            d->velocity[k] = p.vVelocity.v[k];
            d->angularVelocity[k] = p.vAngularVelocity.v[k];
        }
        d->battery = vrFloatProperty(i, Prop_DeviceBatteryPercentage_Float);
        if (d->valid != d->wasValid) emit deviceStateChanged();
        d->wasValid = true;
    }
    if (deviceSlots[0] && deviceSlots[0]->valid) invertMatrix(deviceSlots[0]->pose, hmdView);
}

VRDevice* VRDeviceContainer::device(TrackedDeviceIndex_t index) {
    Q_ASSERT(index < k_unMaxTrackedDeviceCount);
    if (!deviceSlots[index]) {
        qDebug().noquote() << "DeviceID:" << index << className(vrDeviceClass(index));
        qDebug().noquote() << vrStringProperty(index, Prop_ModelNumber_String);
        qDebug().noquote() << vrStringProperty(index, Prop_SerialNumber_String);
        qDebug() << vrBoolProperty(index, Prop_DeviceLogged_Bool);
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
