#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mmd/VMDIKController.h"
#include "mmd/VMDMorphController.h"
#include "mmd/VMDNodeController.h"

namespace mmd {

class MMDModel;
struct VMDFileData;

// Plays VMD motions on one model: per-bone, per-morph and per-IK controllers evaluated at a motion frame (30 per
// second), and a clock that can loop after the last key. Keys for names the model does not have are dropped.
class VMDAnimation {
public:
    VMDAnimation();
    ~VMDAnimation();
    VMDAnimation(const VMDAnimation&) = delete;
    VMDAnimation& operator=(const VMDAnimation&) = delete;

    // Binds the model (shared: the animation keeps it alive). Always true.
    bool Create(std::shared_ptr<MMDModel> model);
    // Adds the file's bone, morph and IK keys to the controllers of the names the model has (several files may be
    // added; keys of one name are merged). Camera, light and shadow keys are ignored. True; false only without a
    // model.
    bool Add(const VMDFileData& vmd);
    // Drops every controller and the model.
    void Destroy();

    // Largest key frame over all controllers, 0 without keys.
    int32_t GetMaxKeyTime() const { return m_maxKeyTime; }

    // Restart after the last key (checked by GetCurrentFrame).
    void SetLoop(bool loop) { m_loop = loop; }
    bool IsLoop() const { return m_loop; }

    // Starts the clock now (monotonic clock), or at `nowSeconds` on the same clock as GetCurrentFrame(nowSeconds).
    void Start();
    void Start(double nowSeconds);
    // Motion frame since Start: elapsed seconds × 30. With looping on, once the elapsed time passes
    // GetMaxKeyTime() / 30 the clock restarts and this returns 0.
    double GetCurrentFrame();
    double GetCurrentFrame(double nowSeconds);
    // Seconds of the monotonic clock Start() and GetCurrentFrame() use.
    static double Now();

    // Writes the nodes' animation translation/rotation, the morph weights, or the IK solvers' enable flags for a
    // motion frame. Weight 1 replaces the values; other weights blend from each object's base animation values.
    // Call between the model's BeginAnimation and UpdateMorphAnimation. Allocation-free.
    void Evaluate(float frame, float weight = 1.0f);
    void EvaluateMorph(float frame, float weight = 1.0f);
    void EvaluateIK(float frame, float weight = 1.0f);

    const std::shared_ptr<MMDModel>& GetModel() const { return m_model; }

private:
    void UpdateMaxKeyTime();

    std::shared_ptr<MMDModel> m_model;
    std::vector<std::unique_ptr<VMDNodeController>> m_nodeControllers;
    std::vector<std::unique_ptr<VMDIKController>> m_ikControllers;
    std::vector<std::unique_ptr<VMDMorphController>> m_morphControllers;
    int32_t m_maxKeyTime = 0;
    bool m_loop = false;
    double m_startTime = 0.0;
};

}  // namespace mmd
