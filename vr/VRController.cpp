#include "vr/VRController.h"

#include <QCoreApplication>
#include <QDebug>

#include "render/GLFunctions.h"
#include "render/TzOpenGLShaderProgram.h"
#include "vr/VRSystem.h"

using namespace mnxvr;

namespace {

VRController* g_controller = nullptr;
TzOpenGLShaderProgram* g_renderModelProgram = nullptr;

VRActionHandle_t actionHandle(IVRInput* input, const char* name) {
    VRActionHandle_t handle = k_ulInvalidActionHandle;
    input->GetActionHandle(name, &handle);
    return handle;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.at(r, k) * b.at(k, c);
            out.at(r, c) = sum;
        }
    }
    return out;
}

}  // namespace

VRController::VRController(QObject* parent) : QObject(parent) {
    IVRInput* input = vrInput();
    if (input) {
        const QString manifest =
            QCoreApplication::applicationDirPath() + QStringLiteral("/resource/VR/mnx_actions.json");
        input->SetActionManifestPath(manifest.toLocal8Bit().constData());
        m_actionTriggeValueR = actionHandle(input, "/actions/mnx/in/TriggeValueR");
        m_actionTriggeValueL = actionHandle(input, "/actions/mnx/in/TriggeValueL");
        m_actionMenuR = actionHandle(input, "/actions/mnx/in/MenuR");
        m_actionMenuL = actionHandle(input, "/actions/mnx/in/MenuL");
        m_actionGripR = actionHandle(input, "/actions/mnx/in/GripR");
        m_actionGripL = actionHandle(input, "/actions/mnx/in/GripL");
        m_actionClickDownR = actionHandle(input, "/actions/mnx/in/ClickDownR");
        m_actionClickDownL = actionHandle(input, "/actions/mnx/in/ClickDownL");
        m_actionClickUpR = actionHandle(input, "/actions/mnx/in/ClickUpR");
        m_actionClickUpL = actionHandle(input, "/actions/mnx/in/ClickUpL");
        m_actionClickRightR = actionHandle(input, "/actions/mnx/in/ClickRightR");
        m_actionClickRightL = actionHandle(input, "/actions/mnx/in/ClickRightL");
        m_actionClickLeftR = actionHandle(input, "/actions/mnx/in/ClickLeftR");
        m_actionClickLeftL = actionHandle(input, "/actions/mnx/in/ClickLeftL");
        m_actionPadR = actionHandle(input, "/actions/mnx/in/PadR");
        m_actionPadL = actionHandle(input, "/actions/mnx/in/PadL");
        m_actionPadTouchR = actionHandle(input, "/actions/mnx/in/PadTouchR");
        m_actionPadTouchL = actionHandle(input, "/actions/mnx/in/PadTouchL");
        m_actionTrackPadR = actionHandle(input, "/actions/mnx/in/TrackPadR");
        m_actionTrackPadL = actionHandle(input, "/actions/mnx/in/TrackPadL");
        input->GetActionSetHandle("/actions/mnx", &actionSet);
        input->GetInputSourceHandle("/user/mnx/left", &hands[0].source);
        hands[0].poseAction = actionHandle(input, "/actions/mnx/in/Hand_Left");
        input->GetInputSourceHandle("/user/mnx/right", &hands[1].source);
        hands[1].poseAction = actionHandle(input, "/actions/mnx/in/Hand_Right");
    }
    connect(&menuHoldR, &QVariantAnimation::finished, this, &VRController::onRightMenuLongPressed);
    connect(&menuHoldL, &QVariantAnimation::finished, this, &VRController::onLeftMenuLongPressed);
    longPressMs = 2000;
    for (QVariantAnimation* hold : {&menuHoldR, &menuHoldL}) {
        hold->setDuration(longPressMs);
        hold->setStartValue(0.0f);
        hold->setEndValue(1.0f);
    }
}

VRController::~VRController() { releaseGraphics(); }

void VRController::setRenderModelProgram(TzOpenGLShaderProgram* program) { g_renderModelProgram = program; }

