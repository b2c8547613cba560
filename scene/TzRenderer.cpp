#include "scene/TzRenderer.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QOpenGLFramebufferObject>
#include <QOpenGLWidget>
#include <glm/gtc/matrix_transform.hpp>
#include <initializer_list>
#include <utility>

#include "app/base/KySettings.h"
#include "mmd/MMDNode.h"
#include "mmd/MMDPhysics.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmd/VMDFile.h"
#include "mmd/VPDFile.h"
#include "mmdr/Model.h"
#include "render/GLFunctions.h"
#include "render/GLTextMessageSurface.h"
#include "render/RenderState.h"
#include "render/SimpleText.h"

namespace {

TzRenderer* g_renderer = nullptr;

QString resourcePath(const AppContext& context, const QString& relative) {
    return QDir(QString::fromStdString(context.m_resourceDir)).filePath(relative);
}

bool fileExists(const QString& path) { return QFileInfo(path).isFile(); }

}  // namespace

TzRenderer* tzRenderer() { return g_renderer; }

TzRenderer::TzRenderer() : m_appContext(std::make_unique<AppContext>()) {
    g_renderer = this;
    setGlFunctions(this);
}

TzRenderer::~TzRenderer() {
    // Models and programs hold GL objects of the owner's context.
    makeCurrent();
    m_appContext->m_mainModel = nullptr;
    m_appContext->m_accessories.clear();
    m_ownedMain.reset();
    m_ownedAccessories.clear();
    m_vrMeshProgram.reset();
    m_sysMeshProgram.reset();
    m_quadProgram.reset();
    m_text.reset();
    m_messageSurface.reset();
    m_textPanel.reset();
    m_secondPanel.destroy();
    m_sideBySide.destroy();
    m_desktopResolved.destroy();
    m_quads[0].destroy();
    m_quads[1].destroy();
    m_leftEye.reset();
    m_rightEye.reset();
    m_desktop.reset();
    m_appContext.reset();
    doneCurrent();
    if (glFunctions() == this) setGlFunctions(nullptr);
    if (g_renderer == this) g_renderer = nullptr;
}

void TzRenderer::makeCurrent() {
    if (m_owner != nullptr) m_owner->makeCurrent();
}

void TzRenderer::doneCurrent() {
    if (m_owner != nullptr) m_owner->doneCurrent();
}

void TzRenderer::setViewportSize(int width, int height) {
    m_width = width;
    m_height = height;
    m_appContext->m_screenWidth = width;
    m_appContext->m_screenHeight = height;
}

void TzRenderer::initialize(int width, int height, QOpenGLWidget* owner) {
    initializeOpenGLFunctions();
    setGlFunctions(this);
    m_owner = owner;
    setViewportSize(width, height);
    if (m_appContext->Setup()) {
        qDebug() << "setup AppContext [OK].";
    } else {
        qDebug() << "Failed to setup AppContext.";
    }
    initShader();
    initVBO();
    m_text = std::make_unique<SimpleText>();
    m_text->SetForegroundColor(0, 0, 0, 127);
    m_text->SetBackgroundColor(0, 0, 0, 0);
    m_text->EnableBlending(true);
    m_messageSurface = std::make_unique<GLTextMessageSurface>(QSize(1024, 256));
}

void TzRenderer::createVRTargets(int eyeWidth, int eyeHeight) {
    initVRShaders();
    if (m_leftEye) return;
    QOpenGLFramebufferObjectFormat eyeFormat;
    eyeFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    eyeFormat.setSamples(4);
    const QSize eye(std::max(eyeWidth, 1), std::max(eyeHeight, 1));
    m_leftEye = std::make_unique<QOpenGLFramebufferObject>(eye, eyeFormat);
    m_rightEye = std::make_unique<QOpenGLFramebufferObject>(eye, eyeFormat);
    const bool sideBySide = m_sideBySide.create(2 * eye.width(), eye.height());
    m_textPanel = std::make_unique<TextPanel>();
    const bool panels = m_textPanel->texture() != 0 && m_secondPanel.create(TextPanel::kSize, TextPanel::kSize);
    if (panels) {
        // Nothing draws into the second panel yet, but the VR room shows it: it must show nothing rather than
        // whatever the driver left in new memory.
        m_secondPanel.bind();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_secondPanel.release();
    }
    if (m_leftEye->isValid() && m_rightEye->isValid() && sideBySide && panels) {
        qDebug() << "initFrameBuffer\t[ OK ]";
    } else {
        qWarning() << "initFrameBuffer failed";
    }
}

