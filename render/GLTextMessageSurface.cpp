#include "render/GLTextMessageSurface.h"

#include <QPainter>

#include "render/GLFunctions.h"

namespace {
constexpr int kAccentBarWidth = 8;
constexpr int kTitlePixelSize = 42;
}  // namespace

GLTextMessageSurface::GLTextMessageSurface(const QSize& size, QObject* parent)
    : OpenGlOffscreenSurface(size, parent), m_font(QStringLiteral("BIZ UDPゴシック")) {
    connect(&m_animation, &QVariantAnimation::valueChanged, this, &GLTextMessageSurface::onValueChanged);
}

void GLTextMessageSurface::setTitle(const QString& title) {
    if (title != m_title) {
        m_title = title;
    }
}

void GLTextMessageSurface::onValueChanged(const QVariant&) { m_painted = false; }

void GLTextMessageSurface::paintGL() {
    if (m_painted) {
        return;
    }
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    gl->glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl->glEnable(GL_MULTISAMPLE);
    gl->glEnable(GL_BLEND);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);

    const QSize size = textureSize();
    QPainter painter(paintDevice());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(QPoint(0, 0), size), m_backgroundColor);
    painter.fillRect(QRect(0, 0, kAccentBarWidth, size.height()), m_accentColor);
    painter.fillRect(QRect(size.width() - kAccentBarWidth, 0, kAccentBarWidth, size.height()), m_accentColor);
    QFont font = m_font;
    font.setPixelSize(kTitlePixelSize);
    painter.setFont(font);
    painter.setPen(m_textColor);
    painter.drawText(QPoint(60, 60), m_title);
    painter.end();
    m_painted = true;
}
