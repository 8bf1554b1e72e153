#include "SampleFile.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FileCloser
{
    int file;
    ~FileCloser()
    {
        if (file >= 0)
            close(file);
    }
};

SampleBuffer mapped(void *address, size_t count)
{
    const size_t bytes = count * sizeof(uint16_t);
    return SampleBuffer(static_cast<uint16_t *>(address), count, [bytes](uint16_t *samples) { munmap(samples, bytes); });
}

} // namespace

SampleBuffer createSampleFile(const std::string &path, size_t count)
{
    if (count == 0)
        return SampleBuffer();
    const FileCloser file{open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
    const size_t bytes = count * sizeof(uint16_t);
    // Reserved now: a file in memory that runs out of room while mapped would end the
    // process with SIGBUS on the first sample past the room, instead of a refusal.
    if (file.file < 0 || posix_fallocate(file.file, 0, off_t(bytes)) != 0)
        throw std::bad_alloc();
    void *address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file.file, 0);
    if (address == MAP_FAILED)
        throw std::bad_alloc();
    return mapped(address, count);
}

SampleBuffer mapSampleFile(const std::string &path, size_t count, std::string &failure)
{
    const FileCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat status;
    if (file.file < 0 || fstat(file.file, &status) != 0) {
        failure = "its samples cannot be opened: " + std::string(std::strerror(errno));
        return SampleBuffer();
    }
    const size_t bytes = count * sizeof(uint16_t);
    if (count == 0 || !S_ISREG(status.st_mode) || uint64_t(status.st_size) != bytes) {
        failure = "its samples file holds " + std::to_string(status.st_size) + " bytes, the grid needs " + std::to_string(bytes);
        return SampleBuffer();
    }
    void *address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE, file.file, 0);
    if (address == MAP_FAILED) {
        failure = "its samples cannot be mapped: " + std::string(std::strerror(errno));
        return SampleBuffer();
    }
    return mapped(address, count);
}
