#include "ConsoleLine.h"
#include "ProgramArguments.h"
#include "Snapshot.h"
#include "Window.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// --help and --version answer before the application object exists, which needs a display.
bool answeredWithoutDisplay(int argc, char *argv[])
{
    const ProgramArguments::Action action = ProgramArguments::parse(argumentList(argc, argv)).action;
    if (action == ProgramArguments::Action::ShowUsage)
        std::fputs(qPrintable(ProgramArguments::usage()), stdout);
    else if (action == ProgramArguments::Action::ShowVersion)
        std::fputs(qPrintable(ProgramArguments::versionLine()), stdout);
    else
        return false;
    return true;
}

// `dichtenschau PATH` opens the volume file or folder PATH after start-up, as the "load
// Volume" dialog would.
void openVolumeArgument(Window &window, const QStringList &volumes)
{
    if (volumes.size() > 1)
        printConsole("Usage: dichtenschau [VOLUME-FILE-OR-FOLDER]; opening only the first\n");
    if (!volumes.isEmpty())
        window.openAfterStart(volumes.first());
}

} // namespace

int main(int argc, char *argv[])
{
    if (answeredWithoutDisplay(argc, argv))
        return 0;
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Dichtenschau");
    QCoreApplication::setApplicationName("dichtenschau");
    // Qt has taken its own options (-platform and the like) out of the arguments by now.
    const QStringList arguments = QCoreApplication::arguments();
    const ProgramArguments::Parsed parsed = ProgramArguments::parse(arguments);
    if (parsed.action == ProgramArguments::Action::Refuse) {
        std::fprintf(stderr, "dichtenschau: %s\n%s", qPrintable(parsed.mistake), qPrintable(ProgramArguments::usage()));
        return 2;
    }
    if (parsed.action == ProgramArguments::Action::TakeSnapshot)
        return Snapshot::run(arguments.mid(1));
    Window window;
    window.restoreWindowSize();
    window.show();
    openVolumeArgument(window, parsed.volumes);
    return app.exec();
}
