#include "mmdr/Model.h"

#include <QDebug>
#include <algorithm>
#include <cctype>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <glm/mat3x3.hpp>

#include "app/base/KySettings.h"
#include "app/base/SolutionSignals.h"
#include "face/BuildInternalMorphs.h"
#include "mmd/MMDMaterial.h"
#include "mmd/MMDModel.h"
#include "mmd/MMDSubMesh.h"
#include "mmd/PMXModel.h"
#include "mmd/VMDAnimation.h"
#include "mmdr/AppContext.h"
#include "render/GLFunctions.h"
#include "render/RenderState.h"
#include "render/UniformCache.h"
#include "vr/ExtarnalController.h"
#include "vmc/VmcCharacter.h"
#include "vmc/VmcReceiver.h"

namespace mmdr {
namespace {

// The settings this renderer reads each frame; the store's defaults when there is no store (tools, tests).
struct DrawSettings {
    float transBrow = 0.5f;
    glm::vec3 lightDir{-90.0f, -180.0f, -90.0f};
    glm::vec3 lightColor{0.6f, 0.6f, 0.6f};
    float edgeMul = 1.0f;
    float edgeBrightness = 0.0f;
    int noiseFilter = 10;
};

DrawSettings currentSettings() {
    DrawSettings s;
    if (const KySettings* settings = kySettings()) {
        s.transBrow = settings->transBrow;
        s.lightDir = glm::vec3(settings->lightDir.x, settings->lightDir.y, settings->lightDir.z);
        s.lightColor = glm::vec3(settings->lightColor.x, settings->lightColor.y, settings->lightColor.z);
        s.edgeMul = settings->edgeMul;
        s.edgeBrightness = settings->edgeBrightness;
        s.noiseFilter = settings->noiseFilter;
    }
    return s;
}

// Without contents the buffer is refilled every frame; with them it is filled once here.
GLuint createArrayBuffer(QOpenGLFunctions_4_1_Core* gl, size_t bytes, const void* contents = nullptr) {
    GLuint buffer = 0;
    gl->glGenBuffers(1, &buffer);
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), contents,
                     contents != nullptr ? GL_STATIC_DRAW : GL_DYNAMIC_DRAW);
    return buffer;
}

void attach(QOpenGLFunctions_4_1_Core* gl, GLint location, GLuint buffer, GLint components) {
    // A location the compiler removed is -1: nothing to feed.
    if (location < 0) return;
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE,
                              static_cast<GLsizei>(components * sizeof(float)), nullptr);
    gl->glEnableVertexAttribArray(static_cast<GLuint>(location));
}

void replaceContents(QOpenGLFunctions_4_1_Core* gl, GLuint buffer, size_t bytes, const void* data) {
    gl->glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl->glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), data);
}

const void* indexOffset(const mmd::MMDSubMesh& subMesh, size_t elementSize) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(subMesh.m_beginIndex) * elementSize);
}

// Binds the shadow map to texture unit 3 and returns the matrix from model space to its texture coordinates and
// biased depth (identity without a map).
glm::mat4 bindShadowMap(QOpenGLFunctions_4_1_Core* gl, const ShadowMap* shadow) {
    gl->glActiveTexture(GL_TEXTURE0 + 3);
    gl->glBindTexture(GL_TEXTURE_2D, shadow != nullptr ? shadow->GetShadowMapTexture() : 0);
    if (shadow == nullptr) return glm::mat4(1.0f);
    const glm::mat4 clipToTexture =
        glm::translate(glm::mat4(1.0f), glm::vec3(0.5f)) * glm::scale(glm::mat4(1.0f), glm::vec3(0.5f));
    const glm::mat4 bias = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, -shadow->GetBias()));
    return bias * clipToTexture * shadow->GetShadowProjectionMatrix() * shadow->GetShadowViewMatrix();
}

// The settings' light direction in view space, of unit length (zero when the setting is zero).
glm::vec3 viewLightDirection(const DrawSettings& settings, const glm::mat4& view) {
    const float lightLength = glm::length(settings.lightDir);
    const glm::vec3 lightDir = lightLength > 0.0f ? settings.lightDir / lightLength : glm::vec3(0.0f);
    // The eye views carry the 0.1 base scale; a direction must stay of unit length after the view transform or
    // the toon ramp, the shadow mix and the specular half vector all shrink with it.
    const glm::vec3 scaledLightDir = glm::mat3(view) * lightDir;
    const float viewLength = glm::length(scaledLightDir);
    const glm::vec3 viewLightDir = viewLength > 0.0f ? scaledLightDir / viewLength : glm::vec3(0.0f);
    return viewLightDir;
}

