#include "vr/ExtarnalController.h"

#include "mmd/MMDModel.h"

ExtarnalController::ExtarnalController(QObject* parent) : QObject(parent) {}

ExtarnalController::~ExtarnalController() = default;

bool ExtarnalController::SetupController(const std::shared_ptr<mmd::MMDModel>& model) {
    m_model = model;
    ready = model != nullptr;
    return ready;
}

void ExtarnalController::UpdateBeforeModel() {}

void ExtarnalController::UpdateNoiseFilter() {}

void ExtarnalController::UpdateFrameEnd() {}

void ExtarnalController::onLookForward() {}

void ExtarnalController::onModelSettingChanged() {}
