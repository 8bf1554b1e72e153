#include <GL/glew.h>

#include "ShaderProgram.h"

#include "ConsoleLine.h"
#include "ShaderSource.h"

#include <algorithm>
#include <string>

namespace {

void printInfoLog(GLuint object)
{
    const bool isShader = glIsShader(object);
    GLint length = 0;
    if (isShader)
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(size_t(std::max(length, 1)), '\0');
    GLsizei written = 0;
    if (isShader)
        glGetShaderInfoLog(object, GLsizei(log.size()), &written, log.data());
    else
        glGetProgramInfoLog(object, GLsizei(log.size()), &written, log.data());
    if (written > 0)
        printConsole(log.substr(0, size_t(written)) + "\n");
}

GLuint compileStage(const std::string &fileText, ShaderStage stage)
{
    const std::string text = viewShaderSource(fileText, stage);
    const char *texts[] = {text.c_str()};
    const GLuint shader = glCreateShader(stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, texts, nullptr);
    glCompileShader(shader);
    printInfoLog(shader);
    return shader;
}

// The program of the two stages, made current; 0 where either is missing or it does not link.
GLuint linkStages(GLuint vertexShader, GLuint fragmentShader)
{
    if (!vertexShader || !fragmentShader) {
        glDeleteShader(vertexShader);
        glDeleteShader(fragmentShader);
        return 0;
    }

    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    // Flagged for deletion: they go with the program.
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    glLinkProgram(program);
    printInfoLog(program);

    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        glDeleteProgram(program);
        program = 0;
    }
    glUseProgram(program);
    return program;
}

} // namespace

unsigned int loadProgram(const char *baseName)
{
    std::string vertexText, fragmentText;
    const bool vertexRead = readShaderFile((std::string(baseName) + ".vert").c_str(), vertexText);
    const bool fragmentRead = readShaderFile((std::string(baseName) + ".frag").c_str(), fragmentText);
    const GLuint vertexShader = vertexRead ? compileStage(vertexText, ShaderStage::Vertex) : 0;
    const GLuint fragmentShader = fragmentRead ? compileStage(fragmentText, ShaderStage::Fragment) : 0;
    return linkStages(vertexShader, fragmentShader);
}

unsigned int buildProgram(const std::string &vertexText, const std::string &fragmentText)
{
    const GLuint vertexShader = compileStage(vertexText, ShaderStage::Vertex);
    const GLuint fragmentShader = compileStage(fragmentText, ShaderStage::Fragment);
    return linkStages(vertexShader, fragmentShader);
}
