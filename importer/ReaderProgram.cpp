#include "ReaderProgram.h"

#include "AddressSpaceLimit.h"
#include "ReaderProtocol.h"
#include "SampleFile.h"
#include "VolumeImport.h"

#include <QStringList>

#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <unistd.h>

ReaderProgram::ReaderProgram(ProgressHook beforeProgress) : beforeProgress(std::move(beforeProgress))
{
}

int ReaderProgram::run(int argc, char **argv)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    takeStandardOutputForTheAnswer();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromUtf8(argv[i]);
    ReadRequest request;
    if (!answer || !ReaderProtocol::readRequest(arguments, &request) || request.valuesFile < 0) {
        std::fprintf(stderr, "usage: dichtenschau-reader read REQUEST (started by the viewer)\n");
        return 2;
    }
    AddressSpaceLimit limit;
    const int valuesFile = request.valuesFile;
    const ImportProgress progress(
        [this](double fraction) {
            if (beforeProgress)
                beforeProgress(*this, fraction);
            say(ReaderProtocol::progressLine(fraction));
        },
        [&limit](uint64_t samples, int bytesPerSample) { limit.allowGrid(samples, bytesPerSample); },
        [valuesFile](uint64_t bytes) { return createValueBytes(valuesFile, bytes); });
    const ImportResult result = importValues(request.path, request.options, progress);
    say(ReaderProtocol::resultLine(result));
    return 0;
}

void ReaderProgram::say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), answer);
    std::fputc('\n', answer);
    std::fflush(answer);
}

void ReaderProgram::takeStandardOutputForTheAnswer()
{
    std::fflush(stdout);
    answer = fdopen(dup(STDOUT_FILENO), "w");
    dup2(STDERR_FILENO, STDOUT_FILENO);
}
