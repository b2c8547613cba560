#pragma once

#include <glm/gtc/quaternion.hpp>
#include <glm/mat3x3.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace mmd {

class MMDNode;

// Cyclic-coordinate-descent IK: rotates the link nodes (through their ikRotate) so that the target node reaches the
// IK node's position. Links limited to one axis (knees) are solved in a plane; the iteration closest to the goal is
// kept. Nodes are observed, owned by the model's node manager.
class MMDIkSolver {
public:
    // One link. Limits are radians in the runtime (right-handed) frame.
    struct IKChain {
        MMDNode* node = nullptr;
        bool enableAxisLimit = false;
        glm::vec3 limitMax{0.0f};
        glm::vec3 limitMin{0.0f};
        glm::vec3 prevAngle{0.0f};  // Euler angles chosen in the previous iteration
        glm::quat saveIKRot{1.0f, 0.0f, 0.0f, 0.0f};  // ikRotate at the best iteration so far
        float planeModeAngle = 0.0f;  // accumulated angle in single-axis mode
    };

    MMDIkSolver();

    // The IK bone (goal position); its name is the solver's name.
    void SetIKNode(MMDNode* node) { m_ikNode = node; }
    MMDNode* GetIKNode() const { return m_ikNode; }
    // The bone that must reach the goal.
    void SetTargetNode(MMDNode* node) { m_ikTarget = node; }
    MMDNode* GetTargetNode() const { return m_ikTarget; }
    // The IK node's name, or empty without one.
    const std::string& GetName() const;

    // Links in PMX order (nearest the target first). Null nodes are ignored.
    void AddIKChain(MMDNode* node);
    void AddIKChain(MMDNode* node, const glm::vec3& limitMin, const glm::vec3& limitMax);
    const std::vector<IKChain>& GetChains() const { return m_chains; }

    // Iterations per solve; zero or negative only resets the links.
    void SetIterateCount(int32_t count) { m_iterateCount = count; }
    int32_t GetIterateCount() const { return m_iterateCount; }
    // Largest rotation per link and iteration, radians.
    void SetLimitAngle(float angle) { m_limitAngle = angle; }
    float GetLimitAngle() const { return m_limitAngle; }

    // A disabled solver leaves every link untouched (motion IK keys switch it).
    void Enable(bool enable) { m_enable = enable; }
    bool Enabled() const { return m_enable; }
    // Enable value that weighted motion blending falls back to.
    bool GetBaseAnimationEnable() const { return m_baseAnimEnable; }
    // Sets the base enable value back to true.
    void ClearBaseAnimation() { m_baseAnimEnable = true; }

    // Solves once: writes each link's ikRotate and updates the links' local and global transforms. Nothing when
    // disabled or without IK or target node.
    void Solve();

    // Euler angles (x, y, z) with m = Rz(z)·Ry(y)·Rx(x), choosing of the equivalent solutions the one nearest to
    // `before`.
    static glm::vec3 Decompose(const glm::mat3& m, const glm::vec3& before);
    // a - b brought into [-π, π] after wrapping both into [0, 2π).
    static float DiffAngle(float a, float b);

private:
    enum class SolveAxis { X, Y, Z };

    void SolveCore(int32_t iteration);
    void SolvePlane(int32_t iteration, IKChain& chain, SolveAxis axis);

    std::vector<IKChain> m_chains;
    MMDNode* m_ikNode = nullptr;
    MMDNode* m_ikTarget = nullptr;
    int32_t m_iterateCount = 1;
    float m_limitAngle = 6.2831855f;
    bool m_enable = true;
    bool m_baseAnimEnable = true;
};

}  // namespace mmd