// Texture units 0 (colour), 1 (sphere) and 2 (toon) as the material pass last bound them, so that a texture
// shared by consecutive materials is bound once; a material without one of them gets the dummy.
class MaterialTextures {
public:
    MaterialTextures(QOpenGLFunctions_4_1_Core* gl, GLuint dummy) : m_gl(gl), m_dummy(dummy) {}
    void bind(int unit, GLuint texture) {
        if (texture == 0) texture = m_dummy;
        if (m_bound[unit] == texture) return;
        m_gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        m_gl->glBindTexture(GL_TEXTURE_2D, texture);
        m_bound[unit] = texture;
    }

private:
    QOpenGLFunctions_4_1_Core* m_gl;
    GLuint m_dummy;
    GLuint m_bound[3] = {~0u, ~0u, ~0u};
};

// The material's colours and its texture, sphere and toon modes, factors and textures.
void setMaterial(const MmdShader& shader, UniformCache& uniforms, MaterialTextures& textures,
                 const RenderMaterial& render, const mmd::MMDMaterial& material) {
    uniforms.set(shader.m_uAmbient, material.m_ambient);
    uniforms.set(shader.m_uDiffuse, glm::vec3(material.m_diffuse));
    uniforms.set(shader.m_uSpecular, material.m_specular);
    uniforms.set(shader.m_uSpecularPower, material.m_specularPower);
    uniforms.set(shader.m_uAlpha, material.m_diffuse.a);

    if (render.m_texture != 0) {
        uniforms.set(shader.m_uTexMode, render.m_textureHasAlpha ? 2 : 1);
        uniforms.set(shader.m_uTexMulFactor, material.m_textureMulFactor);
        uniforms.set(shader.m_uTexAddFactor, material.m_textureAddFactor);
    } else {
        uniforms.set(shader.m_uTexMode, 0);
    }
    textures.bind(0, render.m_texture);

    if (render.m_sphereTexture != 0) {
        const auto mode = material.m_sphereTextureMode;
        const int sphereMode = mode == mmd::MMDMaterial::SphereTextureMode::Mul   ? 1
                               : mode == mmd::MMDMaterial::SphereTextureMode::Add ? 2
                                                                                  : 0;
        uniforms.set(shader.m_uSphereTexMode, sphereMode);
        uniforms.set(shader.m_uSphereTexMulFactor, material.m_sphereTextureMulFactor);
        uniforms.set(shader.m_uSphereTexAddFactor, material.m_sphereTextureAddFactor);
    } else {
        uniforms.set(shader.m_uSphereTexMode, 0);
    }
    textures.bind(1, render.m_sphereTexture);

    if (render.m_toonTexture != 0) {
        uniforms.set(shader.m_uToonTexMulFactor, material.m_toonTextureMulFactor);
        uniforms.set(shader.m_uToonTexAddFactor, material.m_toonTextureAddFactor);
        uniforms.set(shader.m_uToonTexMode, 1);
    } else {
        uniforms.set(shader.m_uToonTexMode, 0);
    }
    textures.bind(2, render.m_toonTexture);
}

}  // namespace

