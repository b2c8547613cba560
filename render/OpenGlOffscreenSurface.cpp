#include "render/OpenGlOffscreenSurface.h"

#include <QMutexLocker>

OpenGlOffscreenSurface::OpenGlOffscreenSurface(const QSize& size, QObject* parent)
    : QOffscreenSurface(nullptr, parent), m_size(size) {
    create();
    m_target.create(size.width(), size.height());
    m_paintDevice = std::make_unique<QOpenGLPaintDevice>(size);
}

OpenGlOffscreenSurface::~OpenGlOffscreenSurface() = default;

void OpenGlOffscreenSurface::render() {
    QMutexLocker lock(&m_mutex);
    if (m_target.framebuffer() == 0 || (m_initialized && !needsPaint())) {
        return;
    }
    if (!m_initialized) {
        initializeGL();
        m_initialized = true;
    }
    m_target.bind();
    paintGL();
    m_target.release();
}
