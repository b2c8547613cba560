#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>
#include <vector>

#include "face/FaceFrame.h"
#include "vr/BoneChain.h"
#include "vr/ControlNode.h"
#include "vr/FaceFeed.h"
#include "vr/FaceMorphBinding.h"
#include "vr/HandPoseRig.h"
#include "vr/SampleHistory.h"

class QVariantAnimation;
class SystemMesh;
class VRDevice;

namespace mmd {
class MMDModel;
class MMDMorph;
class MMDNode;
class MMDRigidBody;
}  // namespace mmd

// Drives one model from the live inputs: head, eyes, upper body and face morphs from face capture, arms and
// fingers from the VR controllers while VR runs. The drawable model owns it, binds it with
// SetupController and calls its per-frame steps around the model's own evaluation; until it is bound every step
// does nothing. Writes node animation values (model space, runtime right-handed frame, model units) and morph
// weights. GUI thread only.
class ExtarnalController : public QObject {
    Q_OBJECT

public:
    static constexpr int kHistoryCapacity = 10;
    static constexpr int kTrackerSlotCount = 6;
    static constexpr int kBodyBoneCount = 13;

    // A rigid body whose bone the noise filter smooths (simulated bodies only).
    struct FilterRecord {
        mmd::MMDRigidBody* body = nullptr;  // observed, owned by the model's physics
        SampleHistory history;
        int capacity = 0;
    };

    // Unbound: empty groups, the three capture histories, the hold animation, the three chains, six empty
    // tracker slots. Follows the settings store's modelLRChanged() when the store exists.
    explicit ExtarnalController(QObject* parent = nullptr);
    ~ExtarnalController() override;

    // One-time binding to `model`: bone lookups, the required-bone report, virtual IK nodes (added to the
    // model), chains, filter records and face-morph bindings. False (and still unbound) for a null model; a
    // model missing bones binds with the report in errorText() and the settings store's messageText.
    bool SetupController(const std::shared_ptr<mmd::MMDModel>& model);
    bool isReady() const { return m_ready; }

    // Before the model evaluates motion IK, morphs, nodes and physics: frame stamp, head and eyes, hand poses,
    // face morphs, tracker slots, arms.
    void UpdateBeforeModel();
    // After physics when the noise filter is on (Global/NoiseFIlter >= 1): averages the filtered bones.
    void UpdateNoiseFilter();
    // Last in the frame: remembers the frame stamp, so the next frame can tell a new capture frame.
    void UpdateFrameEnd();

    // Adds a face binding (noseSneer ones go first, the others last) and returns the new list size; -1 when
    // its morph is already bound. Assigns the kind from the name.
    int AddFaceBinding(std::unique_ptr<FaceMorphBinding> binding);
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

    // Observers.
    const QString& errorText() const { return m_errorText; }
    bool bodyTrackingEnabled() const { return m_bodyTrackingEnabled; }
    bool isCaptureFrozen() const { return m_errorFlag; }
    // Weight of the held pose, 0..1.
    float errorFix() const { return m_errorFix; }
    // Drives errorFix; a child of this object.
    QVariantAnimation* errorAnimation() const { return m_errorAnim; }
    qint64 stampBegin() const { return m_stampBegin; }
    qint64 stampEnd() const { return m_stampEnd; }
    mmd::MMDNode* nodeByName(const QString& name) const { return m_nodesByName.value(name, nullptr); }
    const std::array<mmd::MMDNode*, kBodyBoneCount>& bodyBones() const { return m_bodyBones; }
    const std::vector<std::unique_ptr<ControlNode>>& headGroup() const { return m_headGroup; }
    const std::vector<std::unique_ptr<ControlNode>>& fingerGroup() const { return m_fingerGroup; }
    ControlNode* centerNode() const { return m_centerNode.get(); }
    const BoneChain& armChainR() const { return m_armChainR; }
    const BoneChain& armChainL() const { return m_armChainL; }
    const BoneChain& headChain() const { return m_headChain; }
    const std::vector<FilterRecord>& filterRecords() const { return m_filterRecords; }
    const std::vector<mmd::MMDNode*>& refreshNodes() const { return m_refreshNodes; }
    const std::array<VRDevice*, kTrackerSlotCount>& trackerSlots() const { return m_trackerSlots; }
    const std::vector<std::unique_ptr<FaceMorphBinding>>& faceBindings() const { return m_bindings; }
    FaceMorphBinding* faceBinding(const mmd::MMDMorph* morph) const { return m_bindingByMorph.value(morph, nullptr); }
    const std::vector<mmd::MMDMorph*>& blinkMorphs() const { return m_blinkMorphs; }
    const QEasingCurve& morphCurve() const { return m_morphCurve; }
    const SampleHistory& headHistory() const { return m_headHistory; }
    const SampleHistory& leftEyeHistory() const { return m_leftEyeHistory; }
    const SampleHistory& rightEyeHistory() const { return m_rightEyeHistory; }

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
    enum class HeadRole { kHead, kRightEye, kLeftEye, kHeadTarget, kOther };

    void reportMissingBones();
    void collectNodes();
    void addVirtualNodes();
    void buildChains();
    void buildFilterRecords();
    void bindFaceMorphs();
    int indexOfBlendShape(const QString& name) const;
    void resetPhysics();

    // Per-frame steps.
    bool captureStreaming(iFacialMoCap*& receiver) const;
    void updateFrameStamp();
    void updateHeadAndEyes();
    void updateHandPoses();
    void readTrackerSlots();
    void updateArms();
    void wristStep(BoneChain& chain, const Quaternion& targetRotation);
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
    QHash<const mmd::MMDNode*, ControlNode*> m_headByNode;
    std::vector<std::unique_ptr<ControlNode>> m_fingerGroup;
    QHash<const mmd::MMDNode*, ControlNode*> m_fingerByNode;
    QHash<QString, ControlNode*> m_fingerByName;
    QHash<QString, mmd::MMDNode*> m_nodesByName;
    std::array<mmd::MMDNode*, kBodyBoneCount> m_bodyBones{};
    std::array<VRDevice*, kTrackerSlotCount> m_trackerSlots{};
    std::vector<FilterRecord> m_filterRecords;
    std::vector<mmd::MMDNode*> m_refreshNodes;
    BoneChain m_armChainR{BoneChain::kRightArm};
    BoneChain m_armChainL{BoneChain::kLeftArm};
    BoneChain m_headChain{BoneChain::kHead};
    std::unique_ptr<SystemMesh> m_purpleLine;
    std::unique_ptr<SystemMesh> m_greenLine;
    bool m_linesReady = false;

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

    std::vector<std::unique_ptr<FaceMorphBinding>> m_bindings;
    QHash<const mmd::MMDMorph*, FaceMorphBinding*> m_bindingByMorph;
    std::vector<mmd::MMDMorph*> m_blinkMorphs;
    QEasingCurve m_morphCurve;
};