bool IsTransBrowMaterial(const std::string& name) {
    static const std::string kTransBrow = "transbrow";
    const bool latin = name.size() == kTransBrow.size() &&
                       std::equal(name.begin(), name.end(), kTransBrow.begin(),
                                  [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return latin || name == "眉透過";
}

Model::Model(QObject* parent) : QObject(parent) {}

Model::~Model() {
    m_controller.reset();
    release();
}

// GL objects only: set-up runs after the controller was made and must keep it.
void Model::release() {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    if (gl == nullptr) return;
    const GLuint buffers[] = {m_posVBO, m_norVBO, m_uvVBO, m_edgeVBO, m_ibo};
    for (GLuint buffer : buffers) {
        if (buffer != 0) gl->glDeleteBuffers(1, &buffer);
    }
    const GLuint arrays[] = {m_mmdVAO, m_mmdEdgeVAO, m_mmdGroundShadowVAO, m_shadowVAO};
    for (GLuint array : arrays) {
        if (array != 0) gl->glDeleteVertexArrays(1, &array);
    }
    m_posVBO = m_norVBO = m_uvVBO = m_edgeVBO = m_ibo = 0;
    m_mmdVAO = m_mmdEdgeVAO = m_mmdGroundShadowVAO = m_shadowVAO = 0;
}

bool Model::Setup(AppContext& context) {
    if (!m_mmdModel) return false;
    const size_t elementSize = m_mmdModel->GetIndexElementSize();
    switch (elementSize) {
        case 1:
            m_indexType = GL_UNSIGNED_BYTE;
            break;
        case 2:
            m_indexType = GL_UNSIGNED_SHORT;
            break;
        case 4:
            m_indexType = GL_UNSIGNED_INT;
            break;
        default:
            return false;
    }
    if (!context.m_mmdShader || !context.m_mmdEdgeShader || !context.m_shadowMap || !context.m_mmdGroundShadowShader) {
        return false;
    }
    release();
    QOpenGLFunctions_4_1_Core* gl = glFunctions();

    const size_t vertexCount = m_mmdModel->GetVertexCount();
    m_posVBO = createArrayBuffer(gl, vertexCount * sizeof(glm::vec3));
    m_norVBO = createArrayBuffer(gl, vertexCount * sizeof(glm::vec3));
    // Edge scales never change, and UVs only while a UV morph applies or is undone (UpdateGpu refills them then).
    m_uvVBO = createArrayBuffer(gl, vertexCount * sizeof(glm::vec2), m_mmdModel->GetUpdateUVs());
    m_edgeVBO = createArrayBuffer(gl, vertexCount * sizeof(float), m_mmdModel->GetEdgeScales());

    gl->glGenBuffers(1, &m_ibo);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(elementSize * m_mmdModel->GetIndexCount()),
                     m_mmdModel->GetIndices(), GL_STATIC_DRAW);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    const MmdShader& main = *context.m_mmdShader;
    gl->glGenVertexArrays(1, &m_mmdVAO);
    gl->glBindVertexArray(m_mmdVAO);
    attach(gl, main.m_inPos, m_posVBO, 3);
    attach(gl, main.m_inNor, m_norVBO, 3);
    attach(gl, main.m_inUV, m_uvVBO, 2);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    gl->glBindVertexArray(0);

    // The fixed-width outline draws with this array too: both edge programs bind the same locations.
    const MmdEdgeShader& edge = *context.m_mmdEdgeShader;
    gl->glGenVertexArrays(1, &m_mmdEdgeVAO);
    gl->glBindVertexArray(m_mmdEdgeVAO);
    attach(gl, edge.m_inPos, m_posVBO, 3);
    attach(gl, edge.m_inNor, m_norVBO, 3);
    attach(gl, edge.m_inEdge, m_edgeVBO, 1);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    gl->glBindVertexArray(0);

    gl->glGenVertexArrays(1, &m_shadowVAO);
    gl->glBindVertexArray(m_shadowVAO);
    attach(gl, context.m_shadowMap->GetInPos(), m_posVBO, 3);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    gl->glBindVertexArray(0);

    gl->glGenVertexArrays(1, &m_mmdGroundShadowVAO);
    gl->glBindVertexArray(m_mmdGroundShadowVAO);
    attach(gl, context.m_mmdGroundShadowShader->m_inPos, m_posVBO, 3);
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibo);
    gl->glBindVertexArray(0);
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);

    const auto* pmx = dynamic_cast<const mmd::PMXModel*>(m_mmdModel.get());
    const mmd::MMDMaterial* materials = m_mmdModel->GetMaterials();
    m_materials.clear();
    m_materials.reserve(m_mmdModel->GetMaterialCount());
    for (size_t i = 0; i < m_mmdModel->GetMaterialCount(); ++i) {
        const mmd::MMDMaterial& source = materials[i];
        RenderMaterial material;
        if (pmx != nullptr && i < pmx->GetPMXMaterials().size()) material.m_name = pmx->GetPMXMaterials()[i].m_name;
        material.m_source = &source;
        material.m_transBrowWeight = IsTransBrowMaterial(material.m_name) ? 1.0f : 0.0f;
        if (!source.m_texture.empty()) {
            const Texture texture = context.GetTexture(source.m_texture);
            material.m_texture = texture.m_texture;
            material.m_textureHasAlpha = texture.m_hasAlpha;
        }
        if (!source.m_sphereTexture.empty()) {
            material.m_sphereTexture = context.GetTexture(source.m_sphereTexture).m_texture;
        }
        if (!source.m_toonTexture.empty()) {
            qDebug().noquote() << QString::fromStdString(source.m_toonTexture);
            material.m_toonTexture = context.GetTexture(source.m_toonTexture).m_texture;
            if (material.m_toonTexture != 0) {
                // The ramp is looked up at its very ends: it must not wrap round to the other end.
                gl->glBindTexture(GL_TEXTURE_2D, material.m_toonTexture);
                gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
                gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
                gl->glBindTexture(GL_TEXTURE_2D, 0);
            }
        }
        m_materials.push_back(material);
    }
    qDebug() << "MaterialCount" << m_mmdModel->GetMaterialCount() << m_materials.size();
    return true;
}

