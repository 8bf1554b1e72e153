#include "LargeBuffer.h"

#include <cstdlib>
#include <limits>

#include <sys/mman.h>

namespace {
constexpr std::size_t hugePageSize = 2 << 20;
}

uint16_t *allocateLargeBuffer(int64_t count)
{
    if (count <= 0 || uint64_t(count) > std::numeric_limits<std::size_t>::max() / sizeof(uint16_t) - hugePageSize)
        return nullptr;
    const std::size_t exactBytes = std::size_t(count) * sizeof(uint16_t);
    if (exactBytes < hugePageSize)
        return static_cast<uint16_t *>(std::malloc(exactBytes));
    // Rounded up to whole huge pages so that the advice covers the last one too.
    const std::size_t bytes = (exactBytes + hugePageSize - 1) / hugePageSize * hugePageSize;
    void *memory = nullptr;
    if (posix_memalign(&memory, hugePageSize, bytes) != 0)
        return nullptr;
    madvise(memory, bytes, MADV_HUGEPAGE);
    return static_cast<uint16_t *>(memory);
}

void releaseLargeBuffer(uint16_t *&buffer)
{
    std::free(buffer);
    buffer = nullptr;
}
