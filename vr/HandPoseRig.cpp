#include "vr/HandPoseRig.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QtDebug>
#include <algorithm>
#include <cassert>

#include "face/FaceMath.h"
#include "mmd/MMDNode.h"
#include "mmd/VMDNodeController.h"
#include "mmd/VPDFile.h"
#include "vr/BodyMath.h"

namespace {

// File stems of the poses, index = pose number; the empty entries are slots no button drives.
const char* const kRightFiles[HandPoseRig::kPoseCount] = {
    nullptr, "handRock_R", "handPaper_R", "handScissors_R", "handOne_R", "handTumbsUp_R", "handRock_R", nullptr};
const char* const kLeftFiles[HandPoseRig::kPoseCount] = {
    nullptr, "handRock_L", "handPaper_L", "handScissors_L", "handOne_L", "handTumbsUp_L", "handRock_L", nullptr};

bool validPose(int n) { return n >= 0 && n < HandPoseRig::kPoseCount; }

float dot(const Quaternion& a, const Quaternion& b) { return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z; }

void setAnimationRotate(ControlNode* finger, const Quaternion& q) {
    finger->node->SetAnimationRotate(bodymath::toGlm(q));
}

}  // namespace

HandPoseRig::HandPoseRig() {
    for (QVariantAnimation* anim : {&handAnimR, &handAnimL}) anim->setEasingCurve(QEasingCurve::OutBack);
}

void HandPoseRig::bind(const std::vector<std::unique_ptr<ControlNode>>* fingers,
                       const QHash<QString, ControlNode*>* byName) {
    m_fingers = fingers;
    m_fingersByName = byName;
}

QString HandPoseRig::poseFolder(const QString& resourceDir, const QString& poseSet) {
    const QDir sets(QDir(resourceDir).filePath(QStringLiteral("pose")));
    if (!poseSet.isEmpty()) {
        const QFileInfo given(poseSet);
        if (given.isAbsolute() && given.isDir()) return given.filePath();
        // The settings store a set's folder name; a bare name is only taken relative to the working folder
        // when no set of that name exists, so the working folder cannot shadow a bundled set.
        const QString named = sets.filePath(poseSet);
        if (QFileInfo(named).isDir()) return named;
        if (given.isDir()) return given.filePath();
    }
    return sets.filePath(QStringLiteral("default"));
}

void HandPoseRig::loadAll(const QString& folder) {
    loadHandPose(0, QStringLiteral("handDefault_R"), kRight, true, folder);
    loadHandPose(0, QStringLiteral("handDefault_L"), kLeft, true, folder);
    for (int n = 1; n < kPoseCount; ++n) {
        if (kRightFiles[n] == nullptr) continue;
        loadHandPose(n, QString::fromLatin1(kRightFiles[n]), kRight, false, folder);
        loadHandPose(n, QString::fromLatin1(kLeftFiles[n]), kLeft, false, folder);
    }
}

bool HandPoseRig::loadHandPose(int slot, const QString& name, int side, bool isDefault, const QString& folder) {
    assert(isDefault || validPose(slot));
    if (!isDefault && !validPose(slot)) return false;
    SideState s = state(side);
    HandPose& pose = isDefault ? s.defaultPose : s.poses[static_cast<size_t>(slot)];
    pose = HandPose();
    if (!isDefault) pose.rest = &s.defaultPose;

    mmd::VPDFileData vpd;
    const QString path = QDir(folder).filePath(name + QStringLiteral(".vpd"));
    if (!mmd::ReadVPDFile(vpd, path.toUtf8().toStdString())) {
        qDebug().noquote() << "read pose failed." << name;
        return false;
    }
    for (const mmd::VPDBone& bone : vpd.bones) {
        const QString boneName = QString::fromStdString(bone.boneName);
        ControlNode* finger = m_fingersByName != nullptr ? m_fingersByName->value(boneName, nullptr) : nullptr;
        if (finger == nullptr) {
            qDebug().noquote() << "finger not found." << boneName;
            continue;
        }
        if (!pose.nodeIndex.contains(finger)) {
            pose.nodeIndex.insert(finger, static_cast<int>(pose.nodes.size()));
            pose.nodes.push_back(finger);
        }
        Quaternion q = bodymath::fromGlm(mmd::ToRuntimeRotation(bone.quaternion));
        // Both signs name the same rotation; the one nearer the rest pose makes every blend take the short arc.
        if (!isDefault && dot(q, pose.rest->rotationOf(finger)) < 0.0f) q = Quaternion{-q.w, -q.x, -q.y, -q.z};
        pose.rotations.insert(finger, q);
    }
    pose.name = name;
    pose.loaded = true;
    return true;
}

