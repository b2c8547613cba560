#pragma once

#include <QString>
#include <memory>

#include "app/base/Matrix4.h"
#include "app/base/Quaternion.h"
#include "app/base/Vector3.h"
#include "render/SystemMesh.h"

namespace mmd {
class MMDNode;
}

// One bone the body controller drives, with the working state of the chain solver. Positions are in model
// space (model units, runtime right-handed frame). The node is observed (owned by the model); the marker, a
// small debug mesh, is owned and only gets GL objects once initialised with a context current.
struct ControlNode {
    // Binds `node` (not null): name, and restPos from the node's inverse init transform.
    explicit ControlNode(mmd::MMDNode* node);

    // Gives the node a marker cube with `imagePath` at `scale`, placed at `position`; GL work waits for
    // initialiseMarker.
    void attachMarker(const QString& imagePath, float scale, const Vector3& position);
    // Creates the marker's GL objects when it has none yet; needs the context current.
    void initialiseMarker();

    Vector3 pos;                         // working joint position during a solve
    Vector3 childPos;                    // working position of the next joint toward the effector
    Vector3 toParent;                    // rest offset to the parent joint
    Quaternion restFrame;                // rest orientation from the bone's direction
    Quaternion solveRotation;            // rotation found by the solver, parent space; identity at rest
    Vector3 restPos;                     // rest position, model space
    Matrix4 solveMatrix;                 // accumulated rotation during a solve
    Quaternion triggerRotation;          // fingers: the result of the trigger blend
    Quaternion snapshot;                 // fingers: animation rotation when the last button animation started
    ControlNode* parentJoint = nullptr;  // next joint toward the chain root, observed; null at the root
    mmd::MMDNode* node = nullptr;
    QString name;
    std::unique_ptr<SystemMesh> marker;
    bool markerReady = false;  // the marker's GL objects exist
};

// Resource paths of the debug markers.
namespace markers {
inline const char* const kCube = ":/system_mesh/resources/system_mesh/cube.obj";
inline const char* const kOrange = ":/img/resources/img/orange.png";
inline const char* const kGreen = ":/img/resources/img/green.png";
inline const char* const kPurpleLine = ":/img/resources/img/perple_line.png";
inline const char* const kGreenLine = ":/img/resources/img/green_line.png";
}  // namespace markers
