// The reader program: reads one volume for the viewer in a process of its own, so that a
// library that crashes, aborts or runs away with memory on a damaged file ends this process
// and not the viewer (or dat-import). The viewer starts it with a request (ReaderProtocol):
//     dichtenschau-reader read {"path":PATH, "valuesFile":FD, "options":{...}}
// and it imports PATH with those options, reads the values straight into the file in memory
// it inherited as descriptor FD (SampleFile), where they stay in their stored type for the
// caller to map, and answers in the lines of ReaderProtocol on its standard output: the
// mapping it chose travels in the answer, and the caller makes the 12-bit samples. Whatever the libraries print goes to its standard error, which the
// viewer keeps apart. It ends with the viewer: nobody would take its answer.
//
// Its address space is bounded: at first by what the program itself takes plus a margin for
// reading headers, then, once a reader announces the grid its header declares, by what that
// grid needs besides. A file that makes a library allocate far beyond what it declares is
// refused for want of memory, or ends the process, which the viewer reports.
//
// For the tests, DICHTENSCHAU_READER_FAULT (abort, crash, kill, hang or memory) makes it
// misbehave at its first report of progress.

#include "ReaderProtocol.h"
#include "SampleFile.h"
#include "VolumeImport.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define READER_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr uint64_t mebibyte = uint64_t(1) << 20;
// Room for reading headers, decoding one compressed image, the threads and the libraries'
// own tables, above what the program takes when it starts.
constexpr uint64_t headerMargin = uint64_t(1) << 30;
// A fault that asks for this much must meet the limit.
constexpr uint64_t faultAllocation = uint64_t(16) << 30;

// The answer's own stream: the standard output as it was at the start, before it was
// pointed at the standard error, so that no library's printing can land inside an answer.
std::FILE *answer = nullptr;

void takeStandardOutputForTheAnswer()
{
    std::fflush(stdout);
    answer = fdopen(dup(STDOUT_FILENO), "w");
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), answer);
    std::fputc('\n', answer);
    std::fflush(answer);
}

uint64_t addressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        uint64_t kilobytes = 0;
        if (key == "VmSize:" && status >> kilobytes)
            return kilobytes * 1024;
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// The sanitizer reserves terabytes of address space for its shadow memory: under it the
// limit stays off.
class AddressSpaceLimit
{
public:
    AddressSpaceLimit()
    {
        // Each arena of the allocator reserves 64 MiB of address space per thread.
        mallopt(M_ARENA_MAX, 2);
        base = addressSpaceInUse() + headerMargin;
        allowAtLeast(base);
    }

    // The samples of a declared grid: as stored in the values file, once more in a library's
    // own buffers, and room for a conversion of two bytes each on the way.
    void allowGrid(uint64_t samples, int bytesPerSample)
    {
        const uint64_t perSample = uint64_t(2 * bytesPerSample + 2);
        allowAtLeast(samples > (UINT64_MAX - base) / perSample ? UINT64_MAX : base + samples * perSample);
    }

private:
    void allowAtLeast(uint64_t bytes)
    {
        if (bytes <= allowed)
            return;
        allowed = bytes;
#ifndef READER_UNDER_ADDRESS_SANITIZER
        rlimit limit;
        if (getrlimit(RLIMIT_AS, &limit) != 0)
            return;
        limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? rlim_t(bytes) : std::min<rlim_t>(rlim_t(bytes), limit.rlim_max);
        setrlimit(RLIMIT_AS, &limit);
#endif
    }

    uint64_t base = 0;
    uint64_t allowed = 0;
};

void misbehave(const char *fault)
{
    if (std::strcmp(fault, "abort") == 0)
        std::abort();
    if (std::strcmp(fault, "crash") == 0)
        std::raise(SIGSEGV);
    if (std::strcmp(fault, "kill") == 0)
        std::raise(SIGKILL);
    if (std::strcmp(fault, "hang") == 0)
        for (;;)
            pause();
    if (std::strcmp(fault, "memory") == 0) {
        // Kept in a volatile, or the compiler may leave out an allocation nobody uses.
        char *volatile hog = new char[faultAllocation];
        delete[] hog;
    }
}

ImportProgress::Listener progressListener()
{
    const char *fault = std::getenv("DICHTENSCHAU_READER_FAULT");
    return [fault, first = true](double fraction) mutable {
        if (fault && first)
            misbehave(fault);
        first = false;
        say(ReaderProtocol::progressLine(fraction));
    };
}

} // namespace

int main(int argc, char **argv)
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
        progressListener(), [&limit](uint64_t samples, int bytesPerSample) { limit.allowGrid(samples, bytesPerSample); },
        [valuesFile](uint64_t bytes) { return createValueBytes(valuesFile, bytes); });
    const ImportResult result = importValues(request.path, request.options, progress);
    say(ReaderProtocol::resultLine(result));
    return 0;
}
