#pragma once

#include <string>

// The volume's progress and error reports go to the C standard output, one piece at a time,
// flushed at once: a line of the loader is written in parts around long work, and other
// writers of the same stream (the view's shader logs) must never land inside it.
void printConsole(const std::string &text);

// The last complete line printed through printConsole, without its line break: what the
// window shows about the last open, for instance why a file was refused.
std::string lastConsoleLine();
