#pragma once

#include "PatientFrame.h"
#include "VolumeDescription.h"
#include "VoxelSpacing.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// One anatomy stored in any of the orders a scanner or a converter may choose, with the
// frame and spacing that state it. The anatomy is given on a grid along the patient axes:
// index (l, p, s) counts from the patient's right, front and feet, 1 index per
// patientSpacing millimetres, voxel (0, 0, 0) at the origin.

using Anatomy = std::function<uint16_t(int l, int p, int s)>;

// For each stored voxel axis: the patient axis it runs along (0 R-L, 1 A-P, 2 I-S) and
// whether its index grows towards the left, back or head (+1) or the other way (-1).
struct StorageOrder
{
    std::array<int, 3> patientAxis{0, 1, 2};
    std::array<int, 3> direction{1, 1, 1};
};

struct OrientedGrid
{
    std::vector<uint16_t> samples;
    std::array<int, 3> size{0, 0, 0};
    VoxelSpacing spacing;
    PatientFrame frame;
    StorageOrder order;

    // The stored voxel at anatomy index (l, p, s).
    std::array<int, 3> voxelOf(const std::array<int, 3> &anatomyIndex) const;
};

OrientedGrid storeAnatomy(const Anatomy &anatomy, const std::array<int, 3> &patientSize,
                          const std::array<double, 3> &patientSpacing, const StorageOrder &order);

// The grid as a reader would hand it over: sizes, spacing, frame and samples.
VolumeDescription describedVolume(const OrientedGrid &grid);
