#include "ConsoleLine.h"
#include "Snapshot.h"
#include "Window.h"

#include <QApplication>
#include <QStringList>

namespace {

// `dichtenschau PATH` opens the volume file or folder PATH after start-up, as the "load
// Volume" dialog would.
void openVolumeArgument(Window &window, const QStringList &arguments)
{
    if (arguments.size() > 2)
        printConsole("Usage: dichtenschau [VOLUME-FILE-OR-FOLDER]; opening only the first\n");
    if (arguments.size() >= 2)
        window.openAfterStart(arguments.at(1));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Dichtenschau");
    QCoreApplication::setApplicationName("dichtenschau");
    if (Snapshot::isRequested(argc, argv))
        return Snapshot::run(QCoreApplication::arguments().mid(1));
    Window window;
    window.restoreWindowSize();
    window.show();
    openVolumeArgument(window, QApplication::arguments());
    return app.exec();
}
