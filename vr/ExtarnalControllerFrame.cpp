// The body controller's per-frame steps of face capture: capture stamp, head and eyes, face morphs and the
// noise filter after physics. The face morphs' weights and the filter itself are parts of their own.
#include <cmath>
#include <glm/gtc/quaternion.hpp>

#include "app/base/KySettings.h"
#include "face/FaceMath.h"
#include "face/iFacialMoCap.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/PMXNode.h"
#include "vr/BodyMath.h"
#include "vr/ExtarnalController.h"

namespace {

float appendWeightOf(const mmd::MMDNode* node) {
    const auto* pmx = dynamic_cast<const mmd::PMXNode*>(node);
    return pmx != nullptr ? pmx->GetAppendWeight() : 1.0f;
}

}  // namespace

void ExtarnalController::UpdateBeforeModel() {
    if (!m_ready) return;
    updateFrameStamp();
    updateHeadAndEyes();
    updateHandPoses();
    ApplyFaceMorphs();
    updateArms();
}

void ExtarnalController::UpdateFrameEnd() {
    if (!m_ready) return;
    m_stampEnd = m_stampBegin;
}

bool ExtarnalController::captureStreaming(iFacialMoCap*& receiver) const {
    receiver = m_feed->receiver();
    return receiver != nullptr && m_feed->isConnected(*receiver);
}

void ExtarnalController::updateFrameStamp() {
    iFacialMoCap* receiver = nullptr;
    if (!captureStreaming(receiver)) return;
    receiver->CopyFrames(&m_previous, &m_latest);
    m_stampBegin = m_feed->frameStamp(m_latest);
}

void ExtarnalController::blendRotation(mmd::MMDNode* node, const Quaternion& q) const {
    if (m_errorFix == 0.0f) {
        node->SetAnimationRotate(bodymath::toGlm(q));
        return;
    }
    const Quaternion held = bodymath::fromGlm(node->GetBaseAnimationRotate());
    node->SetAnimationRotate(bodymath::toGlm(facemath::slerp(q, held, m_errorFix)));
}

void ExtarnalController::blendTranslation(mmd::MMDNode* node, const Vector3& t) const {
    if (m_errorFix == 0.0f) {
        node->SetAnimationTranslate(bodymath::toGlm(t));
        return;
    }
    const glm::vec3 held = node->GetBaseAnimationTranslate();
    node->SetAnimationTranslate(bodymath::toGlm(t) + (held - bodymath::toGlm(t)) * m_errorFix);
}

void ExtarnalController::updateHeadAndEyes() {
    iFacialMoCap* receiver = nullptr;
    if (!captureStreaming(receiver)) return;

    m_headHistory.add(m_latest.headRotation);
    const bool frozen = m_headHistory.isFrozen();
    if (!m_errorFlag && frozen) {
        m_errorFlag = true;
        emit captureError(true);
    } else if (m_errorFlag && !frozen) {
        m_errorFlag = false;
        emit captureError(false);
    }

    // On a new frame the previous one is read alone; between frames the midpoint keeps the motion smooth.
    const bool interpolate = m_stampBegin == m_stampEnd;
    const float yaw = iFacialMoCap::HeadAngles(m_previous, m_latest, interpolate).y;
    const Quaternion headRotation = iFacialMoCap::HeadRotation(m_previous, m_latest, interpolate);
    const Vector3 p = iFacialMoCap::HeadPosition(m_previous, m_latest, interpolate);
    m_leftEyeHistory.add(iFacialMoCap::LeftEyeRotation(m_previous, m_latest, interpolate));
    m_rightEyeHistory.add(iFacialMoCap::RightEyeRotation(m_previous, m_latest, interpolate));

    const KySettings* settings = kySettings();
    const Vector3 m = settings != nullptr ? settings->bodyMoveMul : Vector3{0.5f, 0.5f, 0.5f};
    const Vector3 l = settings != nullptr ? settings->lowerBodyMoveMul : Vector3{};
    const Vector3 moved{p.x * m.x * 30.0f, p.y * m.y * 30.0f, p.z * m.z * 30.0f};

    for (size_t i = 0; i < m_headGroup.size(); ++i) {
        ControlNode& control = *m_headGroup[i];
        switch (m_headRoles[i]) {
            case HeadRole::kHead: {
                const Quaternion halfBack{std::cos(yaw / 4.0f), 0.0f, -std::sin(yaw / 4.0f), 0.0f};
                blendRotation(control.node, bodymath::mul(headRotation, halfBack));
                break;
            }
            case HeadRole::kRightEye:
            case HeadRole::kLeftEye: {
                const SampleHistory& history =
                    m_headRoles[i] == HeadRole::kRightEye ? m_rightEyeHistory : m_leftEyeHistory;
                blendRotation(control.node,
                              facemath::slerp(Quaternion{}, history.mean(), appendWeightOf(control.node)));
                break;
            }
            case HeadRole::kHeadTarget: {
                const glm::vec3 o = control.node->GetInitialTranslate();
                const Vector3 target{(moved.x + o.x) * 1.5f, moved.y + o.y + 5.0f, (moved.z + o.z) * 0.5f};
                blendTranslation(control.node, target);
                if (control.marker) control.marker->setPosition(target.x, target.y, target.z);
                m_headChain.solve(target, yaw * 0.5f);
                m_headChain.apply(m_errorFix);
                if (m_centerNode) {
                    blendTranslation(m_centerNode->node,
                                     Vector3{l.x * -0.7f * moved.x * 0.5f, moved.y * 0.5f, moved.z * 0.175f});
                }
                break;
            }
            case HeadRole::kOther:
                break;
        }
    }
}

void ExtarnalController::ApplyFaceMorphs() {
    if (!m_model) return;
    if (m_errorFix != 0.0f) {
        // The stream froze: a neutral face with closed eyes reads as "waiting", not as a stuck expression.
        m_face.closeEyes(*m_model);
        return;
    }
    iFacialMoCap* receiver = nullptr;
    if (!m_feed->isCapturing() || !captureStreaming(receiver)) return;
    ApplyFaceValues(m_latest.values);
}

void ExtarnalController::ApplyFaceValues(const std::array<float, FaceFrame::kValueCount>& values) {
    m_face.apply(values, useEyeAdjust, useBrowAdjust);
}

void ExtarnalController::UpdateNoiseFilter() {
    if (!m_ready) return;
    m_noiseFilter.apply(m_stampBegin != m_stampEnd);
}
