#include "ConsoleLine.h"
#include "ProgramArguments.h"
#include "SeriesList.h"
#include "Snapshot.h"
#include "Window.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Help, version and mistakes are answered before the application object exists, which
// needs a display; nothing for a request that needs the application.
std::optional<int> answerWithoutDisplay(const ProgramRequest &request)
{
    using Action = ProgramRequest::Action;
    switch (request.action) {
    case Action::ShowUsage:
        std::fputs(qPrintable(ProgramArguments::usage()), stdout);
        return 0;
    case Action::ShowVersion:
        std::fputs(qPrintable(ProgramArguments::versionLine()), stdout);
        return 0;
    case Action::Refuse:
        std::fprintf(stderr, "dichtenschau: %s\n%s", qPrintable(request.mistake), qPrintable(ProgramArguments::usage()));
        return 2;
    case Action::Decline:
        printConsole(request.declined.toLocal8Bit().toStdString() + "\n");
        return 1;
    case Action::OpenWindow:
    case Action::TakeSnapshot:
    case Action::ListSeries:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    const ProgramRequest request = ProgramArguments::parse(argumentList(argc, argv));
    if (const std::optional<int> status = answerWithoutDisplay(request))
        return *status;
    if (request.action == ProgramRequest::Action::ListSeries) {
        QCoreApplication app(argc, argv);
        return SeriesList::run(request.listPath);
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Dichtenschau");
    QCoreApplication::setApplicationName("dichtenschau");
    if (request.action == ProgramRequest::Action::TakeSnapshot)
        return Snapshot::run(request);
    Window window;
    window.restoreWindowSize();
    window.show();
    window.startWith(request);
    return app.exec();
}
