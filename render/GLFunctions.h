#pragma once

#include <QOpenGLFunctions_4_1_Core>

// The process-wide OpenGL 4.1 core function table through which every GL call of the renderer goes. The
// renderer installs itself at construction; tests and tools install their own table. Not owned here; null until
// installed. The table is only valid while the context it was initialised for is current.
QOpenGLFunctions_4_1_Core* glFunctions();

// Installs (or, with nullptr, removes) the process-wide function table.
void setGlFunctions(QOpenGLFunctions_4_1_Core* functions);
