#pragma once

#include <string>

// The text of a shader as the GL gets it: the file's bytes, with the numbers and functions
// that the program and its shaders share defined ahead of the shader's own lines, so that
// each is written once. They go right after the `#version` line, which must stay the first
// line the compiler reads, or at the very start of a source without one, followed by a
// `#line` directive, so that the compiler's messages name the lines of the file.

// The whole file into text; the last byte is kept, so a shader whose closing brace is its
// last character, with no line break after it, compiles. A file that is missing, or that is
// not a regular file, gives false and one console line.
bool readShaderFile(const char *fileName, std::string &text);

// The source with lines (each ending in a line break) inserted after its `#version` line.
std::string insertAfterVersionLine(const std::string &source, const std::string &lines);

// The source with `maxSample` and `transferTableSize` defined as float constants.
std::string withSampleLimits(const std::string &source);

enum class ShaderStage
{
    Vertex,
    Fragment,
};

// The source as the view compiles it. Every stage gets the sample limits, the resting step
// count `referenceSteps` (an int) and the texel encoding's `gradientScale`,
// `gradientOffset`, `sampleScale` and `channelMax` (floats); a fragment stage also gets the
// functions of shaders/shared.glsl, which compiler messages count as source string 1.
std::string viewShaderSource(const std::string &source, ShaderStage stage);
