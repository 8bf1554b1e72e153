#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The command-line picture: dichtenschau --snapshot OUT.png [--size WxH] [--turn X,Y] PATH
// opens PATH with its stops file (or the default stops), draws one resting frame of that
// size at that orientation (degrees about the x and z axes) with no window on screen, and
// writes OUT.png. On any failure it writes nothing and prints one line.
namespace Snapshot {

struct Request
{
    QString output;
    QString volume;
    QSize size{800, 800};
    double turnX = 0.0;
    double turnZ = 0.0;
};

// The request read from the arguments after the program name; on a mistake, error says
// what is wrong and the request is not to be used.
Request parse(const QStringList &arguments, QString &error);

// Runs the whole command inside a running application; the process's exit status.
int run(const QStringList &arguments);

} // namespace Snapshot
