#pragma once

#include <QMutex>
#include <QOffscreenSurface>
#include <QOpenGLPaintDevice>
#include <QSize>
#include <memory>

#include "render/RenderTarget.h"

// A surface painted on demand into its own render target, whose colour texture other draws show. Subclasses
// paint in paintGL, with the target bound and its viewport set; a QPainter may paint on paintDevice(). Create it
// on the GUI thread with the GL context current (the target is made at construction) and destroy it likewise.
class OpenGlOffscreenSurface : public QOffscreenSurface {
    Q_OBJECT

public:
    explicit OpenGlOffscreenSurface(const QSize& size, QObject* parent = nullptr);
    ~OpenGlOffscreenSurface() override;

    // Colour texture of the render target; 0 when the target could not be made.
    GLuint texture() const { return m_target.texture(); }
    QSize textureSize() const { return m_size; }

public slots:
    // Calls initializeGL the first time, then paintGL into the render target; framebuffer 0 is bound after.
    // Without a render target (a size below one pixel) nothing is painted.
    void render();

protected:
    virtual void initializeGL() = 0;
    virtual void resizeGL(int width, int height) = 0;
    virtual void paintGL() = 0;
    // False when the texture already shows the latest content; render then binds and paints nothing.
    virtual bool needsPaint() const { return true; }

    QOpenGLPaintDevice* paintDevice() { return m_paintDevice.get(); }

private:
    QSize m_size;
    bool m_initialized = false;
    QMutex m_mutex;
    RenderTarget m_target;
    std::unique_ptr<QOpenGLPaintDevice> m_paintDevice;
};
