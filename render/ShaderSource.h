#pragma once

#include <string>

// The text of a shader as the GL gets it: the file's bytes, with the value range that the
// program and the shaders share defined as constants ahead of the shader's own lines.

// The whole file into text; the last byte is kept, so a shader whose closing brace is its
// last character, with no line break after it, compiles. A file that is missing, or that is
// not a regular file, gives false and one console line.
bool readShaderFile(const char *fileName, std::string &text);

// The source with `maxSample` and `transferTableSize` defined as float constants. They go
// right after the `#version` line, which must stay the first line the compiler reads, or at
// the very start of a source without one, followed by a `#line` directive, so that the
// compiler's messages name the lines of the file.
std::string withSampleLimits(const std::string &source);
