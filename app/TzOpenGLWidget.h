#pragma once

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/base/Matrix4.h"

class SystemMesh;
class TzRenderer;

// The OpenGL widget of the main window: owns the context and the renderer, places the VR room's meshes and runs
// the frame. A 1 ms timer repaints synchronously once at least 16 ms have passed, which caps the frame rate at
// 62.5 per second while a slow frame simply delays the next one (the event loop runs between frames).
class TzOpenGLWidget : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit TzOpenGLWidget(QWidget* parent = nullptr);
    ~TzOpenGLWidget() override;

    // Releases what lives in the GL context: the scene meshes and the renderer. Called once at shutdown.
    void cleanup();

    TzRenderer* renderer() const { return m_renderer.get(); }
    const std::vector<std::unique_ptr<SystemMesh>>& sceneMeshes() const { return m_sceneMeshes; }
    bool debugDraw() const { return m_debugDraw; }
    // Frames painted since construction.
    uint64_t frameCount() const { return m_frameCount; }

    uint32_t eyeWidth = 512;
    uint32_t eyeHeight = 512;
    Matrix4 hmdView;
    Matrix4 projLeft;
    Matrix4 eyeLeft;
    Matrix4 projRight;
    Matrix4 eyeRight;

signals:
    void appStateChanged(int state);
    void sendString(QString text);
    void steamVRShutdown();
    void firstShow();

public slots:
    void onUpdateTimer30sec();
    void onUpdateTimer1();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    void setDebugDraw(bool on) { m_debugDraw = on; }

private:
    void initializeVR();
    void createSceneMeshes();
    void pollVREvents();
    void renderEyes();
    void renderEyeScene(int eye);
    void drawDebugOverlay();
    void drawMessageText();

    std::vector<std::unique_ptr<SystemMesh>> m_sceneMeshes;
    QTimer m_frameTimer;
    QElapsedTimer m_pacing;
    bool m_debugDraw = false;
    std::unique_ptr<TzRenderer> m_renderer;
    uint64_t m_frameCount = 0;
};
