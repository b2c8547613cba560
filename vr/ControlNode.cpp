#include "vr/ControlNode.h"

#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>

#include "mmd/MMDNode.h"

ControlNode::ControlNode(mmd::MMDNode* boundNode) : node(boundNode) {
    name = QString::fromStdString(node->GetName());
    const glm::mat4 rest = glm::inverse(node->GetInverseInitTransform());
    restPos = Vector3{rest[3][0], rest[3][1], rest[3][2]};
    pos = restPos;
    childPos = restPos;
}

void ControlNode::attachMarker(const QString& imagePath, float scale, const Vector3& position) {
    marker = std::make_unique<SystemMesh>();
    marker->setName(name);
    marker->setObjPath(QString::fromLatin1(markers::kCube));
    marker->setImagePath(imagePath);
    marker->setScale(scale);
    marker->setPosition(position.x, position.y, position.z);
    markerReady = false;
}

void ControlNode::initialiseMarker() {
    if (!marker || markerReady) return;
    marker->initialize();
    markerReady = true;
}
