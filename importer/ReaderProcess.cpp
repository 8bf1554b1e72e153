#include "ReaderProcess.h"

#include "ReaderProtocol.h"
#include "SampleFile.h"
#include "ValueSamples.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int pollMilliseconds = 50;
// Of what the libraries print only the end is kept: what they said last tells.
constexpr qsizetype keptMessageBytes = 16 * 1024;
constexpr qsizetype messageLength = 200;
constexpr int largestSize = 65535;
const char *const programName = "dichtenschau-reader";

bool verbose()
{
    return qEnvironmentVariableIntValue("DICHTENSCHAU_VERBOSE") != 0;
}

ImportResult refused(const QString &path, const std::string &reason, bool cancelled = false)
{
    ImportResult result;
    result.refusal = QFile::encodeName(path).toStdString() + ": " + reason;
    result.cancelled = cancelled;
    return result;
}

bool validSizes(const ImportResult &result)
{
    const auto valid = [](int size) { return size > 0 && size <= largestSize; };
    return valid(result.sizeX) && valid(result.sizeY) && valid(result.sizeZ);
}

void end(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

// What the process has read so far, from files and pipes alike; 0 where the system does not
// tell.
uint64_t bytesReadBy(qint64 pid)
{
    QFile io(QStringLiteral("/proc/%1/io").arg(pid));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toULongLong();
    return 0;
}

struct FileCloser
{
    int file;
    ~FileCloser()
    {
        if (file >= 0)
            close(file);
    }
};

} // namespace

ReaderProcess::ReaderProcess(std::chrono::milliseconds stallLimit, QString program)
    : stallLimit(stallLimit), program(std::move(program))
{
}

QString ReaderProcess::defaultProgram()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(programName));
    return QFileInfo(beside).isExecutable() ? beside : QStringLiteral(DICHTENSCHAU_READER_BUILD_PATH);
}

ImportResult ReaderProcess::read(const QString &path, const ImportOptions &options, const Progress &progress,
                                 const std::atomic<bool> &cancel)
{
    std::string failure;
    const FileCloser values{makeSampleFile(failure)};
    if (values.file < 0)
        return refused(path, "no file in memory for the reader's values: " + failure);
    QProcess process;
    process.setProgram(program);
    process.setArguments(ReaderProtocol::requestArguments({QFile::encodeName(path).toStdString(), options, values.file}));
    // The reader, and no other program started meanwhile, inherits the values file.
    process.setChildProcessModifier([file = values.file] { fcntl(file, F_SETFD, 0); });
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return refused(path, "the reader " + program.toStdString() + " cannot start: " + process.errorString().toStdString());

    switch (waitForAnswer(process, progress, cancel)) {
    case Waited::Cancelled:
        return refused(path, "opening cancelled", true);
    case Waited::Stalled:
        return refused(path, "the reader made no progress for " + std::to_string(stallLimit.count() / 1000) + " seconds");
    case Waited::Finished:
        break;
    }
    return outcome(process, path, values.file);
}

ReaderProcess::Waited ReaderProcess::waitForAnswer(QProcess &process, const Progress &progress,
                                                   const std::atomic<bool> &cancel)
{
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    uint64_t bytesRead = 0;
    for (;;) {
        if (cancel.load()) {
            end(process);
            return Waited::Cancelled;
        }
        process.waitForReadyRead(pollMilliseconds);
        progressed = false;
        takeLines(process, progress);
        keepMessages(process);
        if (process.state() == QProcess::NotRunning)
            return Waited::Finished;
        // A long stretch of a single file (a large compressed volume) reports nothing, but
        // the reader is still reading it.
        const uint64_t bytesReadNow = bytesReadBy(process.processId());
        progressed = progressed || bytesReadNow > bytesRead;
        bytesRead = bytesReadNow;
        if (progressed)
            sinceProgress.restart();
        else if (sinceProgress.elapsed() > stallLimit.count()) {
            end(process);
            return Waited::Stalled;
        }
    }
}

void ReaderProcess::takeLines(QProcess &process, const Progress &progress)
{
    pendingOutput += process.readAllStandardOutput();
    qsizetype lineEnd;
    while ((lineEnd = pendingOutput.indexOf('\n')) >= 0) {
        const QByteArray line = pendingOutput.left(lineEnd);
        pendingOutput.remove(0, lineEnd + 1);
        double fraction = 0.0;
        if (ReaderProtocol::readProgress(line, &fraction)) {
            progressed = true;
            progress(fraction);
        } else if (line.startsWith("result ")) {
            answer = line;
        }
    }
}

void ReaderProcess::keepMessages(QProcess &process)
{
    const QByteArray said = process.readAllStandardError();
    if (said.isEmpty())
        return;
    if (verbose()) {
        std::fwrite(said.constData(), 1, size_t(said.size()), stderr);
        std::fflush(stderr);
    }
    messages += said;
    if (messages.size() > keptMessageBytes)
        messages.remove(0, messages.size() - keptMessageBytes);
}

ImportResult ReaderProcess::outcome(QProcess &process, const QString &path, int valuesFile)
{
    takeLines(process, [](double) {});
    keepMessages(process);
    // An answer is given only once the values are written; whatever ends the process after
    // it cannot take them back.
    if (!answer.isEmpty()) {
        ImportResult result;
        SampleType type = SampleType::UInt8;
        const bool read = ReaderProtocol::readResult(answer, &result);
        if (!read || (result.ok() && !result.isListing() && (!validSizes(result) || !parseSampleTypeName(QString::fromStdString(result.sampleType), &type))))
            return refused(path, "the reader's answer cannot be read");
        if (!result.ok() || result.isListing())
            return result;
        return withSamples(std::move(result), path, valuesFile, type);
    }
    const std::string said = lastMessage().empty() ? std::string() : " (it said: " + lastMessage() + ")";
    if (process.exitStatus() == QProcess::CrashExit)
        return refused(path, "the reader stopped on signal " + std::to_string(process.exitCode()) + said);
    return refused(path, "the reader ended without an answer (exit status " + std::to_string(process.exitCode()) + ")" + said);
}

// The values are mapped where the reader left them and kept so; the samples are made from
// them here, on every core, off the caller's GUI thread.
ImportResult ReaderProcess::withSamples(ImportResult result, const QString &path, int valuesFile, SampleType type)
{
    std::string failure;
    const uint64_t count = uint64_t(result.sizeX) * uint64_t(result.sizeY) * uint64_t(result.sizeZ);
    std::shared_ptr<const unsigned char> bytes = mapValueBytes(valuesFile, count * uint64_t(sampleTypeSize(type)), failure);
    if (!bytes)
        return refused(path, "the reader's values cannot be used: " + failure);
    result.values = OriginalValues(std::move(bytes), type, count);
    try {
        result.samples = mapToSamples(result.values, result.mapping, result.lowestValue, result.highestValue, mappingThreads());
    } catch (const std::bad_alloc &) {
        return refused(path, "not enough memory for " + std::to_string(count) + " samples");
    }
    return result;
}

// The last line the libraries printed, as one printable line.
std::string ReaderProcess::lastMessage() const
{
    const QList<QByteArray> lines = messages.trimmed().split('\n');
    QByteArray line = lines.isEmpty() ? QByteArray() : lines.last().trimmed();
    for (char &c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    if (line.size() > messageLength)
        line = line.left(messageLength) + "...";
    return line.toStdString();
}
