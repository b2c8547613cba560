#include "vr/VRDevice.h"

#include <QDebug>

#include "vr/VRSystem.h"

using namespace mnxvr;

namespace {

std::unique_ptr<SystemMesh> makeMesh(const QString& image, const QString& obj, float scale) {
    auto mesh = std::make_unique<SystemMesh>();
    mesh->setImagePath(image);
    mesh->setObjPath(obj);
    mesh->setScale(scale);
    mesh->initialize();
    return mesh;
}

}  // namespace

VRDevice::VRDevice(QObject* parent) : QObject(parent) {}

VRDevice::~VRDevice() = default;

void VRDevice::setup(TrackedDeviceIndex_t deviceIndex) {
    index = deviceIndex;
    const TrackedDevice& tracked = vrSystem()->device(deviceIndex);
    deviceClass = tracked.deviceClass;
    modelNumber = tracked.modelNumber;
    serialNumber = tracked.serialNumber;
    switch (deviceClass) {
        case TrackedDeviceClass_Invalid:
            className = QStringLiteral("Invalid");
            break;
        case TrackedDeviceClass_HMD:
            className = QStringLiteral("HMD");
            break;
        case TrackedDeviceClass_Controller:
            className = QStringLiteral("Controller");
            qDebug() << "TrackedDeviceClass_Controller";
            break;
        case TrackedDeviceClass_GenericTracker:
            className = QStringLiteral("Tracker");
            mesh = makeMesh(QStringLiteral(":/img/resources/img/tracker.png"),
                            QStringLiteral(":/system_mesh/resources/system_mesh/tracker.obj"), 1.0f);
            marker = makeMesh(QStringLiteral(":/img/resources/img/orange.png"),
                              QStringLiteral(":/system_mesh/resources/system_mesh/cube.obj"), 0.0001f);
            break;
        default:
            className = QStringLiteral("Unknown");
            break;
    }
}

void VRDevice::draw(const Matrix4& viewProj) {
    if (mesh) {
        mesh->setTranslationMatrix(pose);
        mesh->draw(viewProj);
    }
    if (marker) {
        marker->setTranslationMatrix(pose);
        marker->draw(viewProj);
    }
}
