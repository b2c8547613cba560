#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <QString>
#include <chrono>
#include <memory>

#include "mmdr/AppContext.h"
#include "render/RenderTarget.h"
#include "render/TextPanel.h"
#include "render/TexturedQuad.h"
#include "render/TzOpenGLShaderProgram.h"

class GLTextMessageSurface;
namespace mmd {
class PMXModel;
}
class QOpenGLFramebufferObject;
class SimpleText;

class QOpenGLWidget;

// The process's renderer: the OpenGL 4.1 core function table every GL call goes through, the render context
// with its models, and the mesh and 2D programs. Created with the GL widget; everything but the constructor
// needs the widget's context current (loadModel and loadAccessory make it current themselves).
class TzRenderer : public QOpenGLFunctions_4_1_Core {
public:
    TzRenderer();
    ~TzRenderer();
    TzRenderer(const TzRenderer&) = delete;
    TzRenderer& operator=(const TzRenderer&) = delete;

    // Resolves the function table for the current context, then sets up the render context and the programs.
    // A failed render-context set-up is logged and the rest still runs. The VR targets are not made here: a
    // desktop-only run never draws into them, and clearing their memory is a large share of start-up.
    void initialize(int width, int height, QOpenGLWidget* owner);
    // The render-model program, the two 4-sample eye targets, the side-by-side target the compositor
    // gets and the two VR room panels, for eyes of that size; once, when a VR session starts.
    void createVRTargets(int eyeWidth, int eyeHeight);
    // Timing, then animation, upload and the shadow pass of every model; nothing before a model is loaded.
    void update();

    // The character: the model file, its physics, controller and the pose set's idle loop. False (and no model)
    // when any of it fails; the scene counts as ready afterwards either way unless the file did not load.
    bool loadModel(const QString& path);
    // An accessory with the pose or motion of the same base name beside it; at most one call per file.
    void loadAccessory(const QString& path);

    AppContext* appContext() { return m_appContext.get(); }
    bool isSceneReady() const { return m_sceneReady; }
    void setSceneReady(bool ready) { m_sceneReady = ready; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void setViewportSize(int width, int height);

    // The desktop view: drawn 4-sample into its own target, then resolved into a texture the widget shows.
    // Sized width x height device pixels; nothing happens for a size below one pixel. The targets are (re)made
    // by the next desktop draw, so the burst of resize events while a window opens costs one allocation.
    void resizeDesktopTarget(int width, int height);
    // Clears the desktop target to the background and, when a model is loaded, draws it with the desktop camera
    // (framed on the head from the per-model camera offsets) and fixed-width outlines; viewport is the widget's.
    void drawDesktop(const QColor& background, int viewportWidth, int viewportHeight);
    // Shows the resolved desktop view over the whole widget (its framebuffer must be bound).
    void drawDesktopToWidget(int viewportWidth, int viewportHeight);
    // One VR eye of the model: the base scale (model units to metres) and base view offset first, then the eye's
    // view; the eye's projection; variable-width outlines. The eye target must be bound.
    void drawEyeView(const glm::mat4& eyeView, const glm::mat4& eyeProjection, int viewportWidth, int viewportHeight);
    // Redraws the text panel when its line list changed, and the message surface with the navigator title.
    void updatePanels();
    // The desktop camera for a widget of that size, from the settings store's lookCam and headPos.
    static void desktopCamera(float aspect, glm::mat4& view, glm::mat4& projection);

    SimpleText* text() { return m_text.get(); }
    GLTextMessageSurface* messageSurface() { return m_messageSurface.get(); }
    GLuint textPanelTexture() const { return m_textPanel ? m_textPanel->texture() : 0; }
    GLuint secondPanelTexture() const { return m_secondPanel.texture(); }
    GLuint desktopTexture() const { return m_desktopResolved.texture(); }
    QOpenGLFramebufferObject* leftEyeTarget() { return m_leftEye.get(); }
    QOpenGLFramebufferObject* rightEyeTarget() { return m_rightEye.get(); }
    const RenderTarget& sideBySideTarget() const { return m_sideBySide; }
    TexturedQuad& quad(int index) { return m_quads[index & 1]; }

    TzOpenGLShaderProgram* vrMeshProgram() { return m_vrMeshProgram.get(); }
    TzOpenGLShaderProgram* sysMeshProgram() { return m_sysMeshProgram.get(); }
    TzOpenGLShaderProgram* quadProgram() { return m_quadProgram.get(); }

private:
    // Reads a model file with the shared toons; logs the outcome; null on failure.
    std::shared_ptr<mmd::PMXModel> loadPmx(const QString& path) const;
    // Makes the desktop targets at the size last asked for when they are missing or of another size.
    void ensureDesktopTarget();
    void initShader();
    // The render-model program, which only the headset's view uses.
    void initVRShaders();
    void initVBO();
    void makeCurrent();
    void doneCurrent();

    QOpenGLWidget* m_owner = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_sceneReady = false;
    std::unique_ptr<TzOpenGLShaderProgram> m_vrMeshProgram;
    std::unique_ptr<TzOpenGLShaderProgram> m_sysMeshProgram;
    std::unique_ptr<TzOpenGLShaderProgram> m_quadProgram;
    std::unique_ptr<AppContext> m_appContext;
    std::unique_ptr<SimpleText> m_text;
    std::unique_ptr<GLTextMessageSurface> m_messageSurface;
    std::unique_ptr<TextPanel> m_textPanel;
    RenderTarget m_secondPanel;
    TexturedQuad m_quads[2];
    std::unique_ptr<QOpenGLFramebufferObject> m_leftEye;
    std::unique_ptr<QOpenGLFramebufferObject> m_rightEye;
    RenderTarget m_sideBySide;
    std::unique_ptr<QOpenGLFramebufferObject> m_desktop;
    RenderTarget m_desktopResolved;
    int m_desktopWidth = 0;
    int m_desktopHeight = 0;
    std::chrono::steady_clock::time_point m_previous;
    bool m_clockStarted = false;
    std::unique_ptr<mmdr::Model> m_ownedMain;
    std::vector<std::unique_ptr<mmdr::Model>> m_ownedAccessories;
};

// The renderer of the process, or null before it is constructed and after it is destroyed.
TzRenderer* tzRenderer();
