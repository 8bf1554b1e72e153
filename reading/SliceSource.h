#pragma once

#include "OriginalValues.h"
#include "PatientFrame.h"
#include "SampleUnits.h"
#include "VoxelSpacing.h"

#include <array>
#include <cstdint>

// What the reading views read: the volume's 12-bit samples where they lie in memory, with
// what is known about them. The samples are borrowed; whoever hands a source to the views
// keeps them alive until it hands over the next one.
//
// The strides allow a grid kept with padding (odd sizes are stored one column or row wider)
// to be shown at the size its source states.
struct SliceSource
{
    const uint16_t *samples = nullptr;
    // Voxels along x, y and z, as shown.
    std::array<int, 3> size{0, 0, 0};
    // Elements from one voxel to the next along x, y and z.
    std::array<int64_t, 3> stride{1, 0, 0};
    VoxelSpacing spacing;
    PatientFrame frame;
    SampleUnits units;
    // The values the source stored, one per voxel of `size`, x fastest; empty where the
    // samples are the values.
    OriginalValues values;

    bool isEmpty() const { return !samples || size[0] <= 0 || size[1] <= 0 || size[2] <= 0; }
    int64_t offsetOf(const std::array<int, 3> &voxel) const
    {
        return voxel[0] * stride[0] + voxel[1] * stride[1] + voxel[2] * stride[2];
    }
    uint16_t sampleAt(const std::array<int, 3> &voxel) const { return samples[offsetOf(voxel)]; }
    // The value the source stored at the voxel, in its own units (HU for CT), exactly, also
    // where the sample clips it: what the readout and every measurement report.
    double valueAt(const std::array<int, 3> &voxel) const
    {
        if (values.isEmpty())
            return units.valueOf(sampleAt(voxel));
        return values.at(uint64_t(voxel[0] + int64_t(size[0]) * (voxel[1] + int64_t(size[1]) * voxel[2])));
    }
    // Millimetres between neighbours along voxel axis a; 1 where the source states none.
    double spacingAlong(int a) const
    {
        const double d = a == 0 ? spacing.x : a == 1 ? spacing.y : spacing.z;
        return spacing.known && d > 0 ? d : 1.0;
    }
};
