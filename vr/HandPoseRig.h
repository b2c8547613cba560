#pragma once

#include <QEasingCurve>
#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantAnimation>
#include <array>
#include <memory>
#include <vector>

#include "vr/ControlNode.h"
#include "vr/HandPose.h"

// The finger poses of both hands: the trigger closes a hand continuously from its rest pose into a fist, and
// the buttons switch it into a named pose with an eased animation while held. Writes the fingers' animation
// rotations (runtime right-handed frame). The finger nodes are the controller's, observed; the controller
// connects the two animations' valueChanged to its slots, which call onAnimationValue. GUI thread only.
class HandPoseRig {
public:
    enum Side { kRight = 0, kLeft = 1 };
    // Pose slots per hand: 1 the fist (trigger), 2..6 the buttons' poses; 0 and 7 stay empty.
    static constexpr int kPoseCount = 8;
    static constexpr int kTriggerPose = 1;

    HandPoseRig();
    HandPoseRig(const HandPoseRig&) = delete;
    HandPoseRig& operator=(const HandPoseRig&) = delete;

    // The finger nodes (observed; both must outlive this object or be re-bound) and their index by bone name.
    void bind(const std::vector<std::unique_ptr<ControlNode>>* fingers, const QHash<QString, ControlNode*>* byName);

    // The folder of the pose files: `poseSet` when it is an existing absolute folder, else the pose-set folder
    // of that name under resourceDir + "/pose", else a relative folder that exists as given, else the
    // "default" set.
    static QString poseFolder(const QString& resourceDir, const QString& poseSet);
    // Reads every pose of both hands from `folder`: the rest poses first, then slots 1..6, right before left.
    void loadAll(const QString& folder);
    // Reads folder/name.vpd into pose `slot` of `side` (the side's rest pose when isDefault; slot is then
    // ignored). Logs "read pose failed." and the name when the file cannot be read (the slot is not loaded)
    // and "finger not found." with each bone that is not a bound finger (skipped). True when loaded.
    bool loadHandPose(int slot, const QString& name, int side, bool isDefault, const QString& folder);

    // A button of pose `n` (1..7) pressed or released: the hand eases from where its fingers are now into the
    // pose, or back to the first pose still held (or the trigger blend). Nothing when that pose is not loaded.
    void press(int n, int side);
    void release(int n, int side);
    // The trigger's travel, 0..1: the strength of the fist when it is loaded.
    void onTrigger(int side, float value);
    // A value of the side's hand animation: the strength of the pose animated last.
    void onAnimationValue(int side, const QVariant& value);
    // Milliseconds of the press and release animations (400 and 600 by default).
    void setOpenDuration(int ms) { m_openDuration = ms; }
    void setCloseDuration(int ms) { m_closeDuration = ms; }

    // Per frame: the trigger blend of both hands, then the button animations over it. Allocation-free.
    void apply();

    // Easing OutBack; valueChanged drives onAnimationValue (the owner connects it).
    QVariantAnimation handAnimR;
    QVariantAnimation handAnimL;

    // Observers.
    const HandPose& defaultPose(int side) const { return side == kLeft ? m_defaultPoseL : m_defaultPoseR; }
    // Pose `n` in [0, kPoseCount).
    const HandPose& pose(int n, int side) const;
    // Pose numbers whose button is held, in press order.
    const std::vector<int>& held(int side) const { return side == kLeft ? m_heldL : m_heldR; }
    int currentPose(int side) const { return side == kLeft ? m_currentPoseL : m_currentPoseR; }
    // 0 none, 1 pressing (or holding), 2 releasing (or released).
    int animState(int side) const { return side == kLeft ? m_animStateL : m_animStateR; }
    int openDuration() const { return m_openDuration; }
    int closeDuration() const { return m_closeDuration; }
    const QEasingCurve& triggerCurve() const { return m_triggerCurve; }

private:
    struct SideState {
        HandPose& defaultPose;
        std::array<HandPose, kPoseCount>& poses;
        QVariantAnimation& anim;
        std::vector<int>& held;
        int& currentPose;
        int& animState;
    };
    SideState state(int side);
    void startAnimation(int n, int side, bool pressing);
    void applyTrigger(int side);
    void applyButtons(int side);

    const std::vector<std::unique_ptr<ControlNode>>* m_fingers = nullptr;
    const QHash<QString, ControlNode*>* m_fingersByName = nullptr;

    HandPose m_defaultPoseR;
    HandPose m_defaultPoseL;
    std::array<HandPose, kPoseCount> m_posesR;
    std::array<HandPose, kPoseCount> m_posesL;
    QEasingCurve m_triggerCurve{QEasingCurve::InSine};
    std::vector<int> m_heldR;
    std::vector<int> m_heldL;
    int m_currentPoseR = 0;
    int m_currentPoseL = 0;
    int m_animStateR = 0;
    int m_animStateL = 0;
    int m_openDuration = 400;
    int m_closeDuration = 600;
};