void Model::CreateController() {
    if (!m_mmdModel) return;
    const InternalMorphData morphs = BuildInternalMorphs(m_mmdModel);
    m_controller = std::make_unique<ExtarnalController>();
    m_controller->useEyeAdjust = morphs.useEyeAdjust;
    m_controller->useBrowAdjust = morphs.useBrowAdjust;
    m_controller->SetupController(m_mmdModel);
    m_vmc = std::make_unique<vmc::VmcCharacter>(m_mmdModel, m_controller.get());
    if (QObject* solution = solutionSignals()) {
        connectByName(solution, "emitLook()", m_controller.get(), "onLookForward()");
    }
    if (KySettings* settings = kySettings()) {
        connect(settings, &KySettings::modelLoaded, m_controller.get(), &ExtarnalController::onModelSettingChanged);
        connect(settings, &KySettings::modelSenceChanged, m_controller.get(),
                &ExtarnalController::onModelSettingChanged);
    }
}

bool Model::controllerActive() const { return m_controller && m_controller->isReady(); }

void Model::UpdateAnimation(AppContext& context) {
    if (!m_mmdModel) return;
    mmd::MMDModel& model = *m_mmdModel;
    model.BeginAnimation();
    mmd::VMDAnimation* motion = m_vmdAnims.empty() ? nullptr : m_vmdAnims.front().get();
    float frame = 0.0f;
    if (motion != nullptr) {
        frame = static_cast<float>(context.m_motionClock ? motion->GetCurrentFrame(*context.m_motionClock)
                                                         : motion->GetCurrentFrame());
        motion->EvaluateMorph(frame, 1.0f);
        motion->Evaluate(frame, 1.0f);
    }
    const bool active = controllerActive();
    if (active) m_controller->UpdateBeforeModel();
    if (m_vmc) m_vmc->UpdateBeforeModel(vmc::steadyMs());
    if (motion != nullptr) motion->EvaluateIK(frame, 1.0f);
    model.UpdateMorphAnimation();
    model.UpdateNodeAnimation(false);
    if (context.m_physicsEnabled) model.UpdatePhysicsAnimation(context.m_elapsed);
    if (active && currentSettings().noiseFilter >= 1) {
        m_controller->UpdateNoiseFilter();
        model.UpdateNodeAnimation(false);
    } else {
        // Without the controller the bones after physics still need their pass, or they would stay unposed.
        model.UpdateNodeAnimation(true);
    }
    model.EndAnimation();
    if (active) m_controller->UpdateFrameEnd();
    if (m_vmc) m_vmc->SendAfterModel(static_cast<float>(vmc::steadyMs() % 86400000) * 0.001f);
}

