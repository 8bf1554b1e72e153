#include "SampleFile.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

namespace {

SampleBuffer mapped(void *address, size_t count)
{
    const size_t bytes = count * sizeof(uint16_t);
    return SampleBuffer(static_cast<uint16_t *>(address), count, [bytes](uint16_t *samples) { munmap(samples, bytes); });
}

} // namespace

int makeSampleFile(std::string &failure)
{
    const int file = memfd_create("dichtenschau-samples", MFD_CLOEXEC);
    if (file < 0)
        failure = std::strerror(errno);
    return file;
}

SampleBuffer createSamples(int file, size_t count)
{
    if (count == 0)
        return SampleBuffer();
    const size_t bytes = count * sizeof(uint16_t);
    // Reserved now: a file in memory that runs out of room while mapped would end the
    // process with SIGBUS at the first sample past the room, instead of a refusal.
    if (posix_fallocate(file, 0, off_t(bytes)) != 0)
        throw std::bad_alloc();
    void *address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (address == MAP_FAILED)
        throw std::bad_alloc();
    return mapped(address, count);
}

SampleBuffer mapSamples(int file, size_t count, std::string &failure)
{
    struct stat status;
    if (fstat(file, &status) != 0) {
        failure = std::strerror(errno);
        return SampleBuffer();
    }
    const size_t bytes = count * sizeof(uint16_t);
    if (count == 0 || uint64_t(status.st_size) != bytes) {
        failure = "they take " + std::to_string(status.st_size) + " bytes, the grid needs " + std::to_string(bytes);
        return SampleBuffer();
    }
    void *address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, file, 0);
    if (address == MAP_FAILED) {
        failure = std::strerror(errno);
        return SampleBuffer();
    }
    return mapped(address, count);
}
