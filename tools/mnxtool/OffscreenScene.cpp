#include "tools/mnxtool/OffscreenScene.h"

#include <QFileInfo>
#include <QSurfaceFormat>
#include <algorithm>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "mmd/VPDFile.h"
#include "mmdr/Model.h"
#include "scene/TzRenderer.h"

namespace {

constexpr float kStepSeconds = 1.0f / 30.0f;
constexpr float kFieldOfView = glm::radians(30.0f);

}  // namespace

OffscreenScene::OffscreenScene() = default;

OffscreenScene::~OffscreenScene() {
    if (m_context) m_context->makeCurrent(m_surface.get());
    if (m_renderer) {
        m_renderer->appContext()->m_mainModel = nullptr;
    }
    m_model.reset();
    m_target.reset();
    m_renderer.reset();
    if (m_context) m_context->doneCurrent();
}

bool OffscreenScene::createContext(int width, int height, QString* error) {
    QSurfaceFormat format;
    format.setVersion(4, 1);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(format);
    m_surface = std::make_unique<QOffscreenSurface>();
    m_surface->setFormat(format);
    m_surface->create();
    const QSurfaceFormat granted = m_context->create() ? m_context->format() : QSurfaceFormat();
    const bool core41 = granted.profile() == QSurfaceFormat::CoreProfile &&
                        std::make_pair(granted.majorVersion(), granted.minorVersion()) >= std::make_pair(4, 1);
    if (!core41 || !m_surface->isValid() || !m_context->makeCurrent(m_surface.get())) {
        *error = QStringLiteral("no OpenGL 4.1 core context");
        return false;
    }
    m_width = width;
    m_height = height;
    m_renderer = std::make_unique<TzRenderer>();
    m_renderer->initialize(width, height, nullptr);
    QOpenGLFramebufferObjectFormat targetFormat;
    targetFormat.setAttachment(QOpenGLFramebufferObject::Depth);
    targetFormat.setSamples(4);
    m_target = std::make_unique<QOpenGLFramebufferObject>(width, height, targetFormat);
    if (!m_target->isValid()) {
        *error = QStringLiteral("cannot create a %1x%2 framebuffer").arg(width).arg(height);
        return false;
    }
    return true;
}

bool OffscreenScene::loadModel(const QString& modelPath, const QString& motionPath, double seconds,
                               const QString& posePath, QString* error) {
    AppContext& context = *m_renderer->appContext();
    auto pmx = std::make_shared<mmd::PMXModel>();
    if (!pmx->Load(modelPath.toStdString(), context.m_toonDir)) {
        *error = QStringLiteral("cannot load the model %1").arg(modelPath);
        return false;
    }
    pmx->InitializeAnimation();
    m_model = std::make_unique<mmdr::Model>();
    m_model->m_mmdModel = pmx;
    if (!motionPath.isEmpty()) {
        mmd::VMDFileData vmd;
        auto animation = std::make_shared<mmd::VMDAnimation>();
        if (!mmd::ReadVMDFile(vmd, motionPath.toStdString()) || !animation->Create(pmx) || !animation->Add(vmd)) {
            *error = QStringLiteral("cannot play the motion %1").arg(motionPath);
            return false;
        }
        // Started at 0 on the scene's own clock, which stays at `seconds`: every frame evaluates the same time.
        animation->Start(0.0);
        m_model->m_vmdAnims.push_back(animation);
    }
    context.m_motionClock = seconds;
    if (!posePath.isEmpty()) {
        mmd::VPDFileData vpd;
        if (!mmd::ReadVPDFile(vpd, posePath.toStdString())) {
            *error = QStringLiteral("cannot read the pose %1").arg(posePath);
            return false;
        }
        pmx->LoadPose(vpd);
    }
    if (!m_model->Setup(context)) {
        *error = QStringLiteral("cannot set the model up for drawing");
        return false;
    }
    context.m_mainModel = m_model.get();
    m_renderer->setSceneReady(true);
    return true;
}

void OffscreenScene::settle(int frames) {
    AppContext& context = *m_renderer->appContext();
    context.m_elapsed = kStepSeconds;
    for (int i = 0; i < frames; ++i) context.UpdateAnimation();
}

void OffscreenScene::setPhysics(bool on) { m_renderer->appContext()->m_physicsEnabled = on; }

void OffscreenScene::frameCamera(Camera camera) {
    AppContext& context = *m_renderer->appContext();
    const glm::vec3 centre = (m_boundsMin + m_boundsMax) * 0.5f;
    const glm::vec3 extent = m_boundsMax - m_boundsMin;
    const float aspect = static_cast<float>(m_width) / static_cast<float>(std::max(m_height, 1));
    // Far enough that the taller of the figure's height and (aspect-corrected) width fills 90 % of the frame.
    const float span = std::max({extent.y, extent.x / aspect, extent.z / aspect, 1.0f}) / 0.9f;
    const float distance = span * 0.5f / std::tan(kFieldOfView * 0.5f) + std::max(extent.x, extent.z) * 0.5f;
    // The runtime frame faces +Z: the front view looks back along -Z.
    glm::vec3 direction(0.0f, 0.0f, 1.0f);
    if (camera == Camera::Left) direction = glm::vec3(1.0f, 0.0f, 0.0f);
    if (camera == Camera::Back) direction = glm::vec3(0.0f, 0.0f, -1.0f);
    context.m_viewMat = glm::lookAt(centre + direction * distance, centre, glm::vec3(0.0f, 1.0f, 0.0f));
    context.m_projMat = glm::perspective(kFieldOfView, aspect, 0.5f, distance * 4.0f);
}

void OffscreenScene::renderFrame(Camera camera, const QColor& background) {
    AppContext& context = *m_renderer->appContext();
    context.m_elapsed = kStepSeconds;
    context.UpdateAnimation();
    context.UpdateGpu();

    const mmd::MMDModel& model = *m_model->m_mmdModel;
    const glm::vec3* positions = model.GetUpdatePositions();
    m_boundsMin = glm::vec3(1e30f);
    m_boundsMax = glm::vec3(-1e30f);
    for (size_t i = 0; i < model.GetVertexCount(); ++i) {
        m_boundsMin = glm::min(m_boundsMin, positions[i]);
        m_boundsMax = glm::max(m_boundsMax, positions[i]);
    }
    if (model.GetVertexCount() == 0) m_boundsMin = m_boundsMax = glm::vec3(0.0f);
    frameCamera(camera);

    context.DrawShadowMap();
    QOpenGLFunctions_4_1_Core& gl = *m_renderer;
    m_target->bind();
    gl.glViewport(0, 0, m_width, m_height);
    gl.glClearColor(background.redF(), background.greenF(), background.blueF(), 1.0f);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl.glEnable(GL_DEPTH_TEST);
    gl.glFrontFace(GL_CCW);
    context.Draw(false);
    gl.glFinish();
    m_target->release();
}

QImage OffscreenScene::image() { return m_target->toImage(true).convertToFormat(QImage::Format_RGB32); }
