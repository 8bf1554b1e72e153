#include "WindowLevel.h"

#include <algorithm>
#include <cmath>

namespace {

// Enough voxels for percentiles that do not change visibly, few enough for an instant
// open of a whole-body CT.
constexpr int64_t surveyedVoxels = int64_t(1) << 22;

using SampleCounts = std::array<int64_t, transferTableSize>;

// Counts every n-th voxel of the grid, n chosen so that about surveyedVoxels are counted.
SampleCounts countSamples(const SliceSource &source, int64_t &counted)
{
    SampleCounts counts{};
    counted = 0;
    const int64_t voxels = int64_t(source.size[0]) * source.size[1] * source.size[2];
    const int64_t step = std::max<int64_t>(1, voxels / surveyedVoxels);
    for (int64_t i = 0; i < voxels; i += step) {
        const int x = int(i % source.size[0]);
        const int y = int(i / source.size[0] % source.size[1]);
        const int z = int(i / (int64_t(source.size[0]) * source.size[1]));
        ++counts[std::min<int>(source.sampleAt({x, y, z}), maxSample)];
        ++counted;
    }
    return counts;
}

// The smallest sample at or below which more than share of the counted voxels lie.
int lowestBeyond(const SampleCounts &counts, int64_t counted, double share)
{
    int64_t sum = 0;
    for (int s = 0; s < maxSample; ++s) {
        sum += counts[s];
        if (double(sum) > share * double(counted))
            return s;
    }
    return maxSample;
}

// The largest sample at or above which more than share of the counted voxels lie.
int highestBeyond(const SampleCounts &counts, int64_t counted, double share)
{
    int64_t sum = 0;
    for (int s = maxSample; s > 0; --s) {
        sum += counts[s];
        if (double(sum) > share * double(counted))
            return s;
    }
    return 0;
}

WindowLevel windowOverSamples(int lo, int hi, const SampleUnits &units)
{
    const double low = units.valueOf(lo), high = units.valueOf(hi);
    return {std::max(std::fabs(high - low), narrowestWidth(units)), (low + high) / 2.0};
}

} // namespace

const std::vector<WindowPreset> &ctWindowPresets()
{
    static const std::vector<WindowPreset> presets = {
        {"brain", {80.0, 40.0}},
        {"soft tissue", {400.0, 40.0}},
        {"lung", {1500.0, -600.0}},
        {"bone", {2000.0, 500.0}},
    };
    return presets;
}

double narrowestWidth(const SampleUnits &units)
{
    const double step = std::fabs(1.0 / units.scale);
    return std::isfinite(step) && step > 0 ? step : 1.0;
}

GreyTable greyTable(const WindowLevel &window, const SampleUnits &units)
{
    GreyTable table;
    const double width = std::max(window.width, narrowestWidth(units));
    const double bottom = window.level - width / 2.0;
    for (int s = 0; s <= maxSample; ++s) {
        const double t = (units.valueOf(s) - bottom) / width;
        table[s] = uint8_t(std::lround(std::clamp(t, 0.0, 1.0) * 255.0));
    }
    return table;
}

double dragUnitsPerPixel(const SampleUnits &units)
{
    return std::fabs(units.valueOf(maxSample) - units.valueOf(0)) / 1024.0;
}

WindowLevel draggedWindow(const WindowLevel &window, int dx, int dy, double unitsPerPixel, const SampleUnits &units)
{
    return {std::max(window.width + dx * unitsPerPixel, narrowestWidth(units)), window.level - dy * unitsPerPixel};
}

WindowLevel automaticWindow(const SliceSource &source)
{
    if (source.isEmpty())
        return WindowLevel();
    int64_t counted = 0;
    const SampleCounts counts = countSamples(source, counted);
    int lo = lowestBeyond(counts, counted, 0.005);
    int hi = highestBeyond(counts, counted, 0.005);
    if (hi <= lo) {
        lo = lowestBeyond(counts, counted, 0.0);
        hi = highestBeyond(counts, counted, 0.0);
    }
    return windowOverSamples(lo, hi, source.units);
}

WindowLevel startWindow(const SampleUnits &units, const WindowLevel &automatic)
{
    return units.hounsfield ? ctWindowPresets()[1].window : automatic;
}
