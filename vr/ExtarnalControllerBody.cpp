// The body controller's VR side: arms from the two controllers through the arm chains and the wrist step,
// finger poses from their buttons and triggers, and the tracker slots.
#include <QLoggingCategory>
#include <QtDebug>
#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <glm/matrix.hpp>

#include "app/base/KySettings.h"
#include "face/FaceMath.h"
#include "mmd/MMDNode.h"
#include "vr/BodyMath.h"
#include "vr/ExtarnalController.h"
#include "vr/VRController.h"
#include "vr/VRDeviceContainer.h"

namespace {

// The wrist's roll is logged every frame, so it is off unless asked for (QT_LOGGING_RULES): a line per frame
// would flood the debug page and allocate in the frame.
Q_LOGGING_CATEGORY(lcWrist, "marionix.vr.wrist", QtWarningMsg)

constexpr float kHalfSqrt2 = 0.70710677f;
// Tracking space is in metres, the model in units of 0.1 m.
constexpr float kMetresToModel = 10.0f;
// −30° about x: the controller is held tilted forward against the hand's rest.
const Quaternion kWristTilt{0.9659258f, -0.25881904f, 0.0f, 0.0f};

}  // namespace

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

void ExtarnalController::readTrackerSlots() {
    // The slots are resolved when the serials or the device list change; no per-frame step consumes them.
}

void ExtarnalController::updateArms() {
    const VRController* controller = vrController();
    if (controller == nullptr) return;

    // The arm targets are taken relative to the upper body as the motion and the head chain left it this frame.
    for (mmd::MMDNode* node : m_refreshNodes) node->UpdateLocalTransform();
    for (mmd::MMDNode* node : m_refreshNodes) {
        if (node->GetParent() == nullptr) node->UpdateGlobalTransform();
    }

    const KySettings* settings = kySettings();
    const Matrix4 selfInv =
        settings != nullptr ? bodymath::inverse(bodymath::toMatrix(settings->vrSelfPosSRT)) : Matrix4{};
    const Quaternion invRot = settings != nullptr ? settings->vrSelfPosInverseSRT.rotation : Quaternion{};

    Vector3 offset{};
    Quaternion bodyRot{};
    if (const mmd::MMDNode* upper2 = m_bodyBones[2]) {
        const glm::mat4& global = upper2->GetGlobalTransform();
        const glm::vec3 rest(glm::inverse(upper2->GetInverseInitTransform())[3]);
        const glm::vec3 d = glm::vec3(global[3]) - rest;
        offset = Vector3{-0.1f * d.x, -0.1f * d.y, 0.0f};
        bodyRot = bodymath::conjugate(bodymath::fromGlm(glm::quat_cast(glm::mat3(global))));
    }

    BoneChain* chains[2] = {&m_armChainL, &m_armChainR};
    for (int i = 0; i < 2; ++i) {
        const VRController::Hand& hand = controller->hands[i];
        const Matrix4 handM = bodymath::mul(hand.pose, hand.markerOffset);
        Vector3 p = bodymath::transformPoint(selfInv, bodymath::translationOf(handM));
        Quaternion q = bodymath::mul(invRot, bodymath::rotationOf(handM));
        p = bodymath::add(p, offset);
        q = bodymath::mul(bodyRot, q);
        BoneChain& chain = *chains[i];
        chain.solve(Vector3{p.x * kMetresToModel, p.y * kMetresToModel, p.z * kMetresToModel});
        chain.apply();
        wristStep(chain, q);
    }
}

void ExtarnalController::wristStep(BoneChain& chain, const Quaternion& targetRotation) {
    if (chain.joints().size() < 2) return;
    ControlNode& wrist = *chain.joints()[0];
    const ControlNode& elbow = *wrist.parentJoint;
    const Quaternion& r = elbow.restFrame;

    // The controller's frame turned into the hand's: a quarter turn about the forearm, then the forward tilt.
    Quaternion corr{};
    ControlNode* twist = chain.twist();
    if (twist != nullptr) {
        Vector3 v = bodymath::rotate(twist->restFrame, Vector3{0.0f, 0.0f, 1.0f});
        const float len = bodymath::length(v);
        if (len > 0.0f) v = Vector3{v.x / len, v.y / len, v.z / len};
        const float k = chain.side() == BoneChain::kRightArm ? -kHalfSqrt2 : kHalfSqrt2;
        corr = bodymath::mul(kWristTilt, Quaternion{kHalfSqrt2, k * v.x, k * v.y, k * v.z});
    }
    const Quaternion parentInv = bodymath::conjugate(bodymath::rotationOf(elbow.solveMatrix));
    const Quaternion lookInv = bodymath::conjugate(
        bodymath::lookRotation(bodymath::rotate(r, Vector3{0.0f, 0.0f, -1.0f}), Vector3{0.0f, 1.0f, 0.0f}));
    const Quaternion x = bodymath::mul(bodymath::mul(bodymath::mul(parentInv, targetRotation), corr), lookInv);
    // In the forearm's rest frame z is the roll about the forearm; wrist and twist bone share it.
    const Quaternion y = bodymath::mul(bodymath::mul(bodymath::conjugate(r), x), r);
    const Vector3 euler = facemath::toEuler(y);
    const float halfRoll = euler.z * 0.5f;
    if (chain.side() == BoneChain::kRightArm) qCDebug(lcWrist) << "hpb.z" << halfRoll;

    const Quaternion wristRotation =
        bodymath::mul(bodymath::mul(r, facemath::fromEuler(euler.x, euler.y, halfRoll)), bodymath::conjugate(r));
    wrist.solveRotation = wristRotation;
    wrist.node->SetAnimationRotate(bodymath::toGlm(wristRotation));
    if (twist != nullptr) {
        const Quaternion twistRotation =
            bodymath::mul(bodymath::mul(r, facemath::fromEuler(0.0f, 0.0f, halfRoll)), bodymath::conjugate(r));
        twist->node->SetAnimationRotate(bodymath::toGlm(twistRotation));
    }
}

void ExtarnalController::onTrackerSettingChanged() {
    qDebug() << "ExtarnalController::onTrackerSettingChanged";
    const KySettings* settings = kySettings();
    const VRDeviceContainer* devices = vrDevices();
    for (int i = 0; i < kTrackerSlotCount; ++i) {
        const auto slot = static_cast<size_t>(i);
        const QString serial = settings != nullptr ? settings->deviceSerials[slot] : QString();
        m_trackerSlots[slot] = devices != nullptr && !serial.isEmpty() ? devices->findBySerial(serial) : nullptr;
    }
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
