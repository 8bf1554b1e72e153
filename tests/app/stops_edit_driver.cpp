// The program under the kill test of tst_stopsfaults: a real window opens the volume given
// as the first argument, saves stops version FIRST (the second argument), prints "ready"
// and then saves versions FIRST + 1, FIRST + 2, ... through the window's own save, as fast
// as it can, until it is killed. Exits with 2 when the window or the volume cannot be had.

#include "StopsVersions.h"
#include "WindowProbe.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    Window window;
    if (!WindowProbe::start(window))
        return 2;
    WindowProbe::openVolume(window, QString::fromLocal8Bit(argv[1]));
    if (!WindowProbe::volume(window))
        return 2;
    // Hidden, the view does not redraw on each edit: the loop's time goes to saving, where
    // the kills are meant to land.
    window.hide();

    uint32_t version = uint32_t(QByteArray(argv[2]).toUInt());
    WindowProbe::saveGradientStops(window, StopsVersions::version(version));
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        WindowProbe::saveGradientStops(window, StopsVersions::version(++version));
}