void HandPoseRig::press(int n, int side) { startAnimation(n, side, true); }

void HandPoseRig::release(int n, int side) { startAnimation(n, side, false); }

void HandPoseRig::startAnimation(int n, int side, bool pressing) {
    if (!validPose(n)) return;
    SideState s = state(side);
    const HandPose& pose = s.poses[static_cast<size_t>(n)];
    if (!pose.loaded) return;
    s.currentPose = n;
    s.animState = pressing ? 1 : 2;
    if (pressing) {
        s.held.push_back(n);
    } else {
        s.held.erase(std::remove(s.held.begin(), s.held.end(), n), s.held.end());
    }
    // Only the fingers this pose moves start from the snapshot; the other hand may be mid-animation, and
    // re-snapshotting it would make it jump.
    for (ControlNode* finger : pose.nodes) finger->snapshot = bodymath::fromGlm(finger->node->GetAnimationRotate());
    const double from = pose.weight;
    s.anim.stop();
    {
        // Changing the values of a stopped animation emits its value at the old time, which would overwrite
        // the weight that the new run has to start from.
        const QSignalBlocker quiet(&s.anim);
        s.anim.setDuration(pressing ? m_openDuration : m_closeDuration);
        s.anim.setStartValue(from);
        s.anim.setEndValue(pressing ? 1.0 : 0.0);
    }
    s.anim.start();
}

void HandPoseRig::onTrigger(int side, float value) {
    HandPose& fist = state(side).poses[kTriggerPose];
    if (fist.loaded) fist.weight = value;
}

void HandPoseRig::onAnimationValue(int side, const QVariant& value) {
    SideState s = state(side);
    if (validPose(s.currentPose)) s.poses[static_cast<size_t>(s.currentPose)].weight = value.toFloat();
}

void HandPoseRig::apply() {
    applyTrigger(kRight);
    applyTrigger(kLeft);
    applyButtons(kRight);
    applyButtons(kLeft);
}

void HandPoseRig::applyTrigger(int side) {
    const HandPose& fist = state(side).poses[kTriggerPose];
    if (!fist.loaded) return;
    const float t = static_cast<float>(m_triggerCurve.valueForProgress(fist.weight));
    for (ControlNode* finger : fist.nodes) {
        const Quaternion rest = fist.rest != nullptr ? fist.rest->rotationOf(finger) : Quaternion();
        const Quaternion r = facemath::slerp(fist.rotationOf(finger), rest, 1.0f - t);
        finger->triggerRotation = r;
        setAnimationRotate(finger, r);
    }
}

void HandPoseRig::applyButtons(int side) {
    SideState s = state(side);
    if (!validPose(s.currentPose)) return;
    const HandPose& pose = s.poses[static_cast<size_t>(s.currentPose)];
    if (!pose.loaded) return;
    if (s.animState == 1) {
        for (ControlNode* finger : pose.nodes) {
            setAnimationRotate(finger, facemath::slerp(finger->snapshot, pose.rotationOf(finger), pose.weight));
        }
    } else if (s.animState == 2) {
        const HandPose* target = nullptr;
        if (!s.held.empty() && s.poses[static_cast<size_t>(s.held.front())].loaded) {
            target = &s.poses[static_cast<size_t>(s.held.front())];
        }
        for (ControlNode* finger : pose.nodes) {
            // A finger the held pose does not name goes back to the trigger blend, like a finger of no pose.
            const Quaternion goal =
                target != nullptr ? target->rotationOf(finger, finger->triggerRotation) : finger->triggerRotation;
            setAnimationRotate(finger, facemath::slerp(goal, finger->snapshot, pose.weight));
        }
    }
}

const HandPose& HandPoseRig::pose(int n, int side) const {
    assert(validPose(n));
    return side == kLeft ? m_posesL[static_cast<size_t>(n)] : m_posesR[static_cast<size_t>(n)];
}

HandPoseRig::SideState HandPoseRig::state(int side) {
    if (side == kLeft) {
        return {m_defaultPoseL, m_posesL, handAnimL, m_heldL, m_currentPoseL, m_animStateL};
    }
    return {m_defaultPoseR, m_posesR, handAnimR, m_heldR, m_currentPoseR, m_animStateR};
}