void VRController::update() {
    IVRInput* input = vrInput();
    if (!input) return;
    VRActiveActionSet_t active{};
    active.ulActionSet = actionSet;
    input->UpdateActionState(&active, sizeof(active), 1);
    updateTrigger(m_actionTriggeValueR, triggerR, &VRController::capTriggerRValueChanged);
    updateTrigger(m_actionTriggeValueL, triggerL, &VRController::capTriggerLValueChanged);
    updatePad(m_actionPadTouchR, m_actionTrackPadR, padR);
    updatePad(m_actionPadTouchL, m_actionTrackPadL, padL);
    updateButtons();
    hands[0].valid = hands[1].valid = true;
    updateHand(0);
    updateHand(1);
}

void VRController::updateTrigger(VRActionHandle_t action, float& stored, void (VRController::*changed)(float)) {
    InputAnalogActionData_t data{};
    if (vrInput()->GetAnalogActionData(action, &data, sizeof(data), k_ulInvalidInputValueHandle) != VRInputError_None ||
        !data.bActive)
        return;
    if (data.x != stored) emit(this->*changed)(data.x);
    stored = data.x;
}

void VRController::updatePad(VRActionHandle_t touch, VRActionHandle_t pad, float stored[2]) {
    InputDigitalActionData_t touched{};
    if (vrInput()->GetDigitalActionData(touch, &touched, sizeof(touched), k_ulInvalidInputValueHandle) !=
            VRInputError_None ||
        !touched.bActive || !touched.bState)
        return;
    InputAnalogActionData_t position{};
    vrInput()->GetAnalogActionData(pad, &position, sizeof(position), k_ulInvalidInputValueHandle);
    if (!position.bActive) return;
    stored[0] = position.x;
    stored[1] = position.y;
}

void VRController::updateButtons() {
    struct Button {
        VRActionHandle_t handle;
        const char* name;
        void (VRController::*pressed)();
        void (VRController::*released)();
        QVariantAnimation* hold;
    };
    const Button buttons[] = {
        {m_actionMenuR, "m_actionMenuR", &VRController::globalMenuR_Pressed, &VRController::globalMenuR_Released,
         &menuHoldR},
        {m_actionMenuL, "m_actionMenuL", &VRController::globalMenuL_Pressed, &VRController::globalMenuL_Released,
         &menuHoldL},
        {m_actionGripR, "m_actionGripR", &VRController::capGripR_Pressed, &VRController::capGripR_Released, nullptr},
        {m_actionGripL, "m_actionGripL", &VRController::capGripL_Pressed, &VRController::capGripL_Released, nullptr},
        {m_actionClickDownR, "m_actionClickDownR", &VRController::capClickDownR_Pressed,
         &VRController::capClickDownR_Released, nullptr},
        {m_actionClickDownL, "m_actionClickDownL", &VRController::capClickDownL_Pressed,
         &VRController::capClickDownL_Released, nullptr},
        {m_actionClickUpR, "m_actionClickUpR", &VRController::capClickUpR_Pressed, &VRController::capClickUpR_Released,
         nullptr},
        {m_actionClickUpL, "m_actionClickUpL", &VRController::capClickUpL_Pressed, &VRController::capClickUpL_Released,
         nullptr},
        {m_actionClickRightR, "m_actionClickRightR", &VRController::capClickRightR_Pressed,
         &VRController::capClickRightR_Released, nullptr},
        {m_actionClickRightL, "m_actionClickRightL", &VRController::capClickRightL_Pressed,
         &VRController::capClickRightL_Released, nullptr},
        {m_actionClickLeftR, "m_actionClickLeftR", &VRController::capClickLeftR_Pressed,
         &VRController::capClickLeftR_Released, nullptr},
        {m_actionClickLeftL, "m_actionClickLeftL", &VRController::capClickLeftL_Pressed,
         &VRController::capClickLeftL_Released, nullptr},
        {m_actionPadR, "m_actionPadR", &VRController::capPadR_Pressed, &VRController::capPadR_Released, nullptr},
        {m_actionPadL, "m_actionPadL", &VRController::capPadL_Pressed, &VRController::capPadL_Released, nullptr},
    };
    for (const Button& b : buttons) {
        InputDigitalActionData_t data{};
        if (vrInput()->GetDigitalActionData(b.handle, &data, sizeof(data), k_ulInvalidInputValueHandle) !=
                VRInputError_None ||
            !data.bActive || !data.bChanged)
            continue;
        qInfo() << b.name << data.bState;
        if (data.bState) {
            emit(this->*b.pressed)();
            if (b.hold) {
                if (b.hold->state() == QAbstractAnimation::Running)
                    b.hold->setCurrentTime(0);
                else
                    b.hold->start();
            }
        } else {
            emit(this->*b.released)();
            if (b.hold) b.hold->stop();
        }
    }
}

