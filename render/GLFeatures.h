#pragma once

// The GL entry points and features the view's passes need, looked up in the current context.

// Loads the entry points through GLEW; one console line where GLEW fails.
void loadGLEntryPoints();

// Whether the context has 3D textures, multitexturing, GLSL, framebuffer objects and float
// textures; where not, one console line that names every one it lacks.
bool hasViewGLFeatures();
