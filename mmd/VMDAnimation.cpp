#include "mmd/VMDAnimation.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <string>

#include "mmd/MMDIkSolver.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDMorph.h"
#include "mmd/MMDNode.h"
#include "mmd/SjisToUnicode.h"
#include "mmd/VMDFile.h"

namespace mmd {
namespace {

// The controller for a name: the one already made, one `make` creates for a name the model has, or null
// (remembered, so an unknown name is looked up once).
template <typename Controller, typename Make>
Controller* ControllerFor(std::map<std::string, Controller*>& byName, const std::string& name, Make make) {
    auto found = byName.find(name);
    if (found == byName.end()) found = byName.emplace(name, make(name)).first;
    return found->second;
}

// Appends a controller for `object` (or nothing for null) and returns it.
template <typename Controller, typename Object, typename Bind>
Controller* NewController(std::vector<std::unique_ptr<Controller>>& controllers, Object* object, Bind bind) {
    if (object == nullptr) return nullptr;
    controllers.push_back(std::make_unique<Controller>());
    (controllers.back().get()->*bind)(object);
    return controllers.back().get();
}

}  // namespace

VMDAnimation::VMDAnimation() = default;

VMDAnimation::~VMDAnimation() = default;

bool VMDAnimation::Create(std::shared_ptr<MMDModel> model) {
    m_model = std::move(model);
    return true;
}

void VMDAnimation::Destroy() {
    m_nodeControllers.clear();
    m_ikControllers.clear();
    m_morphControllers.clear();
    m_model.reset();
    m_maxKeyTime = 0;
}

bool VMDAnimation::Add(const VMDFileData& vmd) {
    if (!m_model) return false;
    MMDModel::MMDNodeManager* nodes = m_model->GetNodeManager();
    MMDModel::MMDMorphManager* morphs = m_model->GetMorphManager();
    MMDModel::MMDIKManager* iks = m_model->GetIKManager();

    std::map<std::string, VMDNodeController*> nodeByName;
    for (const auto& c : m_nodeControllers) nodeByName.emplace(c->GetNode()->GetName(), c.get());
    const auto makeNode = [&](const std::string& name) {
        const int32_t index = nodes ? nodes->FindNodeIndex(name) : -1;
        return NewController(m_nodeControllers, index >= 0 ? nodes->GetNode(size_t(index)) : nullptr,
                             &VMDNodeController::SetNode);
    };
    for (const VMDMotion& motion : vmd.motions) {
        if (auto* c = ControllerFor(nodeByName, ConvertSjisToU8String(motion.boneName), makeNode)) {
            c->AddKey(VMDNodeAnimationKey::FromMotion(motion));
        }
    }

    std::map<std::string, VMDMorphController*> morphByName;
    for (const auto& c : m_morphControllers) morphByName.emplace(c->GetMorph()->GetName(), c.get());
    const auto makeMorph = [&](const std::string& name) {
        const int32_t index = morphs ? morphs->FindMorphIndex(name) : -1;
        return NewController(m_morphControllers, index >= 0 ? morphs->GetMorph(size_t(index)) : nullptr,
                             &VMDMorphController::SetMorph);
    };
    for (const VMDMorph& key : vmd.morphs) {
        if (auto* c = ControllerFor(morphByName, ConvertSjisToU8String(key.blendShapeName), makeMorph)) {
            c->AddKey({int32_t(key.frame), key.weight});
        }
    }

    std::map<std::string, VMDIKController*> ikByName;
    for (const auto& c : m_ikControllers) ikByName.emplace(c->GetIKSolver()->GetName(), c.get());
    const auto makeIK = [&](const std::string& name) {
        const int32_t index = iks ? iks->FindIKSolverIndex(name) : -1;
        return NewController(m_ikControllers, index >= 0 ? iks->GetIKSolver(size_t(index)) : nullptr,
                             &VMDIKController::SetIKSolver);
    };
    for (const VMDIk& key : vmd.iks) {
        for (const VMDIkInfo& info : key.ikInfos) {
            if (auto* c = ControllerFor(ikByName, ConvertSjisToU8String(info.name), makeIK)) {
                c->AddKey({int32_t(key.frame), info.enable != 0});
            }
        }
    }

    for (const auto& c : m_nodeControllers) c->SortKeys();
    for (const auto& c : m_morphControllers) c->SortKeys();
    for (const auto& c : m_ikControllers) c->SortKeys();
    UpdateMaxKeyTime();
    return true;
}

void VMDAnimation::UpdateMaxKeyTime() {
    m_maxKeyTime = 0;
    const auto take = [this](const auto& controllers) {
        for (const auto& c : controllers) {
            if (!c->GetKeys().empty()) m_maxKeyTime = std::max(m_maxKeyTime, c->GetKeys().back().frame);
        }
    };
    take(m_nodeControllers);
    take(m_morphControllers);
    take(m_ikControllers);
}

double VMDAnimation::Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void VMDAnimation::Start() { Start(Now()); }

void VMDAnimation::Start(double nowSeconds) { m_startTime = nowSeconds; }

double VMDAnimation::GetCurrentFrame() { return GetCurrentFrame(Now()); }

double VMDAnimation::GetCurrentFrame(double nowSeconds) {
    double elapsed = nowSeconds - m_startTime;
    if (m_loop && elapsed > double(m_maxKeyTime) / 30.0) {
        m_startTime = nowSeconds;
        elapsed = 0.0;
    }
    return elapsed * 30.0;
}

void VMDAnimation::Evaluate(float frame, float weight) {
    for (const auto& c : m_nodeControllers) c->Evaluate(frame, weight);
}

void VMDAnimation::EvaluateMorph(float frame, float weight) {
    for (const auto& c : m_morphControllers) c->Evaluate(frame, weight);
}

void VMDAnimation::EvaluateIK(float frame, float weight) {
    for (const auto& c : m_ikControllers) c->Evaluate(frame, weight);
}

}  // namespace mmd
