#include "CommandLine.h"
#include "DatWriter.h"
#include "ImportError.h"
#include "OutputCheck.h"
#include "ReaderProcess.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

// Inputs of more bytes than this show their progress.
constexpr qint64 progressThresholdBytes = 32 << 20;
// As long as the viewer waits for a reader that neither reports nor reads.
constexpr std::chrono::seconds stallLimit(30);

// Prints "reading NAME: 10% 20% ... 100%" as one line, a step at each tenth.
class ProgressLine
{
public:
    explicit ProgressLine(const QString &input)
        : input(input)
    {
    }

    void operator()(double fraction)
    {
        const int percent = int(fraction * 100.0 + 1e-9);
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

qint64 inputBytes(const QString &input)
{
    const QFileInfo info(input);
    if (!info.isDir())
        return info.size();
    qint64 total = 0;
    QDirIterator it(input, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

void refuseOutput(const ImportRequest &request, const std::vector<std::string> &inputFiles)
{
    const QString refusal = outputRefusal(request.output, inputFiles, request.force);
    if (!refusal.isEmpty())
        throw ImportError(refusal);
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString summaryLine(const ImportRequest &request, const ImportResult &result)
{
    return QStringLiteral("wrote %1: %2 x %3 x %4 from %5 %6, values %7..%8, mapping %9")
        .arg(request.output)
        .arg(result.sizeX)
        .arg(result.sizeY)
        .arg(result.sizeZ)
        .arg(QString::fromStdString(result.format), QString::fromStdString(result.sampleType), number(result.lowestValue),
             number(result.highestValue), result.mapping.description());
}

void convert(const ImportRequest &request)
{
    refuseOutput(request, {request.input.toStdString()});
    ReaderProcess::Progress listener = [](double) {};
    if (inputBytes(request.input) > progressThresholdBytes)
        listener = ProgressLine(request.input);
    // The libraries abort on some damaged files: the reader program reads, as it does for the
    // viewer, and its end becomes the refusal.
    const std::atomic<bool> never{false};
    const ImportResult result = ReaderProcess(stallLimit).read(request.input, request.options, listener, never);
    if (!result.ok())
        throw ImportError(QString::fromStdString(result.refusal));
    refuseOutput(request, result.files);
    for (const std::string &note : result.notes)
        std::printf("%s\n", note.c_str());
    const int sizes[3] = {result.sizeX, result.sizeY, result.sizeZ};
    writeDat(request.output, sizes, result.samples.data());
    std::printf("%s\n", qPrintable(summaryLine(request, result)));
}

int refuse(const QString &reason)
{
    std::fprintf(stderr, "dat-import: %s\n", qPrintable(reason));
    return 1;
}

int convertOrRefuse(const ImportRequest &request)
{
    try {
        convert(request);
        return 0;
    } catch (const ImportError &error) {
        return refuse(error.message());
    } catch (const std::bad_alloc &) {
        return refuse(QStringLiteral("not enough memory"));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    CommandLine commandLine;
    try {
        commandLine = parseCommandLine(QCoreApplication::arguments());
    } catch (const ImportError &error) {
        return refuse(error.message());
    }
    if (commandLine.help) {
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    }
    return convertOrRefuse(commandLine.request);
}
