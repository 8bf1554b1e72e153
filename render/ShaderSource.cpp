#include "ShaderSource.h"

#include "ConsoleLine.h"
#include "RegularFile.h"
#include "SampleLimits.h"

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

std::string withSampleLimits(const std::string &source)
{
    const std::string defines = "#define maxSample " + std::to_string(maxSample) + ".0\n"
                                + "#define transferTableSize " + std::to_string(transferTableSize) + ".0\n";
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
    result.insert(at, defines + "#line " + std::to_string(linesBefore) + "\n");
    return result;
}
