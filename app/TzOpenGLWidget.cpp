#include "app/TzOpenGLWidget.h"

#include <QApplication>
#include <QOpenGLFramebufferObject>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>
#include <QDebug>
#include <QDesktopWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "app/KySolution.h"
#include "app/base/DpiScale.h"
#include "app/base/KySettings.h"
#include "face/FaceNameTable.h"
#include "face/iFacialMoCap.h"
#include "render/GLTextMessageSurface.h"
#include "render/RenderState.h"
#include "render/SystemMesh.h"
#include "scene/TzRenderer.h"
#include "vr/VRController.h"
#include "vr/VRDevice.h"
#include "vr/VRDeviceContainer.h"
#include "vr/VRSystem.h"

namespace {

constexpr int kFrameIntervalMs = 16;

struct Placement {
    const char* mesh;
    const char* image;
    float scale;
    float degrees;
    float x, y, z;
    bool additive;
};

// The VR room: the room itself, two square screens (text panel, second panel) and the message screen.
const Placement kPlacements[] = {
    {":/system_mesh/resources/system_mesh/mainroom.obj", ":/img/resources/img/mainroom.png", 1.0f, 0.0f, 0.0f, 0.0f,
     0.0f, false},
    {":/system_mesh/resources/system_mesh/square_screen.obj", nullptr, 0.4f, 45.0f, -3.0f, 1.5f, -3.0f, true},
    {":/system_mesh/resources/system_mesh/square_screen.obj", nullptr, 0.4f, 90.0f, -6.0f, 1.5f, 0.0f, true},
    {":/system_mesh/resources/system_mesh/msg_screen.obj", nullptr, 0.2f, 15.0f, 0.0f, 0.5f, -4.0f, false},
};

Matrix4 scaleMatrix(float s) {
    Matrix4 m;
    m.at(0, 0) = m.at(1, 1) = m.at(2, 2) = s;
    return m;
}

Matrix4 rotationAboutY(float degrees) {
    // Single-precision cos and sin of the angle, so +90° keeps its -4.371139e-8 cosine.
    const float radians = degrees * 3.14159265358979f / 180.0f;
    Matrix4 m;
    m.at(0, 0) = std::cos(radians);
    m.at(0, 2) = std::sin(radians);
    m.at(2, 0) = -std::sin(radians);
    m.at(2, 2) = std::cos(radians);
    return m;
}

struct OverlayRow {
    int y;
    const char* name;
};

std::vector<OverlayRow> overlayRows() {
    std::vector<OverlayRow> rows;
    const char* eyes[] = {"eyeBlinkLeft", "eyeBlinkRight", "eyeSquintLeft", "eyeSquintRight", "eyeWideLeft",
                          "eyeWideRight"};
    for (int i = 0; i < 6; ++i) rows.push_back({16 + 16 * i, eyes[i]});
    const char* brows[] = {"browInnerUp",   "noseSneerLeft",   "noseSneerRight", "browDownLeft",
                           "browDownRight", "browOuterUpLeft", "browOuterUpRight"};
    for (int i = 0; i < 7; ++i) rows.push_back({128 + 16 * i, brows[i]});
    const char* mouth[] = {"jawOpen",          "mouthFunnel",      "mouthPucker",       "cheekSquintLeft",
                           "cheekSquintRight", "mouthFrownLeft",   "mouthFrownRight",   "mouthStretchLeft",
                           "mouthStretchRight", "mouthSmileLeft", "mouthSmileRight"};
    for (int i = 0; i < 11; ++i) rows.push_back({256 + 16 * i, mouth[i]});
    rows.push_back({452, "cheekPuff"});
    rows.push_back({472, "tongueOut"});
    return rows;
}

glm::mat4 toGlm(const Matrix4& m) { return glm::make_mat4(m.m.data()); }

Matrix4 fromGlm(const glm::mat4& g) {
    Matrix4 m;
    const float* p = glm::value_ptr(g);
    std::copy(p, p + 16, m.m.begin());
    return m;
}

}  // namespace

