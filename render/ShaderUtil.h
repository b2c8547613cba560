#pragma once

#include <QOpenGLFunctions_4_1_Core>
#include <string>

// Resource folder of the compiled-in GLSL sources; CreateShaderProgram prefixes bare file names with it.
inline constexpr const char* kGlslResourcePrefix = ":/glsl/resources/glsl/";

// Compiles one shader stage (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER) from source text. Writes the compiler's
// info log to the debug log whenever it is non-empty. Returns the shader object id, or 0 on failure (logged).
// Needs the process-wide GL function table and its context current.
GLuint CreateShader(GLenum type, const std::string& source);

// Builds a program from two bare file names under kGlslResourcePrefix (vertex first). Returns the program id
// with both shader objects already released, or 0 on any failure (missing file, compile or link error; logged).
GLuint CreateShaderProgram(const std::string& vertexFile, const std::string& fragmentFile);
