#pragma once

#include <array>
#include <cstdint>

class QPixmap;

// The value range of a volume where its data is dense, and the picture of how often each
// value of that range occurs, shown behind the alpha curve of the transfer-function editor.
//
// Only the 12-bit values 1..4095 are counted: 0 is the empty space around a scan, and values
// above 4095 lie outside the transfer table.

struct DensityRange
{
    int32_t min = 0;
    int32_t max = 4095;

    int32_t width() const { return max - min + 1; }
};

class DensityHistogram
{
public:
    static constexpr int valueCount = 4096;
    static constexpr int pictureHeight = 65;

    // Adds the samples to the counters.
    void count(const uint16_t *samples, int64_t sampleCount);
    // Lowers the samples above 4095 to 4095 and adds them all to the counters, the lowered
    // ones as 4095, in one pass while they are in the cache; returns how many were lowered.
    int64_t clampAndCount(uint16_t *samples, int64_t sampleCount);
    int32_t counter(int value) const { return counters[value]; }

    // The smallest to largest counted value, each end then moved inward past sparse values
    // (counted at most 255 times) onto dense ones (at least 257); a value counted exactly 256
    // times is neither and stops the move. Should the ends cross, the full counted range;
    // with nothing counted, 0..4095. Should they meet on one value (a mask, a volume of one
    // value), a range with that value in its middle, where the transfer function's default
    // shows it, as wide as the values 0..4095 allow, up to collapseSpread on either side.
    DensityRange narrowedRange() const;
    // Whether the narrowing met on one value and narrowedRange widened it.
    bool collapsed() const;
    // How many different values were counted, the uncounted ones (0, above 4095) as one.
    int distinctValues() const;

    static constexpr int collapseSpread = 64;

    // The divisor of the bar heights: one pixel per 50 000 voxels' worth of counts, at
    // least 1 so that small volumes still draw.
    static int32_t barScale(int64_t voxelCount);

    // One column per value of the range on light grey, each with a red bar standing on the
    // bottom row, counter / scale pixels tall and cut off at the top.
    QPixmap picture(const DensityRange &range, int32_t scale) const;

private:
    DensityRange narrowedEnds() const;

    std::array<int32_t, valueCount> counters{};
    int64_t uncounted = 0;
};
