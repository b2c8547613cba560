#include "render/TzOpenGLShaderProgram.h"

#include <QDebug>

#include "render/GLFunctions.h"

TzOpenGLShaderProgram::TzOpenGLShaderProgram(QObject* parent) : QOpenGLShaderProgram(parent) {}

bool TzOpenGLShaderProgram::addVertexShaderFile(const QString& path) {
    if (!addShaderFromSourceFile(QOpenGLShader::Vertex, path)) {
        qDebug() << "failed load vertex shader";
        return false;
    }
    return true;
}

bool TzOpenGLShaderProgram::addFragmentShaderFile(const QString& path) {
    if (!addShaderFromSourceFile(QOpenGLShader::Fragment, path)) {
        qDebug() << "failed load fragment shader";
        return false;
    }
    return true;
}

void TzOpenGLShaderProgram::setUniformMatrix4(const char* name, const float* columnMajor) {
    const GLint location = uniformLocation(name);
    glFunctions()->glUniformMatrix4fv(location, 1, GL_FALSE, columnMajor);
}