void VRController::updateHand(int i) {
    Hand& hand = hands[i];
    InputPoseActionData_t data{};
    if (vrInput()->GetPoseActionDataForNextFrame(hand.poseAction, TrackingUniverseStanding, &data, sizeof(data),
                                                 k_ulInvalidInputValueHandle) != VRInputError_None ||
        !data.bActive || !data.pose.bPoseIsValid) {
        hand.valid = false;
        return;
    }
    hand.pose = toMatrix4(data.pose.mDeviceToAbsoluteTracking);
    InputOriginInfo_t origin{};
    if (vrInput()->GetOriginTrackedDeviceInfo(data.activeOrigin, &origin, sizeof(origin)) != VRInputError_None ||
        origin.trackedDeviceIndex == k_unTrackedDeviceIndexInvalid ||
        vrDeviceClass(origin.trackedDeviceIndex) != TrackedDeviceClass_Controller)
        return;
    hand.deviceIndex = origin.trackedDeviceIndex;
    const std::string name = vrStdStringProperty(hand.deviceIndex, Prop_RenderModelName_String);
    if (name != hand.modelName) {
        hand.model = loadRenderModel(name);
        hand.modelName = name;
    }
    if (!hand.marker) {
        hand.marker = std::make_unique<SystemMesh>();
        hand.marker->setImagePath(QStringLiteral(":/img/resources/img/orange.png"));
        hand.marker->setObjPath(QStringLiteral(":/system_mesh/resources/system_mesh/cube.obj"));
        hand.marker->setScale(0.0001f);
        hand.marker->initialize();
        const float x = i == 0 ? -hand.markerX : hand.markerX;
        hand.marker->setPosition(x, hand.markerY, hand.markerZ);
        hand.markerOffset = Matrix4();
        hand.markerOffset.m[12] = x;
        hand.markerOffset.m[13] = hand.markerY;
        hand.markerOffset.m[14] = hand.markerZ;
        emit controllerListChanged();
    }
}

void VRController::draw(const Matrix4& viewProj) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (!gl) return;
    gl->glFrontFace(GL_CW);
    gl->glDisable(GL_BLEND);
    if (g_renderModelProgram && g_renderModelProgram->bind()) {
        for (Hand& hand : hands) {
            if (!hand.model || !hand.valid) continue;
            const Matrix4 matrix = multiply(viewProj, hand.pose);
            g_renderModelProgram->setUniformMatrix4("matrix", matrix.m.data());
            hand.model->draw();
        }
        g_renderModelProgram->release();
    }
    for (Hand& hand : hands) {
        if (!hand.model || !hand.valid || !hand.marker) continue;
        hand.marker->draw(multiply(viewProj, hand.pose));
    }
}

GLRenderModel* VRController::loadRenderModel(const std::string& name) { return ::loadRenderModel(renderModels, name); }

void VRController::releaseGraphics() {
    for (Hand& hand : hands)
        if (hand.marker) hand.marker->release();
}

void VRController::onRightMenuLongPressed() {
    qDebug() << "onRightMenuLongPressed" << sender();
    emit globalMenuR_LongPressed();
}

void VRController::onLeftMenuLongPressed() {
    qDebug() << "onLeftMenuLongPressed" << sender();
    emit globalMenuL_LongPressed();
}

VRController* createVRController() {
    if (vrSystem() && !g_controller) g_controller = new VRController;
    return g_controller;
}

VRController* vrController() { return g_controller; }

void releaseVRGraphics() {
    if (g_controller) g_controller->releaseGraphics();
}

void destroyVRController() {
    delete g_controller;
    g_controller = nullptr;
}
