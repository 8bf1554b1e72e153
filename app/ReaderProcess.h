#pragma once

#include "VolumeReader.h"

#include <QByteArray>
#include <QString>

#include <chrono>

class QProcess;

// Reads one volume in the reader program, dichtenschau-reader, so that whatever the format
// libraries do with a damaged file ends that process and not the viewer. The program is
// found beside the viewer's executable, else where the build put it.
//
// read() runs on the open flow's worker thread: it starts the program and waits for its
// lines (ReaderProtocol), passing on its progress and watching the cancel flag, which ends
// the program at once. The samples come back in a file in memory that the program inherits
// (SampleFile); they are mapped, not copied.
//
// A program that crashes, is killed, hits its memory limit, or makes no progress for the
// stall limit (neither reports any nor reads from its files) becomes a refusal that says so. What the libraries print stays off the
// console: its last line joins such a refusal, and with DICHTENSCHAU_VERBOSE=1 all of it
// goes to the viewer's standard error.
class ReaderProcess
{
public:
    explicit ReaderProcess(std::chrono::milliseconds stallLimit);

    // As a VolumeReader: the refusal names files inside path but not path itself.
    ImportResult read(const QString &path, const GridLimits &limits, const ReadProgress &progress, const std::atomic<bool> &cancel);

    static QString programPath();

private:
    enum class Waited { Finished, Cancelled, Stalled };

    Waited waitForAnswer(QProcess &process, const ReadProgress &progress, const std::atomic<bool> &cancel);
    void takeLines(QProcess &process, const ReadProgress &progress);
    void keepMessages(QProcess &process);
    ImportResult outcome(QProcess &process, int samplesFile);
    std::string lastMessage() const;

    std::chrono::milliseconds stallLimit;
    QByteArray pendingOutput;
    QByteArray messages;
    QByteArray answer;
    bool progressed = false;
};
