#pragma once

#include "ImportOptions.h"
#include "ImportResult.h"
#include "SampleType.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

class QProcess;

// Reads one volume in the reader program, dichtenschau-reader, so that whatever the format
// libraries do with a damaged file ends that process and not its caller: the viewer, and
// dat-import alike. The program is the shipped one (defaultProgram) unless the caller names
// another, as the tests do.
//
// read() runs on the caller's worker thread, or its only one: it starts the program and
// waits for its lines (ReaderProtocol), passing on its progress and watching the cancel
// flag, which ends the program at once. The values come back in their stored type in a file
// in memory that the program inherits (SampleFile); they are mapped, not copied, and kept as
// the result's original values, and the 12-bit samples are made from them with the mapping
// the reader chose, on every core.
//
// A program that crashes, is killed, hits its memory limit, or makes no progress for the
// stall limit (neither reports any nor reads from its files) becomes a refusal that says
// so. What the libraries print stays off the console: its last line joins such a refusal,
// and with DICHTENSCHAU_VERBOSE=1 all of it goes to the viewer's standard error.
class ReaderProcess
{
public:
    explicit ReaderProcess(std::chrono::milliseconds stallLimit, QString program = defaultProgram());

    // Called with the fraction done, 0..1.
    using Progress = std::function<void(double fraction)>;

    // As importVolume reads: every refusal names the path, or a file inside it.
    ImportResult read(const QString &path, const ImportOptions &options, const Progress &progress,
                      const std::atomic<bool> &cancel);

    // The shipped reader program: beside the caller's executable, else where the build put it.
    static QString defaultProgram();

private:
    enum class Waited { Finished, Cancelled, Stalled };

    Waited waitForAnswer(QProcess &process, const Progress &progress, const std::atomic<bool> &cancel);
    void takeLines(QProcess &process, const Progress &progress);
    void keepMessages(QProcess &process);
    ImportResult outcome(QProcess &process, const QString &path, int valuesFile);
    ImportResult withSamples(ImportResult result, const QString &path, int valuesFile, SampleType type);
    std::string lastMessage() const;

    std::chrono::milliseconds stallLimit;
    QString program;
    QByteArray pendingOutput;
    QByteArray messages;
    QByteArray answer;
    bool progressed = false;
};
