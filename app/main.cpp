#include "ConsoleLine.h"
#include "Window.h"

#include <QApplication>
#include <QStringList>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The GL driver copies every volume into memory of its own; on 4 KiB pages the first touch
// of a copy of a GiB costs seconds (a 512^3 volume opened in 3 s instead of 0.4 s). glibc's
// malloc asks for transparent huge pages only when its tunables say so at process start, so
// the program starts itself once more with them, unless they already speak of it.
void restartWithHugePages(char *argv[])
{
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    if (tunables && std::strstr(tunables, "glibc.malloc.hugetlb"))
        return;
    const std::string wanted = "glibc.malloc.hugetlb=1";
    setenv("GLIBC_TUNABLES", tunables && *tunables ? (std::string(tunables) + ":" + wanted).c_str() : wanted.c_str(), 1);
    execv("/proc/self/exe", argv);
    // Without the restart the program works all the same, only opens large volumes slower.
}

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
    restartWithHugePages(argv);
    QApplication app(argc, argv);
    Window window;
    window.show();
    openVolumeArgument(window, QApplication::arguments());
    return app.exec();
}
