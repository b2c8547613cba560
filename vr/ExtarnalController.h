#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>
#include <vector>

#include "face/FaceFrame.h"
#include "vr/ArmStep.h"
#include "vr/BodyMarkers.h"
#include "vr/BoneChain.h"
#include "vr/ControlNode.h"
#include "vr/FaceFeed.h"
#include "vr/FaceMorphStep.h"
#include "vr/HandPoseRig.h"
#include "vr/NoiseFilter.h"
#include "vr/SampleHistory.h"
#include "vr/TrackerSlots.h"

class QVariantAnimation;

namespace mmd {
class MMDModel;
class MMDNode;
}  // namespace mmd

// Drives one model from the live inputs: head, eyes, upper body and face morphs from face capture, arms and
// fingers from the VR controllers while VR runs. The drawable model owns it, binds it with
// SetupController and calls its per-frame steps around the model's own evaluation; until it is bound every step
// does nothing. Writes node animation values (model space, runtime right-handed frame, model units) and morph
// weights. The face morphs, the arms, the tracker slots, the noise filter and the debug markers are parts of
// their own; this object binds them and runs them in the frame's order. GUI thread only.
class ExtarnalController : public QObject {
    Q_OBJECT

public:
    static constexpr int kHistoryCapacity = 10;

    // Unbound: empty groups, the three capture histories, the hold animation, the three chains, six empty
    // tracker slots. Follows the settings store's modelLRChanged() when the store exists.
    explicit ExtarnalController(QObject* parent = nullptr);
    ~ExtarnalController() override;

    // One-time binding to `model`: bone lookups, the required-bone report, virtual IK nodes (added to the
    // model), chains, filter records and face-morph bindings. False (and still unbound) for a null model; a
    // model missing bones binds with the report in the settings store's messageText.
    bool SetupController(const std::shared_ptr<mmd::MMDModel>& model);
    bool isReady() const { return m_ready; }

    // Before the model evaluates motion IK, morphs, nodes and physics: frame stamp, head and eyes, hand poses,
    // face morphs, tracker slots, arms.
    void UpdateBeforeModel();
    // After physics when the noise filter is on (Global/NoiseFIlter >= 1): averages the filtered bones.
    void UpdateNoiseFilter();
    // Last in the frame: remembers the frame stamp, so the next frame can tell a new capture frame.
    void UpdateFrameEnd();

    // Sets the bound morphs' weights from the latest capture values (or closes the eyes while the capture is
    // held frozen). Allocation-free.
    void ApplyFaceMorphs();
    // The bound morphs' weights from blend-shape values by capture slot, through the sensitivity curves and the
    // eye and brow adjustments, as for the phone's stream. Other capture sources (VMC) call it. Allocation-free.
    void ApplyFaceValues(const std::array<float, FaceFrame::kValueCount>& values);

    // Reads face capture from `feed` (observed; must outlive this object or be replaced); null restores the
    // orchestrator's receiver.
    void setFaceFeed(FaceFeed* feed);
    // Creates the GL objects of every debug marker that has none; needs a GL context current. Set-up calls it
    // when a context is current, so markers made without one wait for this call.
    void InitializeMarkers();

    // Whether the head stream is frozen (the held pose is in force or easing in).
    bool isCaptureFrozen() const { return m_errorFlag; }
    // The stamp of the capture frame this frame reads (0 before the first).
    qint64 stampBegin() const { return m_stampBegin; }

