#include "RegionStatistics.h"

#include "MeasurementGeometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The voxel indices along an axis of n voxels whose centres can lie between a and b.
std::array<int, 2> indexRange(double a, double b, int voxels)
{
    const int first = std::max(0, int(std::ceil(std::min(a, b))));
    const int last = std::min(voxels - 1, int(std::floor(std::max(a, b))));
    return {first, last};
}

double medianOf(std::vector<double> &values)
{
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + std::ptrdiff_t(middle));
    return (lower + upper) / 2.0;
}

} // namespace

RegionStatistics regionStatistics(const SliceSource &source, const Measurement &region)
{
    RegionStatistics stats;
    if (source.isEmpty() || !region.isRegion() || region.points.size() != 2 || region.slice < 0
        || region.slice >= source.size[region.sliceAxis])
        return stats;
    stats.areaMm2 = regionAreaMm2(spacingOf(source), region);
    if (stats.areaMm2 <= 0.0)
        return stats;

    const std::array<int, 2> axes = inPlaneAxes(region.sliceAxis);
    const std::array<int, 2> us = indexRange(region.points[0][axes[0]], region.points[1][axes[0]], source.size[axes[0]]);
    const std::array<int, 2> vs = indexRange(region.points[0][axes[1]], region.points[1][axes[1]], source.size[axes[1]]);
    std::vector<double> values;
    std::array<int, 3> voxel{0, 0, 0};
    voxel[region.sliceAxis] = region.slice;
    for (int v = vs[0]; v <= vs[1]; ++v)
        for (int u = us[0]; u <= us[1]; ++u)
            if (voxelInRegion(region, u, v)) {
                voxel[axes[0]] = u;
                voxel[axes[1]] = v;
                values.push_back(source.valueAt(voxel));
            }
    if (values.empty())
        return stats;

    stats.voxels = int64_t(values.size());
    double sum = 0.0;
    for (double value : values)
        sum += value;
    stats.mean = sum / double(values.size());
    double squares = 0.0;
    for (double value : values)
        squares += (value - stats.mean) * (value - stats.mean);
    stats.standardDeviation = values.size() > 1 ? std::sqrt(squares / double(values.size() - 1)) : 0.0;
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    stats.minimum = *lowest;
    stats.maximum = *highest;
    stats.median = medianOf(values);
    return stats;
}
