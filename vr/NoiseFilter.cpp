#include "vr/NoiseFilter.h"

#include <glm/gtc/quaternion.hpp>
#include <utility>

#include "mmd/MMDModel.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysicsManager.h"
#include "mmd/MMDRigidBody.h"
#include "vr/BodyMath.h"

void NoiseFilter::bind(mmd::MMDModel& model, int capacity) {
    m_records.clear();
    mmd::MMDPhysicsManager* physics = model.GetPhysicsManager();
    if (physics == nullptr) return;
    for (const auto& body : physics->GetRigidBodies()) {
        if (body->GetRigidBodyType() == 0 || body->GetNode() == nullptr) continue;
        Record record;
        record.body = body.get();
        record.history.setCapacity(capacity);
        m_records.push_back(std::move(record));
    }
}

void NoiseFilter::reset(int capacity) {
    for (Record& record : m_records) record.history.setCapacity(capacity);
}

void NoiseFilter::apply(bool newFrame) {
    for (Record& record : m_records) {
        mmd::MMDNode* node = record.body->GetNode();
        const Quaternion q = bodymath::fromGlm(glm::quat_cast(glm::mat3(node->GetLocalTransform())));
        if (newFrame) record.history.add(q);
        // Before any capture frame there is nothing to average: the simulated rotation passes through, or the
        // re-evaluation after the filter would pin the bone to its rest pose.
        node->SetAnimationRotate(bodymath::toGlm(record.history.empty() ? q : record.history.mean()));
    }
}
