#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/base/Matrix4.h"
#include "render/SystemMesh.h"
#include "vr/VRSystem.h"

// One tracked device, by device slot (VRSystem.h), as the latest refresh saw it. Owned by the device container;
// poses are device-to-tracking-space, column-major, metres.
class VRDevice : public QObject {
    Q_OBJECT

public:
    explicit VRDevice(QObject* parent = nullptr);
    ~VRDevice() override;

    // Reads class, model and serial number of slot `index` and builds its meshes. Needs VR running and the GL
    // context current (the meshes are built right away).
    void setup(mnxvr::TrackedDeviceIndex_t index);
    // Draws the mesh and the marker at `pose`; harmless without them.
    void draw(const Matrix4& viewProj);

    mnxvr::TrackedDeviceIndex_t index = mnxvr::k_unTrackedDeviceIndexInvalid;
    mnxvr::ETrackedDeviceClass deviceClass = mnxvr::TrackedDeviceClass_Invalid;
    QString modelNumber;
    QString serialNumber;  // the key settings refer to the device by
    QString className;     // "HMD", "Controller", "Tracker", "Invalid" or "Unknown"
    float battery = 0.0f;  // 0..1; OpenXR does not report it
    bool valid = false;
    bool wasValid = false;
    Matrix4 pose;
    float velocity[3] = {0.0f, 0.0f, 0.0f};         // metres per second, tracking space
    float angularVelocity[3] = {0.0f, 0.0f, 0.0f};  // radians per second, tracking space
    std::unique_ptr<SystemMesh> mesh;
    std::unique_ptr<SystemMesh> marker;
};
