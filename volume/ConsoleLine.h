#pragma once

#include <string>

// The one way the program writes to its console: every report goes to the C standard output,
// one piece at a time, flushed at once. A line of the loader is written in parts around long
// work, and other writers of the same stream (the view's shader logs, the stops file's
// reports) must never land inside it or lag behind it.
void printConsole(const std::string &text);
