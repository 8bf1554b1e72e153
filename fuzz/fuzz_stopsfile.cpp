// Fuzz target of the stops file: every input is decoded as a whole, read as a file on disk
// the way the window reads a volume's stops, and the stops read are handed to a transfer-
// function editor with the colours fixed to alpha, as the window does after each open, which
// then builds its table.
//
// Besides the sanitizers' checks: the records are accounted for (stops, skipped, ignored),
// a file saved from decoded stops decodes to the same stops, reading the file gives what
// decoding its bytes gives, and the editor announces sorted stops inside 0..1.

#include "GradientEditor.h"
#include "StopsFile.h"

#include <QApplication>
#include <QFile>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int inputFile = -1;
QString inputPath;
GradientEditor *editor = nullptr;
QGradientStops announced;
bool announcedAny = false;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_stopsfile: %s\n", what);
    std::abort();
}

// Colours given out of range are refused with a warning of the toolkit's; the refusal is
// what is checked, the warnings would only flood the log.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

void checkDecoded(const QByteArray &bytes, const StopsFile::Decoded &decoded)
{
    const qsizetype records = bytes.size() / StopsFile::recordSize;
    check(decoded.stops.size() + decoded.skipped + decoded.ignored == records, "records lost in decoding");
    check(decoded.stops.size() <= StopsFile::maxStops, "more stops than the editor can hold");
    for (const QGradientStop &stop : decoded.stops)
        check(std::isfinite(stop.first), "a stop with a position that is not a number");

    const QByteArray saved = StopsFile::encode(decoded.stops);
    check(saved.size() == decoded.stops.size() * StopsFile::recordSize, "an encoding of the wrong length");
    const StopsFile::Decoded again = StopsFile::decode(saved);
    check(again.skipped == 0 && again.ignored == 0, "saved stops that do not read back");
    check(StopsFile::encode(again.stops) == saved, "saved stops that read back changed");
}

void checkAnnounced(const QGradientStops &given)
{
    if (given.isEmpty())
        return;
    check(announcedAny, "stops given to the editor were not announced");
    double previous = 0.0;
    for (const QGradientStop &stop : announced) {
        check(stop.first >= previous && stop.first <= 1.0, "announced stops out of order or beyond 0..1");
        previous = stop.first;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The reader reports damaged files on the standard output; the fuzzer's own log is on
    // standard error.
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);
    qInstallMessageHandler(quietMessages);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_stopsfile";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    editor = new GradientEditor(nullptr);
    editor->resize(600, 250);
    editor->show();
    QApplication::processEvents();
    editor->moveColorsToAlpha(true);
    QObject::connect(editor, &GradientEditor::gradientStopsChanged, [](const QGradientStops &stops) {
        announced = stops;
        announcedAny = true;
    });

    inputFile = memfd_create("fuzz.stops", 0);
    check(inputFile >= 0, "memfd_create failed");
    inputPath = QString("/proc/self/fd/%1").arg(inputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const StopsFile::Decoded decoded = StopsFile::decode(bytes);
    checkDecoded(bytes, decoded);

    check(ftruncate(inputFile, 0) == 0 && pwrite(inputFile, data, size, 0) == ssize_t(size),
          "cannot write the input file");
    QGradientStops read;
    check(StopsFile::read(inputPath, read) == StopsFile::ReadResult::Read, "an existing file read as missing");
    check(StopsFile::encode(read) == StopsFile::encode(decoded.stops), "reading differs from decoding");

    announcedAny = false;
    editor->setGradientStops(read);
    checkAnnounced(read);
    editor->buildTransferTable(0, 4095);
    if (size >= 4) {
        const int a = (data[0] | data[1] << 8) % 4096, b = (data[2] | data[3] << 8) % 4096;
        editor->buildTransferTable(std::min(a, b), std::max(a, b));
    }
    return 0;
}
