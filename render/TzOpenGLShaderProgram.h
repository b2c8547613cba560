#pragma once

#include <QOpenGLShaderProgram>

// Qt shader program of the small mesh and 2D programs, with the loading and matrix helpers the renderer uses.
class TzOpenGLShaderProgram : public QOpenGLShaderProgram {
public:
    explicit TzOpenGLShaderProgram(QObject* parent = nullptr);

    // Adds a vertex stage from a resource or file path; logs "failed load vertex shader" on failure.
    bool addVertexShaderFile(const QString& path);
    // Adds a fragment stage from a resource or file path; logs "failed load fragment shader" on failure.
    bool addFragmentShaderFile(const QString& path);
    // Uploads one column-major 4x4 matrix (16 floats, not transposed) to the uniform of that name; the program
    // must be bound. An unknown name is ignored.
    void setUniformMatrix4(const char* name, const float* columnMajor);
};