    // Copied from the internal morph data of the model (built before this object): whether the per-frame step
    // redistributes blink and squint, and brow and nose-sneer values.
    bool useEyeAdjust = false;
    bool useBrowAdjust = false;

signals:
    // The head stream froze (true: ten identical samples) or moves again (false).
    void captureError(bool frozen);

public slots:
    // Finger poses from the controllers (see HandPoseRig): the trigger closes the hand into a fist, the buttons
    // switch it into a named pose while held.
    void onTriggerRValueChanged(float value);
    void onTriggerLValueChanged(float value);
    void onGripR_Pressed();
    void onGripR_Released();
    void onGripL_Pressed();
    void onGripL_Released();
    void onClickUpR_Pressed();
    void onClickUpR_Released();
    void onClickUpL_Pressed();
    void onClickUpL_Released();
    void onClickDownR_Pressed();
    void onClickDownR_Released();
    void onClickDownL_Pressed();
    void onClickDownL_Released();
    void onClickRightR_Pressed();
    void onClickRightR_Released();
    void onClickRightL_Pressed();
    void onClickRightL_Released();
    void onClickLeftR_Pressed();
    void onClickLeftR_Released();
    void onClickLeftL_Pressed();
    void onClickLeftL_Released();
    void onRightHandValueChanged(QVariant value);
    void onLeftHandValueChanged(QVariant value);
    void onRightHandAnimationFinished();
    void onLeftHandAnimationFinished();
    void setOpenDuration(int ms);
    void setCloseDuration(int ms);
    // Physics reset: bodies back onto their bones, gravity from the settings, filter histories emptied and
    // resized to Global/NoiseFIlter.
    void onSceneSettingChanged();
    void onDrawSettingChanged();
    // Re-assigns the face bindings' sensitivity curves from the settings.
    void onModelSettingChanged();
    // Re-resolves the six tracker slots from the settings' device serials among the tracked devices.
    void onTrackerSettingChanged();
    // Same physics reset as onSceneSettingChanged().
    void onModelLRChanged();
    void onErrorFixedValueChanged(QVariant value);
    // Freezes into (true) or releases from (false) the held pose: the current animation values become the
    // base pose and errorFix eases toward 1 in 1 s, or back to 0 in 1.5 s.
    void onErrorStateChanged(bool frozen);
    // Re-centres: clears the held pose and its weight at once.
    void onLookForward();

private:
    friend class ExtarnalControllerTestPeer;

    enum class HeadRole { kHead, kRightEye, kLeftEye, kHeadTarget, kOther };
    static constexpr int kBodyBoneCount = 13;

    void reportMissingBones();
    void collectNodes();
    void addVirtualNodes();
    void buildHeadChain();
    int indexOfBlendShape(const QString& name) const;
    void resetPhysics();
    mmd::MMDNode* nodeByName(const char* name) const;

    // Per-frame steps.
    bool captureStreaming(iFacialMoCap*& receiver) const;
    void updateFrameStamp();
    void updateHeadAndEyes();
    void updateHandPoses();
    void updateArms();
    void connectVRController();
    void blendRotation(mmd::MMDNode* node, const Quaternion& q) const;
    void blendTranslation(mmd::MMDNode* node, const Vector3& t) const;

    std::shared_ptr<mmd::MMDModel> m_model;
    FaceFeed m_defaultFeed;
    FaceFeed* m_feed = &m_defaultFeed;
    FaceFrame m_previous;  // both copied once per rendered frame, under one lock
    FaceFrame m_latest;

    std::unique_ptr<ControlNode> m_centerNode;
    std::vector<std::unique_ptr<ControlNode>> m_headGroup;
    std::vector<HeadRole> m_headRoles;
    std::vector<std::unique_ptr<ControlNode>> m_fingerGroup;
    QHash<QString, ControlNode*> m_fingerByName;
    QHash<QString, mmd::MMDNode*> m_nodesByName;
    std::array<mmd::MMDNode*, kBodyBoneCount> m_bodyBones{};
    BoneChain m_headChain{BoneChain::kHead};
    ArmStep m_arms;
    TrackerSlots m_trackerSlots;
    NoiseFilter m_noiseFilter;
    FaceMorphStep m_face;
    std::unique_ptr<BodyMarkers> m_markers;

    SampleHistory m_headHistory{kHistoryCapacity};
    SampleHistory m_leftEyeHistory{kHistoryCapacity};
    SampleHistory m_rightEyeHistory{kHistoryCapacity};
    qint64 m_stampBegin = 0;
    qint64 m_stampEnd = 0;
    float m_errorFix = 0.0f;
    QVariantAnimation* m_errorAnim = nullptr;  // child
    bool m_errorFlag = false;
    bool m_bodyTrackingEnabled = false;
    bool m_ready = false;
    QString m_errorText;

    HandPoseRig m_hands;
};
