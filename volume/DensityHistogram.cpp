#include "DensityHistogram.h"

#include <algorithm>

#include <QPainter>
#include <QPixmap>

namespace {

constexpr int32_t sparseAtMost = 255;
constexpr int32_t denseAtLeast = 257;

} // namespace

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
