#include "render/GlTestContext.h"

#include <QDir>
#include <QSurfaceFormat>

#include "render/GLFunctions.h"

GlTestContext::~GlTestContext() {
    if (m_context && m_gl) {
        m_context->makeCurrent(m_surface.get());
        m_gl->glDeleteFramebuffers(1, &m_fbo);
        m_gl->glDeleteTextures(1, &m_color);
        m_gl->glDeleteRenderbuffers(1, &m_depth);
        m_context->doneCurrent();
    }
    if (glFunctions() == m_gl.get()) {
        setGlFunctions(nullptr);
    }
}

bool GlTestContext::create(int width, int height) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 1);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    m_surface = std::make_unique<QOffscreenSurface>();
    m_surface->setFormat(format);
    m_surface->create();
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(format);
    if (!m_context->create() || !m_context->makeCurrent(m_surface.get())) {
        return false;
    }
    const QSurfaceFormat actual = m_context->format();
    if (actual.version() < qMakePair(4, 1) || actual.profile() != QSurfaceFormat::CoreProfile) {
        return false;
    }
    m_gl = std::make_unique<QOpenGLFunctions_4_1_Core>();
    if (!m_gl->initializeOpenGLFunctions()) {
        return false;
    }
    setGlFunctions(m_gl.get());

    m_width = width;
    m_height = height;
    m_gl->glGenTextures(1, &m_color);
    m_gl->glBindTexture(GL_TEXTURE_2D, m_color);
    m_gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    m_gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    m_gl->glBindTexture(GL_TEXTURE_2D, 0);
    m_gl->glGenRenderbuffers(1, &m_depth);
    m_gl->glBindRenderbuffer(GL_RENDERBUFFER, m_depth);
    m_gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    m_gl->glBindRenderbuffer(GL_RENDERBUFFER, 0);
    m_gl->glGenFramebuffers(1, &m_fbo);
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    m_gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_color, 0);
    m_gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    const bool complete = m_gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

void GlTestContext::bindTarget(float r, float g, float b, float a) {
    m_gl->glBindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    m_gl->glViewport(0, 0, m_width, m_height);
    m_gl->glClearColor(r, g, b, a);
    m_gl->glClearDepth(1.0);
    m_gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

QImage GlTestContext::readTarget() {
    QImage image(m_width, m_height, QImage::Format_RGBA8888);
    m_gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, m_fbo);
    m_gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    m_gl->glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    m_gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return image.mirrored(false, true);
}

QString saveTestImage(const QImage& image, const QString& name) {
    const QString dir = QStringLiteral(MNX_TEST_OUTPUT_DIR "/artifacts");
    QDir().mkpath(dir);
    const QString path = dir + "/" + name + ".png";
    image.save(path);
    return path;
}

namespace {
QStringList g_lines;
QtMessageHandler g_previous = nullptr;

void captureHandler(QtMsgType, const QMessageLogContext&, const QString& message) { g_lines.append(message); }
}  // namespace

LogCapture::LogCapture() {
    g_lines.clear();
    g_previous = qInstallMessageHandler(captureHandler);
}

LogCapture::~LogCapture() { qInstallMessageHandler(g_previous); }

const QStringList& LogCapture::lines() const { return g_lines; }

int LogCapture::count(const QString& prefix) const {
    int n = 0;
    for (const QString& line : g_lines) {
        if (line.startsWith(prefix)) {
            ++n;
        }
    }
    return n;
}

void LogCapture::clear() { g_lines.clear(); }
