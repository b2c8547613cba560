#pragma once

// The concrete owning managers of MMDModel. Included by MMDModel.h; not meant to be included on its own.

#include "mmd/MMDModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mmd {

namespace detail {

// Index of the first element whose GetName() equals name, or -1.
template <typename List, typename NameOf>
int32_t FindFirstByName(const List& list, const std::string& name, NameOf nameOf) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (nameOf(*list[i]) == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

}  // namespace detail

// Owns nodes of type NodeT (derived from MMDNode). A node's index is its position in the list.
template <typename NodeT>
class MMDModel::MMDNodeManagerT final : public MMDModel::MMDNodeManager {
public:
    size_t GetNodeCount() const override { return m_nodes.size(); }
    int32_t FindNodeIndex(const std::string& name) const override {
        return detail::FindFirstByName(m_nodes, name, [](const NodeT& n) -> const std::string& { return n.GetName(); });
    }
    NodeT* GetNode(size_t index) const override { return m_nodes[index].get(); }

    // Appends a new node without parent (index = its position) and returns it; owned by this manager.
    NodeT* AddNode() {
        m_nodes.push_back(std::make_unique<NodeT>());
        m_nodes.back()->SetIndex(m_nodes.size() - 1);
        return m_nodes.back().get();
    }
    const std::vector<std::unique_ptr<NodeT>>& GetNodes() const { return m_nodes; }
    void Clear() { m_nodes.clear(); }

private:
    std::vector<std::unique_ptr<NodeT>> m_nodes;
};

// Owns IK solvers of type SolverT (derived from MMDIkSolver).
template <typename SolverT>
class MMDModel::MMDIKManagerT final : public MMDModel::MMDIKManager {
public:
    size_t GetIKSolverCount() const override { return m_solvers.size(); }
    int32_t FindIKSolverIndex(const std::string& name) const override {
        return detail::FindFirstByName(m_solvers, name,
                                       [](const SolverT& s) -> const std::string& { return s.GetName(); });
    }
    SolverT* GetIKSolver(size_t index) const override { return m_solvers[index].get(); }

    // Appends a new solver and returns it; owned by this manager.
    SolverT* AddIKSolver() {
        m_solvers.push_back(std::make_unique<SolverT>());
        return m_solvers.back().get();
    }
    const std::vector<std::unique_ptr<SolverT>>& GetIKSolvers() const { return m_solvers; }
    void Clear() { m_solvers.clear(); }

private:
    std::vector<std::unique_ptr<SolverT>> m_solvers;
};

// Owns morphs of type MorphT (derived from MMDMorph).
template <typename MorphT>
class MMDModel::MMDMorphManagerT final : public MMDModel::MMDMorphManager {
public:
    size_t GetMorphCount() const override { return m_morphs.size(); }
    int32_t FindMorphIndex(const std::string& name) const override {
        return detail::FindFirstByName(m_morphs, name, [](const MorphT& m) -> const std::string& { return m.GetName(); });
    }
    MorphT* GetMorph(size_t index) const override { return m_morphs[index].get(); }

    // Appends a new morph (weight 0, base weight 0, MorphT's default kind) and returns it; the caller names it.
    MorphT* AddMorph() {
        m_morphs.push_back(std::make_unique<MorphT>());
        return m_morphs.back().get();
    }
    const std::vector<std::unique_ptr<MorphT>>& GetMorphs() const { return m_morphs; }
    void Clear() { m_morphs.clear(); }

private:
    std::vector<std::unique_ptr<MorphT>> m_morphs;
};

}  // namespace mmd
