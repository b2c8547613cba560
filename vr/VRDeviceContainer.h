#pragma once

#include <QList>
#include <QObject>
#include <array>

#include "app/base/Matrix4.h"
#include "vr/VRSystem.h"

class VRDevice;

// Every tracked device seen this run, refreshed once per frame. Owns its devices; they are never removed,
// a device that goes away only loses `valid`. GUI thread, GL context current (devices build meshes).
class VRDeviceContainer : public QObject {
    Q_OBJECT

public:
    explicit VRDeviceContainer(QObject* parent = nullptr);
    ~VRDeviceContainer() override;

    // Waits for the runtime's next frame (this paces the frame loop), then refreshes every slot 0..63 and
    // hmdView. Nothing changes while the session is not running.
    void update();
    // The device in slot `index` (< 64), created and set up on first use.
    VRDevice* device(mnxvr::TrackedDeviceIndex_t index);
    // The first-seen device with that serial number, or null.
    VRDevice* findBySerial(const QString& serial) const;

    // Tracking space to head space: the inverse of device 0's latest valid pose; identity until one is seen.
    Matrix4 hmdView;
    std::array<VRDevice*, mnxvr::k_unMaxTrackedDeviceCount> deviceSlots{};
    // In the order first seen.
    QList<VRDevice*> devices;

signals:
    // A device was added.
    void deviceListChanged();
    // Some device's `valid` flag changed.
    void deviceStateChanged();
};

// The process-wide container: created only while VR is running (call with the GL context current), else the
// accessor stays null. destroyDeviceContainer deletes it with its devices and their meshes (context current);
// safe to call twice.
VRDeviceContainer* createDeviceContainer();
VRDeviceContainer* vrDevices();
void destroyDeviceContainer();
