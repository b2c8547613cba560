#include "render/ShaderUtil.h"

#include <QDebug>
#include <QFile>
#include <vector>

#include "render/GLFunctions.h"

namespace {

bool readShaderFile(const std::string& fileName, std::string& source) {
    QFile file(QString(kGlslResourcePrefix) + QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug().noquote().nospace() << "Failed to open shader file. [" << QString::fromStdString(fileName) << "].";
        return false;
    }
    const QByteArray bytes = file.readAll();
    source.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

}  // namespace

GLuint CreateShader(GLenum type, const std::string& source) {
    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const GLuint shader = gl->glCreateShader(type);
    if (shader == 0) {
        qDebug() << "Failed to create shader.";
        return 0;
    }
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size());
    gl->glShaderSource(shader, 1, &text, &length);
    gl->glCompileShader(shader);

    GLint logLength = 0;
    gl->glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<GLchar> log(static_cast<size_t>(logLength) + 1, '\0');
        gl->glGetShaderInfoLog(shader, logLength, nullptr, log.data());
        qDebug().noquote() << log.data();
    }
    GLint status = GL_FALSE;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        gl->glDeleteShader(shader);
        qDebug() << "Failed to compile shader.";
        return 0;
    }
    return shader;
}

GLuint CreateShaderProgram(const std::string& vertexFile, const std::string& fragmentFile) {
    std::string vertexSource;
    if (!readShaderFile(vertexFile, vertexSource)) {
        return 0;
    }
    std::string fragmentSource;
    if (!readShaderFile(fragmentFile, fragmentSource)) {
        return 0;
    }

    QOpenGLFunctions_4_1_Core* gl = glFunctions();
    const GLuint vertexShader = CreateShader(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragmentShader = CreateShader(GL_FRAGMENT_SHADER, fragmentSource);
    if (vertexShader == 0 || fragmentShader == 0) {
        if (vertexShader != 0 || fragmentShader != 0) {
            qDebug() << "DeleteShader";
            gl->glDeleteShader(vertexShader != 0 ? vertexShader : fragmentShader);
        }
        return 0;
    }

    const GLuint program = gl->glCreateProgram();
    if (program == 0) {
        gl->glDeleteShader(vertexShader);
        gl->glDeleteShader(fragmentShader);
        qDebug() << "Failed to create program.";
        return 0;
    }
    gl->glAttachShader(program, vertexShader);
    gl->glAttachShader(program, fragmentShader);
    gl->glLinkProgram(program);

    GLint logLength = 0;
    gl->glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<GLchar> log(static_cast<size_t>(logLength) + 1, '\0');
        gl->glGetProgramInfoLog(program, logLength, nullptr, log.data());
        qDebug().noquote() << log.data();
    }
    GLint status = GL_FALSE;
    gl->glGetProgramiv(program, GL_LINK_STATUS, &status);
    gl->glDeleteShader(vertexShader);
    gl->glDeleteShader(fragmentShader);
    if (status != GL_TRUE) {
        // A program that failed to link is of no use to anyone; keeping it would only leak the id.
        gl->glDeleteProgram(program);
        qDebug() << "Failed to link shader.";
        return 0;
    }
    return program;
}