TzOpenGLWidget::TzOpenGLWidget(QWidget* parent) : QOpenGLWidget(parent) {
    m_pacing.start();
    connect(&m_frameTimer, &QTimer::timeout, this, &TzOpenGLWidget::onUpdateTimer1);
    m_frameTimer.start(1);
    QTimer::singleShot(30000, this, &TzOpenGLWidget::onUpdateTimer30sec);
}

TzOpenGLWidget::~TzOpenGLWidget() {
    // Normally gone already (cleanup); a widget destroyed without it still frees its GL objects in its context.
    if (m_renderer || !m_sceneMeshes.empty()) cleanup();
}

void TzOpenGLWidget::cleanup() {
    qDebug() << "TzOpenGLWidget::cleanup()";
    makeCurrent();
    m_sceneMeshes.clear();
    releaseVRGraphics();
    destroyVRController();
    destroyDeviceContainer();
    // The renderer's GL objects belong to this context, which does not outlive the widget.
    m_renderer.reset();
    doneCurrent();
}

void TzOpenGLWidget::onUpdateTimer30sec() {
    if (KySettings* settings = kySettings()) settings->messageText.clear();
}

void TzOpenGLWidget::onUpdateTimer1() {
    if (m_pacing.elapsed() < kFrameIntervalMs) return;
    m_pacing.restart();
    repaint();
}

void TzOpenGLWidget::initializeGL() {
    qDebug() << "TzOpenGLWidget::initializeGL()";
    if (vrSystem() != nullptr) {
        projRight = vrProjectionMatrix(mnxvr::Eye_Right, 0.1f, 100.0f);
        invertMatrix(vrEyeToHeadTransform(mnxvr::Eye_Right), eyeRight);
        projLeft = vrProjectionMatrix(mnxvr::Eye_Left, 0.1f, 100.0f);
        invertMatrix(vrEyeToHeadTransform(mnxvr::Eye_Left), eyeLeft);
        vrRecommendedRenderTargetSize(eyeWidth, eyeHeight);
        qDebug() << "eyeWidth: " << eyeWidth;
        qDebug() << "eyeHeight: " << eyeHeight;
    }
    if (!m_renderer) {
        m_renderer = std::make_unique<TzRenderer>();
        m_renderer->initialize(static_cast<int>(eyeWidth), static_cast<int>(eyeHeight), this);
    }
    SystemMesh::setProgram(m_renderer->sysMeshProgram());
    initializeVR();
}

void TzOpenGLWidget::createSceneMeshes() {
    m_sceneMeshes.clear();
    const GLuint screenTextures[] = {0, m_renderer->textPanelTexture(), m_renderer->secondPanelTexture(),
                                     m_renderer->messageSurface() ? m_renderer->messageSurface()->texture() : 0};
    for (size_t i = 0; i < std::size(kPlacements); ++i) {
        const Placement& placement = kPlacements[i];
        auto mesh = std::make_unique<SystemMesh>();
        mesh->setObjPath(QString::fromLatin1(placement.mesh));
        if (placement.image != nullptr) mesh->setImagePath(QString::fromLatin1(placement.image));
        mesh->setScale(0.1f);
        mesh->initialize();
        if (screenTextures[i] != 0) mesh->setExternalTexture(screenTextures[i]);
        mesh->setScaleMatrix(scaleMatrix(placement.scale));
        mesh->setRotationMatrix(rotationAboutY(placement.degrees));
        mesh->setPosition(placement.x, placement.y, placement.z);
        if (placement.additive) mesh->setBlendFunc(GL_SRC_ALPHA, GL_ONE);
        m_sceneMeshes.push_back(std::move(mesh));
    }
}

