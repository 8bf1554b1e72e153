#pragma once

#include "ImportOptions.h"

#include <QString>
#include <QStringList>

// One conversion as the user asked for it.
struct ImportRequest
{
    QString input;
    QString output;
    ImportOptions options;
    // Writes an output whose name does not end in .dat.
    bool force = false;
};

// What the tool's arguments ask for: the help text, or one conversion.
struct CommandLine
{
    bool help = false;
    ImportRequest request;
};

// Reads the arguments (the program's name first); refuses wrong ones with an ImportError
// whose message is the one line to print.
CommandLine parseCommandLine(const QStringList &arguments);

QString usageText();
