#pragma once

#include <QColor>
#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QString>
#include <glm/vec3.hpp>
#include <memory>

class TzRenderer;
namespace mmdr {
class Model;
}

// A model drawn the way the app's desktop view draws it (shadow pass, toon pass, fixed-width outlines), but into an
// offscreen 4-sample framebuffer of a hidden 4.1 core context. The motion clock is held at one motion time and
// physics steps by a fixed 1/30 s, so the same inputs give the same picture however fast the machine renders.
class OffscreenScene {
public:
    enum class Camera { Front, Left, Back };

    OffscreenScene();
    ~OffscreenScene();

    // The context and the renderer; false with `error` set when no 4.1 core context can be had.
    bool createContext(int width, int height, QString* error);
    // Loads the model with an optional motion (held at `seconds`) or pose; false with `error` set.
    bool loadModel(const QString& modelPath, const QString& motionPath, double seconds, const QString& posePath,
                   QString* error);
    // Advances physics by `frames` steps of 1/30 s at the held motion time.
    void settle(int frames);
    // Physics on (the default) or off: off shows the animated pose without the rigid bodies' motion.
    void setPhysics(bool on);
    // One whole frame: animation, upload, shadow pass and the draw, framed on the figure from that side.
    void renderFrame(Camera camera, const QColor& background);
    QImage image();

private:
    void frameCamera(Camera camera);

    std::unique_ptr<QOffscreenSurface> m_surface;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<TzRenderer> m_renderer;
    std::unique_ptr<QOpenGLFramebufferObject> m_target;
    std::unique_ptr<mmdr::Model> m_model;
    int m_width = 0;
    int m_height = 0;
    glm::vec3 m_boundsMin{0.0f};
    glm::vec3 m_boundsMax{0.0f};
};
