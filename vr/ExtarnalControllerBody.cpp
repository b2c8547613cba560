// The body controller's VR side: arms from the two controllers through the arm chains and the wrist step,
// finger poses from their buttons and triggers, and the tracker slots; the arm step and the slots are parts of
// their own.
#include <QtDebug>

#include "vr/ExtarnalController.h"
#include "vr/VRController.h"
#include "vr/VRDeviceContainer.h"

void ExtarnalController::connectVRController() {
    VRController* controller = vrController();
    if (controller == nullptr) return;
    connect(controller, &VRController::capTriggerRValueChanged, this, &ExtarnalController::onTriggerRValueChanged);
    connect(controller, &VRController::capTriggerLValueChanged, this, &ExtarnalController::onTriggerLValueChanged);
    connect(controller, &VRController::capGripR_Pressed, this, &ExtarnalController::onGripR_Pressed);
    connect(controller, &VRController::capGripR_Released, this, &ExtarnalController::onGripR_Released);
    connect(controller, &VRController::capGripL_Pressed, this, &ExtarnalController::onGripL_Pressed);
    connect(controller, &VRController::capGripL_Released, this, &ExtarnalController::onGripL_Released);
    connect(controller, &VRController::capClickUpR_Pressed, this, &ExtarnalController::onClickUpR_Pressed);
    connect(controller, &VRController::capClickUpR_Released, this, &ExtarnalController::onClickUpR_Released);
    connect(controller, &VRController::capClickUpL_Pressed, this, &ExtarnalController::onClickUpL_Pressed);
    connect(controller, &VRController::capClickUpL_Released, this, &ExtarnalController::onClickUpL_Released);
    connect(controller, &VRController::capClickDownR_Pressed, this, &ExtarnalController::onClickDownR_Pressed);
    connect(controller, &VRController::capClickDownR_Released, this, &ExtarnalController::onClickDownR_Released);
    connect(controller, &VRController::capClickDownL_Pressed, this, &ExtarnalController::onClickDownL_Pressed);
    connect(controller, &VRController::capClickDownL_Released, this, &ExtarnalController::onClickDownL_Released);
    connect(controller, &VRController::capClickRightR_Pressed, this, &ExtarnalController::onClickRightR_Pressed);
    connect(controller, &VRController::capClickRightR_Released, this, &ExtarnalController::onClickRightR_Released);
    connect(controller, &VRController::capClickRightL_Pressed, this, &ExtarnalController::onClickRightL_Pressed);
    connect(controller, &VRController::capClickRightL_Released, this, &ExtarnalController::onClickRightL_Released);
    connect(controller, &VRController::capClickLeftR_Pressed, this, &ExtarnalController::onClickLeftR_Pressed);
    connect(controller, &VRController::capClickLeftR_Released, this, &ExtarnalController::onClickLeftR_Released);
    connect(controller, &VRController::capClickLeftL_Pressed, this, &ExtarnalController::onClickLeftL_Pressed);
    connect(controller, &VRController::capClickLeftL_Released, this, &ExtarnalController::onClickLeftL_Released);
    // Devices appear as the runtime reports them, so a slot's serial may only find its device later.
    if (VRDeviceContainer* devices = vrDevices()) {
        connect(devices, &VRDeviceContainer::deviceListChanged, this, &ExtarnalController::onTrackerSettingChanged);
    }
}

void ExtarnalController::updateHandPoses() {
    if (vrController() == nullptr) return;
    m_hands.apply();
}

void ExtarnalController::updateArms() {
    if (const VRController* controller = vrController()) m_arms.update(*controller);
}

void ExtarnalController::onTrackerSettingChanged() {
    qDebug() << "ExtarnalController::onTrackerSettingChanged";
    m_trackerSlots.resolve();
}

// Pose numbers of the buttons (see HandPoseRig): ClickRight and ClickLeft select mirrored poses on the two hands.
void ExtarnalController::onTriggerRValueChanged(float value) { m_hands.onTrigger(HandPoseRig::kRight, value); }
void ExtarnalController::onTriggerLValueChanged(float value) { m_hands.onTrigger(HandPoseRig::kLeft, value); }
void ExtarnalController::onGripR_Pressed() { m_hands.press(6, HandPoseRig::kRight); }
void ExtarnalController::onGripR_Released() { m_hands.release(6, HandPoseRig::kRight); }
void ExtarnalController::onGripL_Pressed() { m_hands.press(6, HandPoseRig::kLeft); }
void ExtarnalController::onGripL_Released() { m_hands.release(6, HandPoseRig::kLeft); }
void ExtarnalController::onClickUpR_Pressed() { m_hands.press(4, HandPoseRig::kRight); }
void ExtarnalController::onClickUpR_Released() { m_hands.release(4, HandPoseRig::kRight); }
void ExtarnalController::onClickUpL_Pressed() { m_hands.press(4, HandPoseRig::kLeft); }
void ExtarnalController::onClickUpL_Released() { m_hands.release(4, HandPoseRig::kLeft); }
void ExtarnalController::onClickDownR_Pressed() { m_hands.press(5, HandPoseRig::kRight); }
void ExtarnalController::onClickDownR_Released() { m_hands.release(5, HandPoseRig::kRight); }
void ExtarnalController::onClickDownL_Pressed() { m_hands.press(5, HandPoseRig::kLeft); }
void ExtarnalController::onClickDownL_Released() { m_hands.release(5, HandPoseRig::kLeft); }
void ExtarnalController::onClickRightR_Pressed() { m_hands.press(2, HandPoseRig::kRight); }
void ExtarnalController::onClickRightR_Released() { m_hands.release(2, HandPoseRig::kRight); }
void ExtarnalController::onClickRightL_Pressed() { m_hands.press(3, HandPoseRig::kLeft); }
void ExtarnalController::onClickRightL_Released() { m_hands.release(3, HandPoseRig::kLeft); }
void ExtarnalController::onClickLeftR_Pressed() { m_hands.press(3, HandPoseRig::kRight); }
void ExtarnalController::onClickLeftR_Released() { m_hands.release(3, HandPoseRig::kRight); }
void ExtarnalController::onClickLeftL_Pressed() { m_hands.press(2, HandPoseRig::kLeft); }
void ExtarnalController::onClickLeftL_Released() { m_hands.release(2, HandPoseRig::kLeft); }
void ExtarnalController::onRightHandValueChanged(QVariant value) {
    m_hands.onAnimationValue(HandPoseRig::kRight, value);
}
void ExtarnalController::onLeftHandValueChanged(QVariant value) { m_hands.onAnimationValue(HandPoseRig::kLeft, value); }
void ExtarnalController::onRightHandAnimationFinished() {}
void ExtarnalController::onLeftHandAnimationFinished() {}
void ExtarnalController::setOpenDuration(int ms) { m_hands.setOpenDuration(ms); }
void ExtarnalController::setCloseDuration(int ms) { m_hands.setCloseDuration(ms); }
