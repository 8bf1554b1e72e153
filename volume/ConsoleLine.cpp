#include "ConsoleLine.h"

#include <cstdio>

namespace {

std::string pendingLine;
std::string finishedLine;

} // namespace

void printConsole(const std::string &text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    for (const char c : text) {
        if (c == '\n') {
            finishedLine.swap(pendingLine);
            pendingLine.clear();
        } else {
            pendingLine += c;
        }
    }
}

std::string lastConsoleLine()
{
    return finishedLine;
}
