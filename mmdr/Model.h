#pragma once

#include <QObject>
#include <QOpenGLFunctions_4_1_Core>
#include <memory>
#include <vector>

#include "mmdr/RenderMaterial.h"

class AppContext;
class ExtarnalController;

namespace vmc {
class VmcCharacter;
}  // namespace vmc

namespace mmd {
class MMDModel;
class VMDAnimation;
}  // namespace mmd

namespace mmdr {

// One drawable model: the runtime model, its GPU buffers and vertex arrays, a render material per material, its
// motions (the first one plays) and the body controller. GL objects are created by Setup and deleted with the
// model, so destroy it with the GL context current.
class Model : public QObject {
    Q_OBJECT
public:
    explicit Model(QObject* parent = nullptr);
    ~Model() override;

    // Buffers, vertex arrays and render materials; false without a runtime model or with an index size other
    // than 1, 2 or 4 bytes.
    bool Setup(AppContext& context);
    // The body controller bound to this model, with its connections to the orchestrator and the settings.
    void CreateController();

    void UpdateAnimation(AppContext& context);
    // Skins the model and replaces the vertex buffers' contents.
    void UpdateGpu(AppContext& context);
    void DrawShadowMap(AppContext& context);
    void Draw(AppContext& context, bool variableEdge);

    std::shared_ptr<mmd::MMDModel> m_mmdModel;
    std::vector<std::shared_ptr<mmd::VMDAnimation>> m_vmdAnims;
    std::vector<RenderMaterial> m_materials;
    std::unique_ptr<ExtarnalController> m_controller;
    // The VMC side (receive and send) of the model with a controller.
    std::unique_ptr<vmc::VmcCharacter> m_vmc;

    GLuint m_posVBO = 0;
    GLuint m_norVBO = 0;
    GLuint m_uvVBO = 0;
    GLuint m_edgeVBO = 0;
    GLuint m_ibo = 0;
    GLenum m_indexType = GL_UNSIGNED_INT;
    GLuint m_mmdVAO = 0;
    GLuint m_mmdEdgeVAO = 0;
    GLuint m_mmdGroundShadowVAO = 0;
    GLuint m_shadowVAO = 0;

private:
    struct DrawPass;

    void release();
    bool controllerActive() const;
    // The toon pass: every visible material with its textures, light and self-shadow.
    void DrawMaterialPass(AppContext& context, DrawPass& pass);
    // The outline pass: the edge materials' hulls pushed out along the normals.
    void DrawEdgePass(AppContext& context, DrawPass& pass, bool variableEdge);
};

}  // namespace mmdr
