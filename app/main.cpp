#include "Snapshot.h"
#include "Window.h"

#include <QApplication>

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
    return app.exec();
}
