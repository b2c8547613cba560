#include "vr/VRController.h"

#include <QCoreApplication>
#include <QDebug>
#include <cmath>

#include "render/GLFunctions.h"
#include "render/TzOpenGLShaderProgram.h"
#include "vr/VRSystem.h"

using namespace mnxvr;

namespace {

VRController* g_controller = nullptr;
TzOpenGLShaderProgram* g_renderModelProgram = nullptr;

// Off-centre share of the pad radius at which a click counts as a direction.
constexpr float kDirectionThreshold = 0.5f;

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

XrSession session() { return vrSystem() != nullptr ? vrSystem()->session() : XR_NULL_HANDLE; }

}  // namespace

VRController::VRController(QObject* parent) : QObject(parent) {
    if (const VRSystem* xr = vrSystem()) {
        const VRInputActions& a = xr->actions();
        actionSet = a.set;
        m_actionTriggeValueL = a.hands[0].trigger;
        m_actionTriggeValueR = a.hands[1].trigger;
        m_actionMenuL = a.hands[0].menu;
        m_actionMenuR = a.hands[1].menu;
        m_actionGripL = a.hands[0].grip;
        m_actionGripR = a.hands[1].grip;
        m_actionPadL = a.hands[0].padClick;
        m_actionPadR = a.hands[1].padClick;
        m_actionPadTouchL = a.hands[0].padTouch;
        m_actionPadTouchR = a.hands[1].padTouch;
        m_actionTrackPadL = a.hands[0].pad;
        m_actionTrackPadR = a.hands[1].pad;
        hands[0].poseAction = a.hands[0].gripPose;
        hands[1].poseAction = a.hands[1].gripPose;
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
    // The device refresh has synced the actions for this frame.
    if (session() == XR_NULL_HANDLE) return;
    updateTrigger(m_actionTriggeValueR, triggerR, &VRController::capTriggerRValueChanged);
    updateTrigger(m_actionTriggeValueL, triggerL, &VRController::capTriggerLValueChanged);
    updatePad(m_actionPadTouchR, m_actionTrackPadR, padR);
    updatePad(m_actionPadTouchL, m_actionTrackPadL, padL);
    updateButtons();
    hands[0].valid = hands[1].valid = true;
    updateHand(0);
    updateHand(1);
}

void VRController::updateTrigger(XrAction action, float& stored, void (VRController::*changed)(float)) {
    const VRAnalog data = vrReadFloat(session(), action);
    if (!data.active) return;
    if (data.x != stored) emit(this->*changed)(data.x);
    stored = data.x;
}

void VRController::updatePad(XrAction touch, XrAction pad, float stored[2]) {
    const VRDigital touched = vrReadDigital(session(), touch);
    if (!touched.active || !touched.state) return;
    const VRAnalog position = vrReadVector(session(), pad);
    if (!position.active) return;
    stored[0] = position.x;
    stored[1] = position.y;
}

void VRController::updateButtons() {
    struct Button {
        XrAction handle;
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
    };
    for (const Button& b : buttons) {
        const VRDigital data = vrReadDigital(session(), b.handle);
        if (!data.active || !data.changed) continue;
        qInfo() << b.name << data.state;
        if (data.state) {
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
    updatePadClick(1, vrReadDigital(session(), m_actionPadR), m_actionTrackPadR);
    updatePadClick(0, vrReadDigital(session(), m_actionPadL), m_actionTrackPadL);
}

void VRController::updatePadClick(int hand, const VRDigital& click, XrAction pad) {
    using Signal = void (VRController::*)();
    struct Side {
        const char* padName;
        Signal padPressed, padReleased;
        const char* names[5];
        Signal pressed[5], released[5];
    };
    static const Side kSides[2] = {
        {"m_actionPadL",
         &VRController::capPadL_Pressed,
         &VRController::capPadL_Released,
         {nullptr, "m_actionClickUpL", "m_actionClickDownL", "m_actionClickRightL", "m_actionClickLeftL"},
         {nullptr, &VRController::capClickUpL_Pressed, &VRController::capClickDownL_Pressed,
          &VRController::capClickRightL_Pressed, &VRController::capClickLeftL_Pressed},
         {nullptr, &VRController::capClickUpL_Released, &VRController::capClickDownL_Released,
          &VRController::capClickRightL_Released, &VRController::capClickLeftL_Released}},
        {"m_actionPadR",
         &VRController::capPadR_Pressed,
         &VRController::capPadR_Released,
         {nullptr, "m_actionClickUpR", "m_actionClickDownR", "m_actionClickRightR", "m_actionClickLeftR"},
         {nullptr, &VRController::capClickUpR_Pressed, &VRController::capClickDownR_Pressed,
          &VRController::capClickRightR_Pressed, &VRController::capClickLeftR_Pressed},
         {nullptr, &VRController::capClickUpR_Released, &VRController::capClickDownR_Released,
          &VRController::capClickRightR_Released, &VRController::capClickLeftR_Released}},
    };
    if (!click.active || !click.changed) return;
    const Side& side = kSides[hand];
    qInfo() << side.padName << click.state;
    if (click.state) {
        // Where the pad or stick is at the click, touched or not.
        const VRAnalog position = vrReadVector(session(), pad);
        const float x = position.x, y = position.y;
        Direction d = kCentre;
        if (x * x + y * y >= kDirectionThreshold * kDirectionThreshold)
            d = std::fabs(y) >= std::fabs(x) ? (y > 0.0f ? kUp : kDown) : (x > 0.0f ? kRight : kLeft);
        m_padDirection[hand] = d;
        emit(this->*side.padPressed)();
        if (d != kCentre) {
            qInfo() << side.names[d] << true;
            emit(this->*side.pressed[d])();
        }
    } else {
        const Direction d = m_padDirection[hand];
        m_padDirection[hand] = kCentre;
        if (d != kCentre) {
            qInfo() << side.names[d] << false;
            emit(this->*side.released[d])();
        }
        emit(this->*side.padReleased)();
    }
}

void VRController::updateHand(int i) {
    Hand& hand = hands[i];
    const TrackedDevice& device = vrSystem()->device(i == 0 ? kLeftHandSlot : kRightHandSlot);
    if (!device.valid) {
        hand.valid = false;
        return;
    }
    hand.pose = device.pose;
    hand.deviceIndex = i == 0 ? kLeftHandSlot : kRightHandSlot;
    // OpenXR has no portable controller model: every controller shows the project's own.
    static const std::string kModelName = "mnx_controller";
    if (kModelName != hand.modelName) {
        hand.model = loadRenderModel(kModelName);
        hand.modelName = kModelName;
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
    if (VRSystem* xr = vrSystem()) xr->releaseGraphics();
}

void destroyVRController() {
    delete g_controller;
    g_controller = nullptr;
}
