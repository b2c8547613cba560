#include "vr/ArmStep.h"

#include <QLoggingCategory>
#include <QtDebug>
#include <cmath>
#include <glm/gtc/quaternion.hpp>
#include <glm/matrix.hpp>

#include "app/base/KySettings.h"
#include "face/FaceMath.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"
#include "vr/VRController.h"

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

void ArmStep::bind(mmd::MMDModel& model, const QHash<QString, mmd::MMDNode*>& nodes) {
    const auto byName = [&](const char* name) { return nodes.value(QString::fromUtf8(name), nullptr); };
    m_right.addJoint(byName("右手首"));
    m_right.addJoint(byName("右ひじ"));
    m_right.addJoint(byName("右腕"));
    m_right.setTwist(byName("右手捩"));
    m_left.addJoint(byName("左手首"));
    m_left.addJoint(byName("左ひじ"));
    m_left.addJoint(byName("左腕"));
    m_left.setTwist(byName("左手捩"));
    m_right.finishSetup();
    m_left.finishSetup();
    m_upper2 = byName("上半身2");

    m_refreshNodes.clear();
    mmd::MMDModel::MMDNodeManager* manager = model.GetNodeManager();
    for (size_t i = 0; i < manager->GetNodeCount(); ++i) {
        mmd::MMDNode* node = manager->GetNode(i);
        const std::string& name = node->GetName();
        if (name.find("指") == std::string::npos && name.find("髪") == std::string::npos &&
            name.find("目") == std::string::npos) {
            m_refreshNodes.push_back(node);
        }
    }
}

void ArmStep::update(const VRController& controller) {
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
    if (const mmd::MMDNode* upper2 = m_upper2) {
        const glm::mat4& global = upper2->GetGlobalTransform();
        const glm::vec3 rest(glm::inverse(upper2->GetInverseInitTransform())[3]);
        const glm::vec3 d = glm::vec3(global[3]) - rest;
        offset = Vector3{-0.1f * d.x, -0.1f * d.y, 0.0f};
        bodyRot = bodymath::conjugate(bodymath::fromGlm(glm::quat_cast(glm::mat3(global))));
    }

    BoneChain* chains[2] = {&m_left, &m_right};
    for (int i = 0; i < 2; ++i) {
        const VRController::Hand& hand = controller.hands[i];
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

void ArmStep::wristStep(BoneChain& chain, const Quaternion& targetRotation) {
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
