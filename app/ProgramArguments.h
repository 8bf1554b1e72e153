#pragma once

#include <QString>
#include <QStringList>

// The viewer's command line, read from one table of options, so that a new option is one row:
//   dichtenschau [VOLUME]                                              the window
//   dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Z] [--view VIEW] [--window W,L]
//                [--crop BOX] VOLUME                                   a picture, no window
//   dichtenschau --help | --version
// The values of the picture's options are checked by the picture command itself; this only
// tells the forms apart. Qt's own options (-platform and the like) must have been taken out
// already, as QApplication does; arguments after "--" are volumes even where they start
// with a dash.
namespace ProgramArguments {

enum class Action {
    OpenWindow,   // the window, opening `volumes` first of all, if any
    TakeSnapshot, // the picture command, given the arguments after the program's name
    ShowUsage,    // --help: the usage on the standard output, status 0
    ShowVersion,  // --version: the version on the standard output, status 0
    Refuse,       // a mistake: `mistake` and the usage on the standard error, status 2
};

struct Parsed
{
    Action action = Action::OpenWindow;
    QStringList volumes;
    QString mistake;
};

// The arguments with the program's name first. --help and --version win over a mistake
// anywhere beside them.
Parsed parse(const QStringList &arguments);

// Several lines, each ending in a line break.
QString usage();

// "dichtenschau 0.1" and a line break.
QString versionLine();

} // namespace ProgramArguments
