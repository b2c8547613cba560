#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <QString>
#include <chrono>
#include <memory>

#include "mmdr/AppContext.h"
#include "render/TzOpenGLShaderProgram.h"

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
    // A failed render-context set-up is logged and the rest still runs.
    void initialize(int width, int height, QOpenGLWidget* owner);
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

    TzOpenGLShaderProgram* vrMeshProgram() { return m_vrMeshProgram.get(); }
    TzOpenGLShaderProgram* sysMeshProgram() { return m_sysMeshProgram.get(); }
    TzOpenGLShaderProgram* quadProgram() { return m_quadProgram.get(); }

private:
    void initShader();
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
    std::chrono::steady_clock::time_point m_previous;
    bool m_clockStarted = false;
    std::unique_ptr<mmdr::Model> m_ownedMain;
    std::vector<std::unique_ptr<mmdr::Model>> m_ownedAccessories;
};

// The renderer of the process, or null before it is constructed and after it is destroyed.
TzRenderer* tzRenderer();
