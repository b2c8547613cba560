#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

#include "vr/BoneChain.h"
#include "vr/ControlNode.h"

class SystemMesh;

// The body controller's debug markers: the cubes of its control nodes and chain joints and two line meshes.
// Markers are made without GL; their GL objects wait for initialize() with a context current. GUI thread only.
class BodyMarkers {
public:
    BodyMarkers();
    ~BodyMarkers();

    // Gives every marker of `nodes` and of the joints of `chains` that has none its GL objects, and the lines
    // theirs once. Needs a GL context current.
    void initialize(const std::vector<std::unique_ptr<ControlNode>>& nodes,
                    std::initializer_list<const BoneChain*> chains);

private:
    std::unique_ptr<SystemMesh> m_purpleLine;
    std::unique_ptr<SystemMesh> m_greenLine;
    bool m_linesReady = false;
};
