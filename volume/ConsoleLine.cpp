#include "ConsoleLine.h"

#include <cstdio>

void printConsole(const std::string &text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}