void TzOpenGLWidget::initializeVR() {
    // The runtime's session binds to this widget's GL context; a failure leaves the app running without VR.
    if (vrSystem() == nullptr || !startVRSession()) return;
    // The eye targets and the room only ever show in the headset: a desktop-only run neither makes nor loads them.
    m_renderer->createVRTargets(static_cast<int>(eyeWidth), static_cast<int>(eyeHeight));
    createSceneMeshes();
    createDeviceContainer();
    VRController::setRenderModelProgram(m_renderer->vrMeshProgram());
    VRController* controller = createVRController();
    KySolution* solution = kySolution();
    if (controller != nullptr && solution != nullptr) {
        connect(controller, &VRController::globalMenuR_LongPressed, solution, &KySolution::onGlobalMenuR_LongPressed);
        connect(controller, &VRController::globalMenuR_Pressed, solution, &KySolution::onGlobalMenuR_Pressed);
        connect(controller, &VRController::globalMenuL_LongPressed, solution, &KySolution::onCalibration);
    }
}

void TzOpenGLWidget::pollVREvents() {
    if (vrSystem() == nullptr) return;
    if (!vrPollQuitRequest()) return;
    qDebug() << "VREvent_Quit";
    emit steamVRShutdown();
    if (KySettings* settings = kySettings()) settings->save();
    QCoreApplication::exit(0);
}

void TzOpenGLWidget::renderEyes() {
    TzRenderer& gl = *m_renderer;
    QOpenGLFramebufferObject* left = gl.leftEyeTarget();
    QOpenGLFramebufferObject* right = gl.rightEyeTarget();
    const RenderTarget& sideBySide = gl.sideBySideTarget();
    if (left == nullptr || right == nullptr || sideBySide.framebuffer() == 0) return;
    const GLint w = static_cast<GLint>(eyeWidth);
    const GLint h = static_cast<GLint>(eyeHeight);
    QOpenGLFramebufferObject* targets[2] = {left, right};
    for (int eye = 0; eye < 2; ++eye) {
        gl.glEnable(GL_MULTISAMPLE);
        targets[eye]->bind();
        gl.glViewport(0, 0, w, h);
        renderEyeScene(eye);
        targets[eye]->release();
        // Resolve the eye's samples into its half of the texture the compositor gets.
        gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, targets[eye]->handle());
        gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, sideBySide.framebuffer());
        gl.glBlitFramebuffer(0, 0, w, h, eye * w, 0, eye * w + w, h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    }
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    vrSubmitSideBySide(sideBySide.texture());
}

void TzOpenGLWidget::renderEyeScene(int eye) {
    TzRenderer& gl = *m_renderer;
    RenderState scene;
    scene.frontFace = GL_CCW;
    scene.withDepth(GL_LESS).withCulling(GL_BACK).apply();
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    const glm::mat4 projection = toGlm(eye == 0 ? projLeft : projRight);
    const glm::mat4 eyeView = toGlm(eye == 0 ? eyeLeft : eyeRight) * toGlm(hmdView);
    const Matrix4 viewProj = fromGlm(projection * eyeView);
    for (const auto& mesh : m_sceneMeshes) mesh->draw(viewProj);
    if (VRController* controller = vrController()) controller->draw(viewProj);
    if (VRDeviceContainer* devices = vrDevices()) {
        for (VRDevice* device : devices->devices) {
            if (device->valid) device->draw(viewProj);
        }
    }
    gl.drawEyeView(eyeView, projection, static_cast<int>(eyeWidth), static_cast<int>(eyeHeight));
}

void TzOpenGLWidget::resizeGL(int width, int height) {
    if (!m_renderer) return;
    const qreal ratio = QApplication::desktop()->devicePixelRatioF();
    m_renderer->resizeDesktopTarget(static_cast<int>(width * ratio), static_cast<int>(height * ratio));
}

