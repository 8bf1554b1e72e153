#include "ValueHistogram.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int binCount = 65536;

} // namespace

ValueHistogram::ValueHistogram(double min, double max)
    : lowest(min)
    , highest(max)
    , binWidth((max - min) / binCount)
    , bins(binCount, 0)
{
}

void ValueHistogram::add(double value)
{
    if (!std::isfinite(value) || value < lowest || value > highest)
        return;
    const double position = binWidth > 0.0 ? (value - lowest) / binWidth : 0.0;
    ++bins[size_t(std::min(int(position), binCount - 1))];
    ++total;
}

double ValueHistogram::lowerBound(double fraction) const
{
    return edge(binOf(fraction));
}

double ValueHistogram::upperBound(double fraction) const
{
    return edge(binOf(fraction) + 1);
}

int ValueHistogram::binOf(double fraction) const
{
    const uint64_t wanted = std::max<uint64_t>(1, uint64_t(std::ceil(fraction * double(total))));
    uint64_t seen = 0;
    for (int bin = 0; bin < binCount; ++bin) {
        seen += bins[size_t(bin)];
        if (seen >= wanted)
            return bin;
    }
    return binCount - 1;
}

double ValueHistogram::edge(int bin) const
{
    return bin >= binCount ? highest : std::min(highest, lowest + bin * binWidth);
}
