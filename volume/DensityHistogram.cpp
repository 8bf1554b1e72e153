#include "DensityHistogram.h"

#include "VectorState.h"

#include <algorithm>
#include <memory>

#include <emmintrin.h>

#include <QPainter>
#include <QPixmap>

namespace {

constexpr int32_t sparseAtMost = 255;
constexpr int32_t denseAtLeast = 257;

// Counters of one value each in four tables, each taking two of the eight samples of a
// block: a run of equal samples (the empty space around a scan) then increments four
// different counters in turn instead of making each increment wait for the one before it
// to the same counter. Eight tables break the chain further but no longer fit the level-1
// cache beside the samples, and counted slower.
constexpr int countTables = 4;
using LaneCounters = std::array<std::array<int32_t, DensityHistogram::valueCount>, countTables>;

// Counts eight samples of at most 4095, four in each half of the block.
inline void countBlock(uint64_t low, uint64_t high, LaneCounters &lanes)
{
    for (int lane = 0; lane < 4; ++lane) {
        ++lanes[lane][(low >> (16 * lane)) & 0xffff];
        ++lanes[lane][(high >> (16 * lane)) & 0xffff];
    }
}

int64_t clampAndCountBlocks(uint16_t *samples, int64_t blockCount, LaneCounters &lanes)
{
    int64_t clamped = 0;
    // The saturating difference s - 4095 is the excess of a sample, 0 where it is in range.
    const __m128i limit = _mm_set1_epi16(short(DensityHistogram::valueCount - 1));
    const __m128i zero = _mm_setzero_si128();
    for (int64_t block = 0; block < blockCount; ++block) {
        __m128i *at = reinterpret_cast<__m128i *>(samples + 8 * block);
        const __m128i value = _mm_loadu_si128(at);
        const __m128i excess = _mm_subs_epu16(value, limit);
        const int inRange = _mm_movemask_epi8(_mm_cmpeq_epi16(excess, zero));
        const __m128i lowered = _mm_sub_epi16(value, excess);
        if (inRange != 0xffff) {
            clamped += __builtin_popcount(~inRange & 0xffff) / 2;
            _mm_storeu_si128(at, lowered);
        }
        countBlock(uint64_t(_mm_cvtsi128_si64(lowered)), uint64_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lowered, lowered))),
                   lanes);
    }
    return clamped;
}

} // namespace

int64_t DensityHistogram::clampAndCount(uint16_t *samples, int64_t sampleCount)
{
    clearUpperVectorHalves();
    const auto lanes = std::make_unique<LaneCounters>();
    const int64_t blocks = sampleCount / 8;
    int64_t clamped = clampAndCountBlocks(samples, blocks, *lanes);
    for (int64_t i = 8 * blocks; i < sampleCount; ++i) {
        clamped += samples[i] >= valueCount;
        samples[i] = std::min<uint16_t>(samples[i], valueCount - 1);
        ++(*lanes)[0][samples[i]];
    }
    for (int value = 1; value < valueCount; ++value)
        for (const auto &lane : *lanes)
            counters[value] += lane[value];
    for (const auto &lane : *lanes)
        uncounted += lane[0];
    return clamped;
}

void DensityHistogram::count(const uint16_t *samples, int64_t sampleCount)
{
    // Runs of equal samples (the empty space around a scan) would make every increment wait
    // for the previous one to the same counter; four interleaved tables break that chain.
    // Uncounted samples go to counter 0, which is dropped, so the loop has no branch.
    constexpr int tables = 4;
    std::array<std::array<int32_t, valueCount>, tables> partial{};
    int64_t i = 0;
    const auto slot = [](uint16_t sample) { return sample < valueCount ? sample : 0; };
    for (; i + tables <= sampleCount; i += tables)
        for (int t = 0; t < tables; ++t)
            ++partial[t][slot(samples[i + t])];
    for (; i < sampleCount; ++i)
        ++partial[0][slot(samples[i])];
    for (int value = 1; value < valueCount; ++value)
        for (int t = 0; t < tables; ++t)
            counters[value] += partial[t][value];
    for (int t = 0; t < tables; ++t)
        uncounted += partial[t][0];
}

DensityRange DensityHistogram::narrowedRange() const
{
    DensityRange range = narrowedEnds();
    if (!collapsed())
        return range;
    const int32_t value = range.min;
    const int32_t spread = std::min({value, valueCount - 1 - value, int32_t(collapseSpread)});
    if (spread > 0)
        return DensityRange{value - spread, value + spread};
    // 4095 has no room above it: it stays at the top.
    return DensityRange{std::max(0, value - int32_t(collapseSpread)), value};
}

bool DensityHistogram::collapsed() const
{
    const DensityRange range = narrowedEnds();
    return range.min == range.max && counters[range.min] > 0;
}

int DensityHistogram::distinctValues() const
{
    const int counted = int(std::count_if(counters.begin() + 1, counters.end(), [](int32_t c) { return c > 0; }));
    return counted + (uncounted > 0 ? 1 : 0);
}

DensityRange DensityHistogram::narrowedEnds() const
{
    const auto sparse = [this](int value) { return counters[value] <= sparseAtMost; };
    const auto dense = [this](int value) { return counters[value] >= denseAtLeast; };

    DensityRange counted{valueCount - 1, 0};
    for (int value = 1; value < valueCount; ++value) {
        if (counters[value] > 0) {
            counted.min = std::min(counted.min, value);
            counted.max = std::max(counted.max, value);
        }
    }

    DensityRange range = counted;
    while (range.min < valueCount - 1 && sparse(range.min + 1)) {
        int next = range.min + 1;
        while (next < valueCount && !dense(next))
            ++next;
        if (next == valueCount)
            break;
        range.min = next;
    }
    while (range.max > 0 && sparse(range.max - 1)) {
        int next = range.max - 1;
        while (next >= 0 && !dense(next))
            --next;
        if (next < 0)
            break;
        range.max = next;
    }

    if (range.max < range.min)
        range = counted;
    if (range.max < range.min)
        range = DensityRange{};
    return range;
}

int32_t DensityHistogram::barScale(int64_t voxelCount)
{
    return int32_t(std::max<int64_t>(1, voxelCount / 50000));
}

QPixmap DensityHistogram::picture(const DensityRange &range, int32_t scale) const
{
    QPixmap pixmap(range.width(), pictureHeight);
    pixmap.fill(Qt::lightGray);
    QPainter painter(&pixmap);
    const QBrush bar(Qt::red, Qt::SolidPattern);
    for (int column = 0; column < range.width(); ++column) {
        const int32_t height = counters[range.min + column] / scale;
        if (height > 0)
            painter.fillRect(column, pictureHeight - std::min(height, pictureHeight), 1,
                             std::min(height, pictureHeight), bar);
    }
    painter.end();
    return pixmap;
}
