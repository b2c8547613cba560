#include "render/GLFunctions.h"

namespace {
QOpenGLFunctions_4_1_Core* g_functions = nullptr;
}

QOpenGLFunctions_4_1_Core* glFunctions() { return g_functions; }

void setGlFunctions(QOpenGLFunctions_4_1_Core* functions) { g_functions = functions; }