void TzRenderer::initVBO() {
    bool created = true;
    for (TexturedQuad& quad : m_quads) created = quad.create(m_quadProgram.get()) && created;
    if (created) qDebug() << "initVBO\t[ OK ]";
}

void TzRenderer::resizeDesktopTarget(int width, int height) {
    if (width < 1 || height < 1) return;
    m_desktopWidth = width;
    m_desktopHeight = height;
}

void TzRenderer::ensureDesktopTarget() {
    if (m_desktopWidth < 1 || m_desktopHeight < 1) return;
    if (m_desktop && m_desktop->width() == m_desktopWidth && m_desktop->height() == m_desktopHeight) return;
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    format.setSamples(4);
    m_desktop = std::make_unique<QOpenGLFramebufferObject>(m_desktopWidth, m_desktopHeight, format);
    m_desktopResolved.create(m_desktopWidth, m_desktopHeight);
}

void TzRenderer::desktopCamera(float aspect, glm::mat4& view, glm::mat4& projection) {
    const KySettings* settings = kySettings();
    const Vector3 lookCam = settings != nullptr ? settings->lookCam : Vector3{0.0f, 0.0f, 16.0f};
    const float headY = settings != nullptr ? settings->headPos.y : 16.0f;
    const float theta = glm::radians(lookCam.x * 5.0f);
    const glm::vec3 offset =
        glm::mat3(glm::rotate(glm::mat4(1.0f), theta, glm::vec3(0, 1, 0))) * glm::vec3(0.0f, lookCam.y, lookCam.z);
    const float h = 1.125f * headY;
    const glm::vec3 eye(offset.x, offset.y + h, offset.z);
    const glm::vec3 centre(0.0f, h + lookCam.y, 0.0f);
    view = glm::lookAt(eye, centre, glm::vec3(0.0f, 1.0f, 0.0f));
    projection = glm::perspective(glm::radians(30.0f), aspect, 1.0f, 500.0f);
}

