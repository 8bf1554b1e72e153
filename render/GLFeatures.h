#pragma once

#include <QSurfaceFormat>

// The GL entry points and features the view's passes need, looked up in the current context.

// The passes use immediate mode, the fixed-function matrices and the GLSL 1.10 built-ins, so
// the view's context must be a compatibility one; the front pass needs depth.
QSurfaceFormat viewSurfaceFormat();

// Loads the entry points through GLEW; one console line where GLEW fails.
void loadGLEntryPoints();

// Whether the context has 3D textures, multitexturing, GLSL, framebuffer objects and float
// textures; where not, one console line that names every one it lacks.
bool hasViewGLFeatures();
