#pragma once

#include <cstdio>

// Opens a file for reading only when it is a regular file, without waiting for a writer: a
// named pipe of that name would otherwise hold the open, and the program with it, until
// something writes into it, and a directory opens but has no content to read. Null for
// anything else or a file that cannot be opened; the descriptor is not inherited by child
// processes.
std::FILE *openRegularFile(const char *path);
