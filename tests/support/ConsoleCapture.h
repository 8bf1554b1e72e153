#pragma once

#include <QString>
#include <QTemporaryFile>

// Captures what the process writes to its standard output (C stdio and iostreams alike)
// while it lives, so tests can compare the program's console lines exactly.
class ConsoleCapture
{
public:
    ConsoleCapture();
    ~ConsoleCapture();

    ConsoleCapture(const ConsoleCapture &) = delete;
    ConsoleCapture &operator=(const ConsoleCapture &) = delete;

    // Everything written since construction.
    QString text();

private:
    QTemporaryFile file;
    int savedStdout = -1;
};