void TzOpenGLWidget::paintGL() {
    if (!m_renderer) return;
    TzRenderer& gl = *m_renderer;
    GLint framebuffer = 0;
    gl.glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);

    pollVREvents();
    if (VRDeviceContainer* devices = vrDevices()) {
        devices->update();
        hmdView = devices->hmdView;
        // The runtime locates the eyes every frame.
        projLeft = vrProjectionMatrix(mnxvr::Eye_Left, 0.1f, 100.0f);
        projRight = vrProjectionMatrix(mnxvr::Eye_Right, 0.1f, 100.0f);
        invertMatrix(vrEyeToHeadTransform(mnxvr::Eye_Left), eyeLeft);
        invertMatrix(vrEyeToHeadTransform(mnxvr::Eye_Right), eyeRight);
        if (VRController* controller = vrController()) controller->update();
    }

    gl.updatePanels();
    gl.update();

    if (vrSystem() != nullptr) {
        gl.glClearColor(0.3f, 0.3f, 0.4f, 1.0f);
        renderEyes();
    }

    // The background colour reaches the window through this clear alone: the widget does not auto-fill, since
    // Qt would then clear the finished frame whenever an overlay's painter begins.
    const KySettings* settings = kySettings();
    const QColor background = settings != nullptr ? settings->bgColor : QColor(Qt::black);
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(width() * ratio);
    const int h = static_cast<int>(height() * ratio);
    bindRenderTarget(static_cast<GLuint>(framebuffer), w, h);
    RenderState().apply();
    gl.glClearColor(static_cast<float>(background.redF()), static_cast<float>(background.greenF()),
                    static_cast<float>(background.blueF()), 0.0f);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    gl.drawDesktop(background, w, h);
    bindRenderTarget(static_cast<GLuint>(framebuffer), w, h);
    gl.drawDesktopToWidget(w, h);

    // Qt's painter draws the overlays over the finished frame and expects the context as GL starts it; a frame
    // without an overlay opens no painter and needs no reset.
    const bool message = settings != nullptr && !settings->messageText.isEmpty();
    if (m_debugDraw || message) {
        restoreDefaultRenderState();
        if (m_debugDraw) drawDebugOverlay();
        drawMessageText();
    }
    ++m_frameCount;
}

void TzOpenGLWidget::drawDebugOverlay() {
    const KySolution* solution = kySolution();
    const iFacialMoCap* receiver = solution != nullptr ? solution->receiver() : nullptr;
    if (receiver == nullptr || !receiver->isConnected()) return;
    // One copy under the receiver's lock, so every bar shows the same packet.
    const FaceFrame frame = receiver->LatestFrame();
    QPainter painter(this);
    QFont font(QStringLiteral("Consolas"));
    font.setPointSize(9);
    font.setWeight(75);
    painter.setFont(font);
    painter.setPen(QColor(32, 128, 172));
    static const std::vector<OverlayRow> rows = overlayRows();
    for (const OverlayRow& row : rows) {
        const QString name = QString::fromLatin1(row.name);
        const int index = FaceNameTable::indexOf(QStringRef(&name), true);
        const float value = index >= 0 && index < FaceFrame::kValueCount ? frame.values[size_t(index)] : 0.0f;
        painter.drawText(40, row.y, QString::asprintf("%s %.2f", row.name, static_cast<double>(value)));
        painter.fillRect(QRect(QPoint(240, row.y - 12), QPoint(240 + static_cast<int>(value * 200.0f), row.y)),
                         QColor(255, 102, 64));
    }
}

void TzOpenGLWidget::drawMessageText() {
    const KySettings* settings = kySettings();
    if (settings == nullptr || settings->messageText.isEmpty()) return;
    const QStringList lines = settings->messageText.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QPainter painter(this);
    QFont font = QApplication::font();
    font.setWeight(75);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    const int step = QFontMetrics(font).height() + dpiScaled(4);
    for (int i = 0; i < lines.size(); ++i) painter.drawText(40, (i + 2) * step, lines[i]);
}

void TzOpenGLWidget::keyPressEvent(QKeyEvent* event) {
    qDebug() << "TzOpenGLWidget::keyPressEvent";
    QOpenGLWidget::keyPressEvent(event);
}

void TzOpenGLWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::OtherFocusReason);
    QOpenGLWidget::mousePressEvent(event);
}
