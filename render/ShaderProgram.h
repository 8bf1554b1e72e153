#pragma once

#include <string>

// Builds the view's GLSL programs from the shader files in the working directory: baseName
// with ".vert" and ".frag" appended, each given the definitions and functions the view
// shares with its shaders (ShaderSource). The compiler's and the linker's logs are printed,
// where not empty, one after another on standard output.

// Builds, links and makes current the program of baseName. A missing stage or a program
// that does not link gives 0: the pass that needs it draws nothing, instead of drawing the
// box with the fixed-function pipeline.
unsigned int loadProgram(const char *baseName);

// The same from the texts of the two stages, for programs built into the viewer.
unsigned int buildProgram(const std::string &vertexText, const std::string &fragmentText);