void TzRenderer::drawDesktop(const QColor& background, int viewportWidth, int viewportHeight) {
    if (viewportWidth < 1 || viewportHeight < 1) return;
    ensureDesktopTarget();
    if (!m_desktop) return;
    AppContext& context = *m_appContext;
    desktopCamera(static_cast<float>(viewportWidth) / static_cast<float>(viewportHeight), context.m_viewMat,
                  context.m_projMat);
    context.m_screenWidth = m_desktop->width();
    context.m_screenHeight = m_desktop->height();
    bindRenderTarget(m_desktop->handle(), m_desktop->width(), m_desktop->height());
    RenderState().withDepth(GL_LESS).apply();
    glClearColor(background.redF(), background.greenF(), background.blueF(), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    if (m_sceneReady) context.Draw(false);
    // Resolve the samples into the texture the widget shows.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_desktop->handle());
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_desktopResolved.framebuffer());
    glBlitFramebuffer(0, 0, m_desktop->width(), m_desktop->height(), 0, 0, m_desktopResolved.width(),
                      m_desktopResolved.height(), GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void TzRenderer::drawEyeView(const glm::mat4& eyeView, const glm::mat4& eyeProjection, int viewportWidth,
                             int viewportHeight) {
    AppContext& context = *m_appContext;
    // Same winding as the desktop view: the model's triangles face the viewer counter-clockwise.
    glFrontFace(GL_CCW);
    context.m_screenWidth = viewportWidth;
    context.m_screenHeight = viewportHeight;
    context.m_viewMat = eyeView * context.m_baseViewOffset * context.m_baseScale;
    context.m_projMat = eyeProjection;
    if (m_sceneReady) context.Draw(true);
}

void TzRenderer::drawDesktopToWidget(int viewportWidth, int viewportHeight) {
    if (m_desktopResolved.texture() == 0) return;
    m_quads[0].drawTexturedQuad(viewportWidth, viewportHeight, viewportWidth, viewportHeight,
                                m_desktopResolved.texture());
}

void TzRenderer::updatePanels() {
    if (m_text && m_textPanel && !TextPanel::isDrawn()) m_textPanel->draw(*m_text);
    if (m_messageSurface) {
        m_messageSurface->setTitle(QStringLiteral("【ナビゲーター】"));
        m_messageSurface->render();
    }
}

namespace {

std::unique_ptr<TzOpenGLShaderProgram> linkProgram(const char* vertex, const char* fragment,
                                                   std::initializer_list<std::pair<const char*, int>> attributes) {
    auto program = std::make_unique<TzOpenGLShaderProgram>();
    program->addVertexShaderFile(QString::fromLatin1(vertex));
    program->addFragmentShaderFile(QString::fromLatin1(fragment));
    for (const auto& [name, location] : attributes) program->bindAttributeLocation(name, location);
    // Drawing with an unlinked program only shows nothing, so a failure is reported but does not stop start-up.
    if (!program->link()) qWarning().noquote() << "failed link shader" << vertex << program->log();
    return program;
}

}  // namespace

void TzRenderer::initShader() {
    m_quadProgram = linkProgram(":/glsl/resources/glsl/2d_vert.glsl", ":/glsl/resources/glsl/2d_frag.glsl",
                                {{"vertex", 0}, {"color", 1}, {"texcoord", 2}});
    // The body controller's markers are system meshes too, made with every model, headset or not.
    m_sysMeshProgram = linkProgram(":/glsl/resources/glsl/sysmesh_vert.glsl", ":/glsl/resources/glsl/sysmesh_frag.glsl",
                                   {{"vertex", 0}, {"texcoord", 1}});
    qDebug() << "initShader\t[ OK ]";
}

void TzRenderer::initVRShaders() {
    if (m_vrMeshProgram) return;
    m_vrMeshProgram = linkProgram(":/glsl/resources/glsl/vrmesh_vert.glsl", ":/glsl/resources/glsl/vrmesh_frag.glsl",
                                  {{"vertex", 0}, {"normal", 1}, {"texcoord", 2}});
}

void TzRenderer::update() {
    if (!m_sceneReady) return;
    const auto now = std::chrono::steady_clock::now();
    AppContext& context = *m_appContext;
    if (!m_clockStarted || context.m_accumulated > 1.0f) {
        // A long pause (or the first frame) must not hand physics a huge step.
        m_previous = now;
        context.m_elapsed = 0.0f;
        context.m_accumulated = 0.0f;
        m_clockStarted = true;
    }
    context.m_elapsed = std::chrono::duration<float>(now - m_previous).count();
    m_previous = now;
    context.m_accumulated += context.m_elapsed;

    context.UpdateAnimation();
    context.UpdateGpu();
    context.DrawShadowMap();
}

std::shared_ptr<mmd::PMXModel> TzRenderer::loadPmx(const QString& path) const {
    auto pmx = std::make_shared<mmd::PMXModel>();
    if (!pmx->Load(path.toStdString(), m_appContext->m_toonDir)) {
        qDebug().noquote() << "Failed to load pmx file." << path;
        return nullptr;
    }
    qDebug().noquote() << "loaded." << path;
    return pmx;
}

bool TzRenderer::loadModel(const QString& path) {
    m_sceneReady = false;
    makeCurrent();
    AppContext& context = *m_appContext;
    const std::shared_ptr<mmd::PMXModel> pmx = loadPmx(path);
    if (!pmx) return false;
    auto model = std::make_unique<mmdr::Model>();
    model->m_mmdModel = pmx;

    KySettings* settings = kySettings();
    mmd::MMDModel::MMDNodeManager* nodes = pmx->GetNodeManager();
    for (size_t i = 0; i < nodes->GetNodeCount(); ++i) {
        const mmd::MMDNode* node = nodes->GetNode(i);
        if (node->GetName() != "頭" || settings == nullptr) continue;
        const glm::vec3 rest(glm::inverse(node->GetInverseInitTransform())[3]);
        settings->headPos = Vector3{rest.x, rest.y, rest.z};
    }

    const float gravityPower = settings != nullptr ? settings->gravityPower : 3.0f;
    if (mmd::MMDPhysics* physics = pmx->GetMMDPhysics()) physics->SetGravity(0.0f, -9.8f * gravityPower, 0.0f);
    model->CreateController();
    pmx->InitializeAnimation();

    auto animation = std::make_shared<mmd::VMDAnimation>();
    if (!animation->Create(pmx)) {
        qDebug() << "Failed to create VMDAnimation.\n";
        return false;
    }

    if (settings != nullptr) {
        settings->modelName = QFileInfo(path).completeBaseName();
        settings->loadModelSettings();
    }
    // The per-model settings just loaded name the pose set.
    const QString poseSet = settings != nullptr ? settings->poseSet : QStringLiteral("default");
    QString motionPath = resourcePath(context, "pose/" + poseSet + "/stand.vmd");
    if (!fileExists(motionPath)) motionPath = resourcePath(context, QStringLiteral("pose/default/stand.vmd"));

    mmd::VMDFileData vmd;
    if (!mmd::ReadVMDFile(vmd, motionPath.toStdString())) {
        qDebug() << "Failed to read VMD file.\n";
        return false;
    }
    if (!animation->Add(vmd)) {
        qDebug() << "Failed to add VMDAnimation.\n";
        return false;
    }
    animation->Start();
    animation->SetLoop(true);
    qDebug() << "GetMaxKeyTime:" << animation->GetMaxKeyTime();

    if (!model->Setup(context)) {
        qDebug() << "setup failed.";
        model.reset();
    } else {
        qDebug() << "setup [OK].";
        model->m_vmdAnims.push_back(animation);
    }
    context.m_mainModel = model.get();
    m_ownedMain = std::move(model);
    m_sceneReady = true;
    doneCurrent();
    return context.m_mainModel != nullptr;
}

void TzRenderer::loadAccessory(const QString& path) {
    makeCurrent();
    AppContext& context = *m_appContext;
    const std::shared_ptr<mmd::PMXModel> pmx = loadPmx(path);
    if (!pmx) {
        doneCurrent();
        return;
    }
    auto model = std::make_unique<mmdr::Model>();
    model->m_mmdModel = pmx;
    if (!model->Setup(context)) {
        qDebug() << "setup failed.";
        doneCurrent();
        return;
    }
    qDebug() << "setup [OK].";
    pmx->InitializeAnimation();

    const QFileInfo info(QDir::fromNativeSeparators(path));
    const QString stem = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    const QString posePath = stem + ".vpd";
    if (QFileInfo(posePath).isFile()) {
        mmd::VPDFileData vpd;
        if (mmd::ReadVPDFile(vpd, posePath.toStdString())) pmx->LoadPose(vpd);
    } else {
        const QString motionPath = stem + ".vmd";
        if (!QFileInfo(motionPath).isFile()) {
            qDebug().noquote() << "vmdFileName" << motionPath;
        } else {
            mmd::VMDFileData vmd;
            auto animation = std::make_shared<mmd::VMDAnimation>();
            if (!mmd::ReadVMDFile(vmd, motionPath.toStdString()) || !animation->Create(pmx) || !animation->Add(vmd)) {
                doneCurrent();
                return;
            }
            animation->Start();
            animation->SetLoop(true);
            model->m_vmdAnims.push_back(animation);
            qDebug().noquote() << "vmdFileName" << motionPath;
        }
    }
    context.m_accessories.push_back(model.get());
    m_ownedAccessories.push_back(std::move(model));
    doneCurrent();
}
