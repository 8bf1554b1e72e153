#include "CommandLine.h"
#include "ImportError.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>

namespace {

// Prints "reading NAME: 10% 20% ... 100%" as one line, a step at each tenth.
class ProgressLine
{
public:
    explicit ProgressLine(const QString &input)
        : input(input)
    {
    }

    void operator()(int percent)
    {
        if (printedTenths < 0) {
            std::printf("reading %s:", qPrintable(input));
            printedTenths = 0;
        }
        while (printedTenths < percent / 10) {
            ++printedTenths;
            std::printf(" %d%%", printedTenths * 10);
        }
        if (percent == 100)
            std::printf("\n");
        std::fflush(stdout);
    }

private:
    QString input;
    int printedTenths = -1;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    try {
        const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
        if (commandLine.help) {
            std::fputs(qPrintable(usageText()), stdout);
            return 0;
        }
        const ImportResult result = importVolume(commandLine.request, ProgressLine(commandLine.request.input));
        std::printf("%s\n", qPrintable(summaryLine(commandLine.request, result)));
        return 0;
    } catch (const ImportError &error) {
        std::fprintf(stderr, "dat-import: %s\n", qPrintable(error.message()));
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "dat-import: not enough memory\n");
    }
    return 1;
}
