#pragma once

#include "Measurement.h"
#include "SliceSource.h"

#include <array>
#include <optional>

// The figures of a measurement's shape in millimetres, with the grid's own spacing along
// each voxel axis, so that a scan of thick slices measures true lengths and angles across
// them. Pure arithmetic on voxel coordinates.

using MillimetresPerVoxel = std::array<double, 3>;

MillimetresPerVoxel spacingOf(const SliceSource &source);

double distanceMm(const MillimetresPerVoxel &spacing, const VoxelPoint &a, const VoxelPoint &b);
// The angle at vertex between the arms to a and to b, 0 to 180 degrees; none where an arm has
// no length.
std::optional<double> angleDegrees(const MillimetresPerVoxel &spacing, const VoxelPoint &a, const VoxelPoint &vertex,
                                   const VoxelPoint &b);

// The two voxel axes of a slice stacked along sliceAxis, in increasing order.
std::array<int, 2> inPlaneAxes(int sliceAxis);

// The area a region's shape covers, in square millimetres; 0 for a shape without width or
// height.
double regionAreaMm2(const MillimetresPerVoxel &spacing, const Measurement &region);

// Whether the centre of the voxel at in-plane indices (u, v) lies inside the region's shape
// (its edge counts as inside).
bool voxelInRegion(const Measurement &region, int u, int v);

// The point moved into the slice: in-plane coordinates no further out than the grid's outer
// voxels' edges, on the slice along sliceAxis.
VoxelPoint clampedToSlice(const VoxelPoint &point, int sliceAxis, int slice, const std::array<int, 3> &size);
// The measurement moved by delta (voxels; its component along the slice axis is ignored), as
// far as every point stays on the slice.
Measurement movedWithinSlice(const Measurement &measurement, const VoxelPoint &delta, const std::array<int, 3> &size);
