#include "ConsoleCapture.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

ConsoleCapture::ConsoleCapture()
{
    std::cout.flush();
    std::fflush(stdout);
    if (!file.open())
        return;
    savedStdout = dup(STDOUT_FILENO);
    dup2(file.handle(), STDOUT_FILENO);
}

ConsoleCapture::~ConsoleCapture()
{
    if (savedStdout < 0)
        return;
    std::cout.flush();
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
}

QString ConsoleCapture::text()
{
    std::cout.flush();
    std::fflush(stdout);
    QFile reader(file.fileName());
    if (!reader.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(reader.readAll());
}
