#include "SampleFile.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

int makeSampleFile(std::string &failure)
{
    const int file = memfd_create("dichtenschau-values", MFD_CLOEXEC);
    if (file < 0)
        failure = std::strerror(errno);
    return file;
}

OwnedArray<unsigned char> createValueBytes(int file, uint64_t bytes)
{
    if (bytes == 0)
        return OwnedArray<unsigned char>();
    // Reserved now: a file in memory that runs out of room while mapped would end the
    // process with SIGBUS at the first value past the room, instead of a refusal.
    if (posix_fallocate(file, 0, off_t(bytes)) != 0)
        throw std::bad_alloc();
    void *address = mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (address == MAP_FAILED)
        throw std::bad_alloc();
    return OwnedArray<unsigned char>(static_cast<unsigned char *>(address), size_t(bytes),
                                     [bytes](unsigned char *values) { munmap(values, size_t(bytes)); });
}

std::shared_ptr<const unsigned char> mapValueBytes(int file, uint64_t bytes, std::string &failure)
{
    struct stat status;
    if (fstat(file, &status) != 0) {
        failure = std::strerror(errno);
        return nullptr;
    }
    if (bytes == 0 || uint64_t(status.st_size) != bytes) {
        failure = "they take " + std::to_string(status.st_size) + " bytes, the grid needs " + std::to_string(bytes);
        return nullptr;
    }
    void *address = mmap(nullptr, size_t(bytes), PROT_READ, MAP_SHARED, file, 0);
    if (address == MAP_FAILED) {
        failure = std::strerror(errno);
        return nullptr;
    }
    return std::shared_ptr<const unsigned char>(static_cast<const unsigned char *>(address),
                                                [bytes](const unsigned char *values) {
                                                    munmap(const_cast<unsigned char *>(values), size_t(bytes));
                                                });
}
