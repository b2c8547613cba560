#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "app/base/Quaternion.h"
#include "vr/ControlNode.h"

// One hand pose read from a pose file: the finger rotations it names (runtime right-handed frame, the node's
// animation rotation) and how strongly it is applied now. Finger nodes are observed; the controller owns them.
struct HandPose {
    float weight = 0.0f;      // current strength, 0..1 (the eased button animation overshoots slightly)
    bool loaded = false;      // the file was read; a pose that is not loaded is never applied
    QString name;             // file stem
    const HandPose* rest = nullptr;  // the side's default pose; null in the default pose itself
    std::vector<ControlNode*> nodes;                 // fingers the file names, in file order, each once
    QHash<const ControlNode*, int> nodeIndex;        // position of each finger in `nodes`
    QHash<const ControlNode*, Quaternion> rotations;  // the pose's rotation of each finger in `nodes`

    // The rotation of `finger` in this pose, or `fallback` when the pose does not name it. Allocation-free.
    Quaternion rotationOf(const ControlNode* finger, const Quaternion& fallback = Quaternion()) const {
        const auto it = rotations.constFind(finger);
        return it == rotations.constEnd() ? fallback : it.value();
    }
};
