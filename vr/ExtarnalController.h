#pragma once

#include <QObject>
#include <memory>

namespace mmd {
class MMDModel;
}

// Drives a model from the live inputs: head, eyes and face from face capture, arms and hands from the VR
// controllers. The drawable model owns it and calls its per-frame steps around the model's own evaluation.
// Until it is bound to a model (`ready`), every step does nothing.
class ExtarnalController : public QObject {
    Q_OBJECT
public:
    explicit ExtarnalController(QObject* parent = nullptr);
    ~ExtarnalController() override;

    // Binds to the model; false when the model is null.
    bool SetupController(const std::shared_ptr<mmd::MMDModel>& model);
    bool isReady() const { return ready; }

    // Before the model evaluates its motion, morphs, nodes and physics: frame stamp, head and eyes, hand poses,
    // face morphs, tracker slots, arms.
    void UpdateBeforeModel();
    // After physics when the noise filter is on: averages the filtered nodes' rotations.
    void UpdateNoiseFilter();
    // Last in the frame: remembers the frame stamp.
    void UpdateFrameEnd();

    bool useEyeAdjust = false;
    bool useBrowAdjust = false;
    bool ready = false;

public slots:
    void onLookForward();
    void onModelSettingChanged();

private:
    std::shared_ptr<mmd::MMDModel> m_model;
};
