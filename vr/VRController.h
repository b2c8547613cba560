#pragma once

#include <QObject>
#include <QVariantAnimation>
#include <memory>
#include <string>
#include <vector>

#include "app/base/Matrix4.h"
#include "render/SystemMesh.h"
#include "vr/GLRenderModel.h"
#include "vr/VRRuntime.h"

class TzOpenGLShaderProgram;

// The runtime's input actions as Qt signals, and the two hand controllers: pose, render model and marker.
// Singleton made by createVRController while VR runs; GUI thread, paint time, GL context current.
class VRController : public QObject {
    Q_OBJECT

public:
    // One hand; poses are controller-to-tracking-space, column-major, metres.
    struct Hand {
        mnxvr::VRInputValueHandle_t source = mnxvr::k_ulInvalidInputValueHandle;
        mnxvr::VRActionHandle_t poseAction = mnxvr::k_ulInvalidActionHandle;
        Matrix4 pose;
        Matrix4 markerOffset;                                     // marker placement in controller space
        float markerX = 0.03f, markerY = 0.02f, markerZ = 0.15f;  // metres; x negated for the left hand
        GLRenderModel* model = nullptr;                           // not owned: it belongs to renderModels
        std::unique_ptr<SystemMesh> marker;
        std::string modelName;
        bool valid = false;
        mnxvr::TrackedDeviceIndex_t deviceIndex = mnxvr::k_unTrackedDeviceIndexInvalid;
    };

    // Reads the manifest beside the executable and resolves the action set, actions and hand sources.
    explicit VRController(QObject* parent = nullptr);
    ~VRController() override;

    // The renderer's render-model program ("matrix" uniform); not owned. Models are drawn only while it is set.
    static void setRenderModelProgram(TzOpenGLShaderProgram* program);

    // Polls actions and hands once per frame, after the device refresh.
    void update();
    // Draws both hands' models and markers with `viewProj` (tracking space to clip space).
    void draw(const Matrix4& viewProj);
    // Cached by name ignoring letter case; null when the runtime cannot supply it.
    GLRenderModel* loadRenderModel(const std::string& name);
    // Releases the markers' GL objects; safe to call twice.
    void releaseGraphics();

    mnxvr::VRActionSetHandle_t actionSet = mnxvr::k_ulInvalidActionSetHandle;
    mnxvr::VRActionHandle_t m_actionTriggeValueR = 0, m_actionTriggeValueL = 0, m_actionMenuR = 0, m_actionMenuL = 0,
                            m_actionGripR = 0, m_actionGripL = 0, m_actionClickDownR = 0, m_actionClickDownL = 0,
                            m_actionClickUpR = 0, m_actionClickUpL = 0, m_actionClickRightR = 0,
                            m_actionClickRightL = 0, m_actionClickLeftR = 0, m_actionClickLeftL = 0, m_actionPadR = 0,
                            m_actionPadL = 0, m_actionPadTouchR = 0, m_actionPadTouchL = 0, m_actionTrackPadR = 0,
                            m_actionTrackPadL = 0;
    float triggerR = 0.0f, triggerL = 0.0f;
    float padR[2] = {0.0f, 0.0f}, padL[2] = {0.0f, 0.0f};
    Hand hands[2];  // 0 left, 1 right
    std::vector<std::unique_ptr<GLRenderModel>> renderModels;
    QVariantAnimation menuHoldR;
    QVariantAnimation menuHoldL;
    int longPressMs = 2000;

signals:
    void globalMenuR_Pressed();
    void globalMenuR_Released();
    void globalMenuL_Pressed();
    void globalMenuL_Released();
    void globalMenuR_LongPressed();
    void globalMenuL_LongPressed();
    void capTriggerRValueChanged(float value);
    void capTriggerLValueChanged(float value);
    void capGripR_Pressed();
    void capGripR_Released();
    void capGripL_Pressed();
    void capGripL_Released();
    void capClickDownR_Pressed();
    void capClickDownR_Released();
    void capClickDownL_Pressed();
    void capClickDownL_Released();
    void capClickUpR_Pressed();
    void capClickUpR_Released();
    void capClickUpL_Pressed();
    void capClickUpL_Released();
    void capClickRightR_Pressed();
    void capClickRightR_Released();
    void capClickRightL_Pressed();
    void capClickRightL_Released();
    void capClickLeftR_Pressed();
    void capClickLeftR_Released();
    void capClickLeftL_Pressed();
    void capClickLeftL_Released();
    void capPadR_Pressed();
    void capPadR_Released();
    void capPadL_Pressed();
    void capPadL_Released();
    void controllerListChanged();

public slots:
    void onRightMenuLongPressed();
    void onLeftMenuLongPressed();

private:
    void updateTrigger(mnxvr::VRActionHandle_t action, float& stored, void (VRController::*changed)(float));
    void updatePad(mnxvr::VRActionHandle_t touch, mnxvr::VRActionHandle_t pad, float stored[2]);
    void updateButtons();
    void updateHand(int i);
};

// The singleton: created only while VR is running (GL context current); the accessor is null otherwise.
VRController* createVRController();
VRController* vrController();
// Releases the GL objects of the two hand markers (context current); safe without a controller.
void releaseVRGraphics();
// Deletes the controller with its render models (context current) and clears the accessor; safe to call twice.
void destroyVRController();
