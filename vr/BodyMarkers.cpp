#include "vr/BodyMarkers.h"

#include "render/SystemMesh.h"

namespace {

constexpr float kLineMarkerScale = 0.01f;

}  // namespace

BodyMarkers::BodyMarkers() : m_purpleLine(std::make_unique<SystemMesh>()), m_greenLine(std::make_unique<SystemMesh>()) {
    for (auto* line : {m_purpleLine.get(), m_greenLine.get()}) {
        line->setObjPath(QString::fromLatin1(markers::kCube));
        line->setScale(kLineMarkerScale);
    }
    m_purpleLine->setImagePath(QString::fromLatin1(markers::kPurpleLine));
    m_greenLine->setImagePath(QString::fromLatin1(markers::kGreenLine));
}

BodyMarkers::~BodyMarkers() = default;

void BodyMarkers::initialize(const std::vector<std::unique_ptr<ControlNode>>& nodes,
                             std::initializer_list<const BoneChain*> chains) {
    for (const auto& node : nodes) node->initialiseMarker();
    for (const BoneChain* chain : chains) {
        for (const auto& joint : chain->joints()) joint->initialiseMarker();
    }
    if (!m_linesReady) {
        m_purpleLine->initialize();
        m_greenLine->initialize();
        m_linesReady = true;
    }
}