void Model::UpdateGpu(AppContext&) {
    if (!m_mmdModel || m_posVBO == 0) return;
    m_mmdModel->Update();
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const size_t count = m_mmdModel->GetVertexCount();
    replaceContents(gl, m_posVBO, count * sizeof(glm::vec3), m_mmdModel->GetUpdatePositions());
    replaceContents(gl, m_norVBO, count * sizeof(glm::vec3), m_mmdModel->GetUpdateNormals());
    const auto* pmx = dynamic_cast<const mmd::PMXModel*>(m_mmdModel.get());
    if (pmx == nullptr || pmx->UpdateUVsChanged()) {
        replaceContents(gl, m_uvVBO, count * sizeof(glm::vec2), m_mmdModel->GetUpdateUVs());
    }
    gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void Model::DrawShadowMap(AppContext& context) {
    if (!m_mmdModel || m_shadowVAO == 0 || !context.m_shadowMap) return;
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    ShadowMap& shadow = *context.m_shadowMap;
    shadow.CalcShadowMap(currentSettings().lightDir);
    const glm::mat4 wvp = shadow.GetShadowProjectionMatrix() * shadow.GetShadowViewMatrix();
    gl->glUseProgram(shadow.GetProgram());
    gl->glUniformMatrix4fv(shadow.GetWVP(), 1, GL_FALSE, glm::value_ptr(wvp));
    const size_t elementSize = m_mmdModel->GetIndexElementSize();
    const mmd::MMDSubMesh* subMeshes = m_mmdModel->GetSubMeshes();
    const mmd::MMDMaterial* materials = m_mmdModel->GetMaterials();
    gl->glBindVertexArray(m_shadowVAO);
    for (size_t i = 0; i < m_mmdModel->GetSubMeshCount(); ++i) {
        const mmd::MMDSubMesh& subMesh = subMeshes[i];
        if (!materials[subMesh.m_materialID].m_shadowCaster) continue;
        gl->glDrawElements(GL_TRIANGLES, subMesh.m_vertexCount, m_indexType, indexOffset(subMesh, elementSize));
    }
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
}

// What the passes of one Draw share: the settings read once, the transforms and the GL state last applied.
struct Model::DrawPass {
    DrawSettings settings;
    glm::mat4 wv{1.0f};
    glm::mat4 wvp{1.0f};
    // The state every pass starts from, and the one set now: a pass changes only what differs.
    RenderState base;
    RenderState applied;

    void use(const RenderState& state) {
        if (state == applied) return;
        state.apply();
        applied = state;
    }
};

void Model::Draw(AppContext& context, bool variableEdge) {
    if (!m_mmdModel || m_mmdVAO == 0 || !context.m_mmdShader) return;
    DrawPass pass;
    pass.settings = currentSettings();
    // The model stays at the world origin: world-view is the view.
    pass.wv = context.m_viewMat;
    pass.wvp = context.m_projMat * context.m_viewMat;
    // The whole pass state is set here: the caller's (or a previous overlay's) state must not leak in.
    pass.base.frontFace = GL_CCW;
    pass.base = pass.base.withDepth(GL_LEQUAL).withBlending(true);
    pass.applied = pass.base;
    pass.applied.apply();

    DrawMaterialPass(context, pass);
    DrawEdgePass(context, pass, variableEdge);
    // Back to the initial state (depth function less-than, no culling, no blending) that Qt's painter and the
    // next pass start from.
    RenderState().apply();
}

void Model::DrawMaterialPass(AppContext& context, DrawPass& pass) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const MmdShader& shader = *context.m_mmdShader;
    const glm::mat4 lightWVP = bindShadowMap(gl, context.m_shadowMap.get());
    const glm::vec3 viewLightDir = viewLightDirection(pass.settings, context.m_viewMat);
    const size_t elementSize = m_mmdModel->GetIndexElementSize();
    const mmd::MMDSubMesh* subMeshes = m_mmdModel->GetSubMeshes();
    const mmd::MMDMaterial* materials = m_mmdModel->GetMaterials();

    // What stays the same for every sub-mesh is sent once; the material's values only when they differ from the
    // previous sub-mesh's (the program is shared by every model, so nothing is assumed from an earlier draw).
    gl->glUseProgram(shader.m_prog);
    gl->glBindVertexArray(m_mmdVAO);
    gl->glUniformMatrix4fv(shader.m_uWV, 1, GL_FALSE, glm::value_ptr(pass.wv));
    gl->glUniformMatrix4fv(shader.m_uWVP, 1, GL_FALSE, glm::value_ptr(pass.wvp));
    gl->glUniform3fv(shader.m_uCameraPosition, 1, glm::value_ptr(context.m_cameraPosition));
    gl->glUniform3fv(shader.m_uLightDir, 1, glm::value_ptr(viewLightDir));
    gl->glUniform3fv(shader.m_uLightColor, 1, glm::value_ptr(pass.settings.lightColor));
    gl->glUniformMatrix4fv(shader.m_uLightWVP, 1, GL_FALSE, glm::value_ptr(lightWVP));
    gl->glUniform1i(shader.m_uTex, 0);
    gl->glUniform1i(shader.m_uSphereTex, 1);
    gl->glUniform1i(shader.m_uToonTex, 2);
    gl->glUniform1i(shader.m_uShadowMap, 3);
    UniformCache uniforms(gl);
    MaterialTextures textures(gl, context.m_textures.DummyColorTexture());

    for (size_t i = 0; i < m_mmdModel->GetSubMeshCount(); ++i) {
        const mmd::MMDSubMesh& subMesh = subMeshes[i];
        const RenderMaterial& render = m_materials[size_t(subMesh.m_materialID)];
        const mmd::MMDMaterial& material = materials[subMesh.m_materialID];
        if (material.m_diffuse.a == 0.0f) continue;
        uniforms.set(shader.m_uTransBrow, render.m_transBrowWeight * pass.settings.transBrow * 0.25f);
        setMaterial(shader, uniforms, textures, render, material);
        pass.use(pass.base.withCulling(material.m_bothFace ? GL_NONE : GL_BACK));
        uniforms.set(shader.m_uShadowMapEnabled, material.m_shadowReceiver ? 1 : 0);
        gl->glDrawElements(GL_TRIANGLES, subMesh.m_vertexCount, m_indexType, indexOffset(subMesh, elementSize));
    }
    for (int unit : {3, 2, 1, 0}) {
        gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
        gl->glBindTexture(GL_TEXTURE_2D, 0);
    }
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
}

