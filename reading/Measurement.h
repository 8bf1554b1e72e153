#pragma once

#include <array>
#include <vector>

// One measurement made in a 2-D view: what it measures, the slice it was made on and its
// points. The points are continuous voxel coordinates, the centre of voxel i at i, so that
// a measurement means the same anatomy whatever the view's zoom, size or orientation; all
// of them lie on the slice (their coordinate along sliceAxis is slice).
//
// A distance has its two ends, an angle its first arm's end, the vertex and the second arm's
// end, and an ellipse or a rectangle two opposite corners of the box it fills, whose sides
// run along the slice's voxel axes.

using VoxelPoint = std::array<double, 3>;

enum class MeasurementKind { Distance, Angle, Ellipse, Rectangle };

struct Measurement
{
    MeasurementKind kind = MeasurementKind::Distance;
    // The voxel axis the slice is stacked along, and the slice's index on it.
    int sliceAxis = 2;
    int slice = 0;
    std::vector<VoxelPoint> points;

    bool isRegion() const { return kind == MeasurementKind::Ellipse || kind == MeasurementKind::Rectangle; }
    bool operator==(const Measurement &other) const
    {
        return kind == other.kind && sliceAxis == other.sliceAxis && slice == other.slice && points == other.points;
    }
    bool operator!=(const Measurement &other) const { return !(*this == other); }
};

using Measurements = std::vector<Measurement>;

// The number of points a measurement of this kind has.
inline int pointCount(MeasurementKind kind)
{
    return kind == MeasurementKind::Angle ? 3 : 2;
}
