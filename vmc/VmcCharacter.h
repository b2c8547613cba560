#pragma once

#include <QString>
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

#include "vmc/VmcFrame.h"
#include "vmc/VmcRetarget.h"
#include "vmc/VmcSender.h"

class ExtarnalController;

namespace mmd {
class MMDModel;
class MMDMorph;
}  // namespace mmd

namespace vmc {

class VmcReceiver;

// The VMC side of one loaded model: each frame it applies what the receiver got (bones, VRM presets, and ARKit
// values through the body controller's face bindings) and, when sending is on, sends the model's pose and face.
// A sender that stays silent for kReleaseAfterMs hands the model back to its idle motion over kBlendMs, and
// takes it again the same way. GUI thread; the per-frame calls allocate nothing.
class VmcCharacter {
public:
    static constexpr std::int64_t kReleaseAfterMs = 1000;
    static constexpr std::int64_t kBlendMs = 1000;

    // `controller` (observed, may be null) maps ARKit values onto the face as the phone's stream does.
    VmcCharacter(std::shared_ptr<mmd::MMDModel> model, ExtarnalController* controller);

    // After the idle motion is evaluated, before IK, morphs and nodes: applies the newest received frame from
    // `receiver` (null: the orchestrator's). `nowMs` is the steady clock (steadyMs()).
    void UpdateBeforeModel(std::int64_t nowMs, VmcReceiver* receiver = nullptr);
    // After the model's node update: sends the pose when Global/VmcSend is on (settings store), to its host
    // and port, the ARKit values of the phone stream (or of the VMC stream) and the presets from the morphs.
    void SendAfterModel(float timeSeconds);
    // Sends to the given destination regardless of the settings (tools, tests). False when not sent.
    bool sendTo(const std::string& host, int port, float timeSeconds);

    // Weight of the received pose over the idle motion, 0..1.
    float weight() const { return m_weight; }
    const VmcRetarget& retarget() const { return m_retarget; }
    const VmcSender& sender() const { return m_sender; }

private:
    void reportSkipped();
    void applyMorphs(float weight);
    void fillSendFrame();

    std::shared_ptr<mmd::MMDModel> m_model;
    ExtarnalController* m_controller;
    VmcRetarget m_retarget;
    VmcSender m_sender;
    std::array<mmd::MMDMorph*, kVrmPresetCount> m_presetMorphs{};
    VmcFrame m_frame;
    VmcFrame m_send;
    std::array<float, kVrmPresetCount> m_presetWritten{};  // what we set last; -1 never
    std::array<float, FaceFrame::kValueCount> m_arkitScaled{};
    std::bitset<kHumanoidBoneCount> m_reported;
    float m_weight = 0.0f;
    bool m_applied = false;  // the last frame applied a weight above 0
    std::int64_t m_lastUpdateMs = 0;
    bool m_naturalOrder = true;
    QString m_hostText;
    int m_port = 0;
};

}  // namespace vmc
