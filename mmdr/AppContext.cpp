#include "mmdr/AppContext.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <glm/gtc/constants.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "app/base/KySettings.h"
#include "mmdr/Model.h"
#include "render/GLFunctions.h"
#include "render/RenderState.h"

AppContext::AppContext() : m_fov(glm::pi<float>() / 6.0f) {}

AppContext::~AppContext() {
    m_mmdShader.reset();
    m_mmdEdgeShader.reset();
    m_mmdEdgeFixedShader.reset();
    m_mmdGroundShadowShader.reset();
    m_shadowMap.reset();
    m_textures.Release();
}

bool AppContext::Setup() {
    m_mmdShader.reset();
    m_mmdEdgeShader.reset();
    m_mmdEdgeFixedShader.reset();
    m_mmdGroundShadowShader.reset();
    m_shadowMap.reset();

    const QString resource = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("resource"));
    m_resourceDir = resource.toStdString();
    m_toonDir = QDir(resource).filePath(QStringLiteral("toontex")).toStdString();
    m_poseDir = QDir(resource).filePath(QStringLiteral("pose")).toStdString();
    m_modelDir = QDir(resource).filePath(QStringLiteral("model")).toStdString();
    if (KySettings* settings = kySettings()) {
        settings->resourceDir = resource;
    }

    m_shadowMap = std::make_unique<ShadowMap>();
    if (!m_shadowMap->Setup() || !m_shadowMap->InitDepthFramebuffer(4096, 4096)) {
        qDebug() << "shadowmap Setup Fail.";
        return false;
    }

    m_mmdShader = std::make_unique<MmdShader>();
    if (!m_mmdShader->Setup()) return false;
    m_mmdEdgeShader = std::make_unique<MmdEdgeShader>();
    if (!m_mmdEdgeShader->Setup(true)) return false;
    m_mmdEdgeFixedShader = std::make_unique<MmdEdgeShader>();
    if (!m_mmdEdgeFixedShader->Setup(false)) return false;
    m_mmdGroundShadowShader = std::make_unique<MmdGroundShadowShader>();
    if (!m_mmdGroundShadowShader->Setup()) return false;

    m_textures.CreateDummyTextures();

    m_baseScale = glm::scale(glm::mat4(1.0f), glm::vec3(0.1f));
    m_baseViewOffset = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -2.0f));
    return true;
}

Texture AppContext::GetTexture(const std::string& path) { return m_textures.GetTexture(path); }

bool AppContext::RenderAccessories() {
    const KySettings* settings = kySettings();
    return settings == nullptr || settings->renderAcc;
}

const std::vector<mmdr::Model*>& AppContext::models(bool withAccessories) {
    m_visit.clear();
    if (withAccessories) m_visit.insert(m_visit.end(), m_accessories.begin(), m_accessories.end());
    if (m_mainModel != nullptr) m_visit.push_back(m_mainModel);
    return m_visit;
}

void AppContext::UpdateAnimation() {
    for (mmdr::Model* model : models(true)) model->UpdateAnimation(*this);
}

void AppContext::UpdateGpu() {
    for (mmdr::Model* model : models(true)) model->UpdateGpu(*this);
}

void AppContext::DrawShadowMap() {
    if (!m_shadowMap || m_shadowMap->GetFramebuffer() == 0) return;
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    // The map must keep the depth nearest to the light, whatever the previous pass (an overlay, a panel redraw,
    // nothing at all on the first frame) left switched on or off. Both faces cast.
    RenderState shadowPass;
    shadowPass.multisample = false;
    shadowPass.withDepth(GL_LESS).apply();
    bindRenderTarget(m_shadowMap->GetFramebuffer(), m_shadowMap->GetWidth(), m_shadowMap->GetHeight());
    gl->glClearDepth(1.0);
    gl->glClear(GL_DEPTH_BUFFER_BIT);
    for (mmdr::Model* model : models(RenderAccessories())) model->DrawShadowMap(*this);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    RenderState().apply();
}

void AppContext::Draw(bool variableEdge) {
    m_cameraPosition = glm::vec3(glm::inverse(m_viewMat)[3]);
    for (mmdr::Model* model : models(RenderAccessories())) model->Draw(*this, variableEdge);
}
