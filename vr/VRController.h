#pragma once

#include <QObject>
#include <QVariantAnimation>
#include <memory>
#include <string>
#include <vector>

#include "app/base/Matrix4.h"
#include "render/SystemMesh.h"
#include "vr/GLRenderModel.h"
#include "vr/VRSystem.h"

class TzOpenGLShaderProgram;

// The OpenXR input actions (VRInputActions) as Qt signals, and the two hand controllers: pose, the project's
// controller model and marker. A pad or stick click also reports its direction (up, down, left or right, from the
// pad position when it is pressed off centre). Singleton made by createVRController while VR runs; GUI thread,
// paint time, GL context current.
class VRController : public QObject {
    Q_OBJECT

public:
    // One hand; poses are controller-to-tracking-space, column-major, metres.
    struct Hand {
        XrAction poseAction = XR_NULL_HANDLE;  // the grip pose
        Matrix4 pose;
        Matrix4 markerOffset;                                     // marker placement in controller space
        float markerX = 0.03f, markerY = 0.02f, markerZ = 0.15f;  // metres; x negated for the left hand
        GLRenderModel* model = nullptr;                           // not owned: it belongs to renderModels
        std::unique_ptr<SystemMesh> marker;
        std::string modelName;
        bool valid = false;
        mnxvr::TrackedDeviceIndex_t deviceIndex = mnxvr::k_unTrackedDeviceIndexInvalid;
    };

    // Takes the actions of the running VR connection.
    explicit VRController(QObject* parent = nullptr);
    ~VRController() override;

    // The renderer's render-model program ("matrix" uniform); not owned. Models are drawn only while it is set.
    static void setRenderModelProgram(TzOpenGLShaderProgram* program);

    // Polls actions and hands once per frame, after the device refresh.
    void update();
    // Draws both hands' models and markers with `viewProj` (tracking space to clip space).
    void draw(const Matrix4& viewProj);
    // Cached by name ignoring letter case; null without a GL context.
    GLRenderModel* loadRenderModel(const std::string& name);
    // Releases the markers' GL objects; safe to call twice.
    void releaseGraphics();

    XrActionSet actionSet = XR_NULL_HANDLE;
    XrAction m_actionTriggeValueR = XR_NULL_HANDLE, m_actionTriggeValueL = XR_NULL_HANDLE,
             m_actionMenuR = XR_NULL_HANDLE, m_actionMenuL = XR_NULL_HANDLE, m_actionGripR = XR_NULL_HANDLE,
             m_actionGripL = XR_NULL_HANDLE, m_actionPadR = XR_NULL_HANDLE, m_actionPadL = XR_NULL_HANDLE,
             m_actionPadTouchR = XR_NULL_HANDLE, m_actionPadTouchL = XR_NULL_HANDLE, m_actionTrackPadR = XR_NULL_HANDLE,
             m_actionTrackPadL = XR_NULL_HANDLE;
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
    // Pad directions: 0 none (centre), 1 up, 2 down, 3 right, 4 left; the one reported at the latest press.
    enum Direction { kCentre, kUp, kDown, kRight, kLeft };

    void updateTrigger(XrAction action, float& stored, void (VRController::*changed)(float));
    void updatePad(XrAction touch, XrAction pad, float stored[2]);
    void updateButtons();
    void updatePadClick(int hand, const VRDigital& click, XrAction pad);
    void updateHand(int i);

    Direction m_padDirection[2] = {kCentre, kCentre};
};

// The singleton: created only while VR is running (GL context current); the accessor is null otherwise.
VRController* createVRController();
VRController* vrController();
// Releases the GL objects of the two hand markers and the VR swapchain (context current); safe without VR.
void releaseVRGraphics();
// Deletes the controller with its render models (context current) and clears the accessor; safe to call twice.
void destroyVRController();
