#include "mmd/MMDModel.h"

#include "mmd/MMDIkSolver.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"

namespace mmd {

MMDModel::~MMDModel() = default;

void MMDModel::ClearBaseAnimation() {
    MMDNodeManager* nodes = GetNodeManager();
    for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
        nodes->GetNode(i)->ClearBaseAnimation();
    }
    MMDMorphManager* morphs = GetMorphManager();
    for (size_t i = 0; i < morphs->GetMorphCount(); ++i) {
        morphs->GetMorph(i)->ClearBaseAnimation();
    }
    MMDIKManager* solvers = GetIKManager();
    for (size_t i = 0; i < solvers->GetIKSolverCount(); ++i) {
        solvers->GetIKSolver(i)->ClearBaseAnimation();
    }
}

}  // namespace mmd
