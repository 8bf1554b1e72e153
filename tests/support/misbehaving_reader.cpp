// The reader program as the tests need it to fail: the shipped program's own body, which
// misbehaves at its first report of progress as MISBEHAVING_READER_FAULT says: abort, crash,
// kill, hang, memory (asks for far more than its limit allows) or garbage (an answer that
// cannot be read). Without the variable it reads as the shipped one does.

#include "ReaderProgram.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace {

// A fault that asks for this much must meet the limit.
constexpr uint64_t faultAllocation = uint64_t(16) << 30;

void misbehave(ReaderProgram &program, const char *fault)
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
    if (std::strcmp(fault, "garbage") == 0) {
        program.say("result {\"sizeX\":");
        std::_Exit(0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const char *fault = std::getenv("MISBEHAVING_READER_FAULT");
    bool first = true;
    ReaderProgram program([fault, &first](ReaderProgram &running, double) {
        if (fault && first)
            misbehave(running, fault);
        first = false;
    });
    return program.run(argc, argv);
}
