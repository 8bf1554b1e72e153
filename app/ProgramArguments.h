#pragma once

#include "ProgramRequest.h"

#include <QString>
#include <QStringList>

// The viewer's command line, read once by QCommandLineParser from one table of options:
//   dichtenschau [VOLUME]                                              the window
//   dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] [--view VIEW] [--window W,L]
//                [--crop BOX] VOLUME                                   a picture, no window
//   dichtenschau --help | --version
// A new option is one row of the table with the check of its value. It is read before the
// application object exists, so that help, version and mistakes need no display: Qt's own
// options (-platform and the like), which QApplication takes later, are rows that fill
// nothing. Arguments after "--" are volumes even where they start with a dash.
namespace ProgramArguments {

// The arguments with the program's name first. --help and --version win over a mistake
// anywhere beside them; a mistake in the form wins over a value that cannot be taken.
ProgramRequest parse(const QStringList &arguments);

// Several lines, each ending in a line break.
QString usage();

// "dichtenschau 0.1" and a line break.
QString versionLine();

} // namespace ProgramArguments
