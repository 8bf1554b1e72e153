#include "MeasurementGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;

// The side lengths of a region's box along its two in-plane axes, in voxels, and its centre.
struct RegionBox
{
    std::array<double, 2> centre;
    std::array<double, 2> half;
};

RegionBox boxOf(const Measurement &region)
{
    const std::array<int, 2> axes = inPlaneAxes(region.sliceAxis);
    RegionBox box;
    for (int i = 0; i < 2; ++i) {
        const double a = region.points[0][axes[i]], b = region.points[1][axes[i]];
        box.centre[i] = (a + b) / 2.0;
        box.half[i] = std::fabs(b - a) / 2.0;
    }
    return box;
}

// The outermost coordinate a point may take along an axis of n voxels: the outer edge of the
// last voxel.
double clampedAlong(double coordinate, int voxels)
{
    return std::clamp(coordinate, -0.5, std::max(0, voxels) - 0.5);
}

} // namespace

MillimetresPerVoxel spacingOf(const SliceSource &source)
{
    return {source.spacingAlong(0), source.spacingAlong(1), source.spacingAlong(2)};
}

double distanceMm(const MillimetresPerVoxel &spacing, const VoxelPoint &a, const VoxelPoint &b)
{
    double sum = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double d = (b[axis] - a[axis]) * spacing[axis];
        sum += d * d;
    }
    return std::sqrt(sum);
}

std::optional<double> angleDegrees(const MillimetresPerVoxel &spacing, const VoxelPoint &a, const VoxelPoint &vertex,
                                   const VoxelPoint &b)
{
    std::array<double, 3> u, w;
    for (int axis = 0; axis < 3; ++axis) {
        u[axis] = (a[axis] - vertex[axis]) * spacing[axis];
        w[axis] = (b[axis] - vertex[axis]) * spacing[axis];
    }
    const double dot = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
    const std::array<double, 3> cross{u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double crossLength = std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]);
    if (distanceMm(spacing, a, vertex) == 0.0 || distanceMm(spacing, b, vertex) == 0.0)
        return std::nullopt;
    // atan2 of the sine and cosine parts stays exact near 0 and 180 degrees, where acos of
    // the normalised dot product loses its digits.
    return std::atan2(crossLength, dot) * 180.0 / pi;
}

std::array<int, 2> inPlaneAxes(int sliceAxis)
{
    return sliceAxis == 0 ? std::array<int, 2>{1, 2} : sliceAxis == 1 ? std::array<int, 2>{0, 2} : std::array<int, 2>{0, 1};
}

double regionAreaMm2(const MillimetresPerVoxel &spacing, const Measurement &region)
{
    const std::array<int, 2> axes = inPlaneAxes(region.sliceAxis);
    const RegionBox box = boxOf(region);
    const double width = 2.0 * box.half[0] * spacing[axes[0]];
    const double height = 2.0 * box.half[1] * spacing[axes[1]];
    return region.kind == MeasurementKind::Ellipse ? pi * width * height / 4.0 : width * height;
}

bool voxelInRegion(const Measurement &region, int u, int v)
{
    const std::array<int, 2> axes = inPlaneAxes(region.sliceAxis);
    const VoxelPoint &a = region.points[0], &b = region.points[1];
    // The box's sides as they were drawn, so that a centre on an edge is inside exactly.
    const bool inBox = std::min(a[axes[0]], b[axes[0]]) <= u && u <= std::max(a[axes[0]], b[axes[0]])
                       && std::min(a[axes[1]], b[axes[1]]) <= v && v <= std::max(a[axes[1]], b[axes[1]]);
    if (region.kind == MeasurementKind::Rectangle || !inBox)
        return inBox;
    const RegionBox box = boxOf(region);
    if (box.half[0] == 0.0 || box.half[1] == 0.0)
        return false;
    const double x = (u - box.centre[0]) / box.half[0], y = (v - box.centre[1]) / box.half[1];
    // A hair's tolerance for the ends of the axes, which lie exactly on the outline.
    return x * x + y * y <= 1.0 + 1e-12;
}

VoxelPoint clampedToSlice(const VoxelPoint &point, int sliceAxis, int slice, const std::array<int, 3> &size)
{
    VoxelPoint clamped = point;
    for (int axis : inPlaneAxes(sliceAxis))
        clamped[axis] = clampedAlong(point[axis], size[axis]);
    clamped[sliceAxis] = slice;
    return clamped;
}

Measurement movedWithinSlice(const Measurement &measurement, const VoxelPoint &delta, const std::array<int, 3> &size)
{
    Measurement moved = measurement;
    for (int axis : inPlaneAxes(measurement.sliceAxis)) {
        // The step that keeps the outermost points on the slice, so the shape keeps its form.
        double lowest = -1e300, highest = 1e300;
        for (const VoxelPoint &p : measurement.points) {
            lowest = std::max(lowest, -0.5 - p[axis]);
            highest = std::min(highest, size[axis] - 0.5 - p[axis]);
        }
        const double step = lowest <= highest ? std::clamp(delta[axis], lowest, highest) : 0.0;
        for (VoxelPoint &p : moved.points)
            p[axis] += step;
    }
    return moved;
}
