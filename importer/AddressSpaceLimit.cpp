#include "AddressSpaceLimit.h"

#include <algorithm>
#include <fstream>
#include <string>

#include <malloc.h>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define READER_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

// Room for reading headers, decoding one compressed image, the threads and the libraries'
// own tables, above what the program takes when it starts.
constexpr uint64_t headerMargin = uint64_t(1) << 30;

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

} // namespace

AddressSpaceLimit::AddressSpaceLimit()
{
    // Each arena of the allocator reserves 64 MiB of address space per thread.
    mallopt(M_ARENA_MAX, 2);
    base = addressSpaceInUse() + headerMargin;
    allowAtLeast(base);
}

void AddressSpaceLimit::allowGrid(uint64_t samples, int bytesPerSample)
{
    const uint64_t perSample = uint64_t(2 * bytesPerSample + 2);
    allowAtLeast(samples > (UINT64_MAX - base) / perSample ? UINT64_MAX : base + samples * perSample);
}

void AddressSpaceLimit::allowAtLeast(uint64_t bytes)
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
