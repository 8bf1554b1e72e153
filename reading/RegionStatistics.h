#pragma once

#include "Measurement.h"
#include "SliceSource.h"

#include <cstdint>

// The figures of a region (an ellipse or a rectangle) over the voxels whose centres lie in
// its shape on its slice, in the source's own units (HU for CT), read through valueAt so
// that they are the file's values, not the 12-bit samples that show them.
//
// The area is the shape's own, in square millimetres. A shape without area, or one that
// holds no voxel centre, has no statistics: voxels is 0 and the other figures are 0.
struct RegionStatistics
{
    double areaMm2 = 0.0;
    int64_t voxels = 0;
    double mean = 0.0;
    // The sample standard deviation (n - 1 in the denominator); 0 for a single voxel.
    double standardDeviation = 0.0;
    // The middle value, or the mean of the two middle ones for an even count.
    double median = 0.0;
    double minimum = 0.0;
    double maximum = 0.0;

    bool hasValues() const { return voxels > 0; }
};

RegionStatistics regionStatistics(const SliceSource &source, const Measurement &region);
