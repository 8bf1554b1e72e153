#include "BrickVisibility.h"

#include "BrickRanges.h"
#include "SampleLimits.h"

#include <algorithm>
#include <array>

namespace {

// Entry v is the number of table entries below v with alpha above 0, so any range of the
// table is tested in two lookups.
using OpaqueCounts = std::array<uint16_t, transferTableSize + 1>;

void countOpaqueEntries(const uint32_t *table, OpaqueCounts &counts)
{
    counts[0] = 0;
    for (int v = 0; v < transferTableSize; ++v)
        counts[size_t(v) + 1] = uint16_t(counts[size_t(v)] + (table[v] >> 24 != 0 ? 1 : 0));
}

} // namespace

void computeBrickVisibility(const BrickRanges &ranges, const uint32_t *table, std::vector<uint8_t> &visible)
{
    OpaqueCounts counts;
    countOpaqueEntries(table, counts);
    const int bricks = ranges.brickCount();
    visible.resize(size_t(bricks));
    for (int b = 0; b < bricks; ++b) {
        const int low = std::clamp(int(ranges.minimum(b)) - 1, 0, maxSample);
        const int high = std::clamp(int(ranges.maximum(b)) + 1, 0, maxSample);
        visible[size_t(b)] = counts[size_t(high) + 1] != counts[size_t(low)] ? 255 : 0;
    }
}
