#include "ShaderSource.h"

#include "ConsoleLine.h"
#include "RaySteps.h"
#include "RegularFile.h"
#include "SampleLimits.h"
#include "VoxelEncoding.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

// Finds the end of the line that holds the `#version` directive; 0 when there is none.
std::size_t afterVersionLine(const std::string &source)
{
    std::size_t lineStart = 0;
    while (lineStart < source.size()) {
        const std::size_t first = source.find_first_not_of(" \t", lineStart);
        const std::size_t lineEnd = source.find('\n', lineStart);
        if (first != std::string::npos && source.compare(first, 8, "#version") == 0)
            return lineEnd == std::string::npos ? source.size() : lineEnd + 1;
        if (lineEnd == std::string::npos)
            break;
        lineStart = lineEnd + 1;
    }
    return 0;
}

std::string floatDefinition(const char *name, int value)
{
    return std::string("#define ") + name + " " + std::to_string(value) + ".0\n";
}

std::string sharedNumbers()
{
    return "#define referenceSteps " + std::to_string(steadyStepCount) + "\n" + floatDefinition("gradientScale", gradientScale)
           + floatDefinition("gradientOffset", gradientOffset) + floatDefinition("sampleScale", sampleScale)
           + floatDefinition("channelMax", channelMax);
}

// The functions every fragment stage shares, compiled into the program as a resource.
std::string sharedFunctions()
{
    QFile file(":/shaders/shared.glsl");
    if (!file.open(QIODevice::ReadOnly))
        return std::string();
    return file.readAll().toStdString();
}

} // namespace

bool readShaderFile(const char *fileName, std::string &text)
{
    const std::unique_ptr<std::FILE, FileCloser> file(openRegularFile(fileName));
    if (!file) {
        printConsole(std::string("Can't open file ") + fileName + "\n");
        return false;
    }
    text.clear();
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        text.append(chunk, n);
    return true;
}

std::string insertAfterVersionLine(const std::string &source, const std::string &lines)
{
    std::string result = source;
    std::size_t at = afterVersionLine(source);
    // A `#version` line that is the file's last, without a line break, still needs one.
    if (at > 0 && result[at - 1] != '\n') {
        result.insert(at, 1, '\n');
        ++at;
    }
    // Compiler messages keep counting the file's own lines: in these GLSL versions `#line n`
    // makes the line after it line n + 1.
    const auto linesBefore = std::count(result.begin(), result.begin() + std::ptrdiff_t(at), '\n');
    result.insert(at, lines + "#line " + std::to_string(linesBefore) + "\n");
    return result;
}

std::string withSampleLimits(const std::string &source)
{
    return insertAfterVersionLine(source, floatDefinition("maxSample", maxSample)
                                              + floatDefinition("transferTableSize", transferTableSize));
}

std::string viewShaderSource(const std::string &source, ShaderStage stage)
{
    std::string shared = sharedNumbers();
    if (stage == ShaderStage::Fragment)
        shared += "#line 0 1\n" + sharedFunctions() + "#line 0 0\n";
    // The sample limits come first: the shared functions use them.
    return withSampleLimits(insertAfterVersionLine(source, shared));
}
