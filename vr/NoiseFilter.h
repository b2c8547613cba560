#pragma once

#include <vector>

#include "vr/SampleHistory.h"

namespace mmd {
class MMDModel;
class MMDRigidBody;
}  // namespace mmd

// Smooths the bones of simulated rigid bodies: each keeps the rotations of the last capture frames and is set to
// their mean after physics. Bodies are observed (owned by the model's physics). GUI thread only.
class NoiseFilter {
public:
    // One record per simulated body of `model` that has a bone, each holding up to `capacity` rotations.
    void bind(mmd::MMDModel& model, int capacity);
    // Empties every history and resizes it to `capacity`.
    void reset(int capacity);
    // Takes each bone's simulated rotation into its history on a new capture frame (`newFrame`), then sets the
    // bone's animation rotation to the history's mean (or passes the rotation through while it is empty).
    // Allocation-free.
    void apply(bool newFrame);

private:
    struct Record {
        mmd::MMDRigidBody* body = nullptr;
        SampleHistory history;
    };
    std::vector<Record> m_records;
};