void Model::DrawEdgePass(AppContext& context, DrawPass& pass, bool variableEdge) {
    const MmdEdgeShader* edge = variableEdge ? context.m_mmdEdgeShader.get() : context.m_mmdEdgeFixedShader.get();
    if (edge == nullptr || edge->m_prog == 0) return;
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const glm::vec2 screenSize(static_cast<float>(context.m_screenWidth), static_cast<float>(context.m_screenHeight));
    const size_t elementSize = m_mmdModel->GetIndexElementSize();
    const mmd::MMDSubMesh* subMeshes = m_mmdModel->GetSubMeshes();
    const mmd::MMDMaterial* materials = m_mmdModel->GetMaterials();

    gl->glUseProgram(edge->m_prog);
    gl->glBindVertexArray(m_mmdEdgeVAO);
    gl->glUniformMatrix4fv(edge->m_uWV, 1, GL_FALSE, glm::value_ptr(pass.wv));
    gl->glUniformMatrix4fv(edge->m_uWVP, 1, GL_FALSE, glm::value_ptr(pass.wvp));
    gl->glUniform2fv(edge->m_uScreenSize, 1, glm::value_ptr(screenSize));
    gl->glUniform1f(edge->m_uBrightness, pass.settings.edgeBrightness);
    UniformCache uniforms(gl);
    for (size_t i = 0; i < m_mmdModel->GetSubMeshCount(); ++i) {
        const mmd::MMDSubMesh& subMesh = subMeshes[i];
        const mmd::MMDMaterial& material = materials[subMesh.m_materialID];
        if (material.m_edgeFlag == 0 || material.m_diffuse.a == 0.0f) continue;
        uniforms.set(edge->m_uEdgeSize, material.m_edgeSize * pass.settings.edgeMul);
        uniforms.set(edge->m_uEdgeColor, material.m_edgeColor);
        // The hull's front faces are culled, so only the rim pushed out behind the model shows.
        pass.use(pass.base.withCulling(GL_FRONT));
        gl->glDrawElements(GL_TRIANGLES, subMesh.m_vertexCount, m_indexType, indexOffset(subMesh, elementSize));
    }
    gl->glBindVertexArray(0);
    gl->glUseProgram(0);
}

}  // namespace mmdr
