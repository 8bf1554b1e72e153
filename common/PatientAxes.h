#pragma once

#include "PatientFrame.h"

#include <array>

// The patient frame to the nearest quarter turn: which voxel axis runs along each patient
// axis, and which way. Everything that shows a grid in the patient's orientation (the 2-D
// reading views, the 3-D box, the crop box) works from this signed permutation, so a grid
// stored mirrored, turned or with its slices reversed is shown like the same anatomy stored
// the usual way. Oblique grids are shown in their nearest order.
//
// Patient axes are numbered as LPS: 0 runs from the patient's right to left, 1 from front
// to back, 2 from feet to head.

struct AxisOrder
{
    // The voxel axis (0: x, 1: y, 2: z) that runs along patient axis p.
    std::array<int, 3> voxelAxis{0, 1, 2};
    // +1 where the voxel index grows towards the patient's left, back or head; -1 where it
    // grows the other way.
    std::array<int, 3> sign{1, 1, 1};

    bool operator==(const AxisOrder &other) const { return voxelAxis == other.voxelAxis && sign == other.sign; }
};

// The identity where the frame is unknown or its axes are not three usable directions:
// such a grid is shown in its own order, as though it were stored the usual way.
AxisOrder nearestAxisOrder(const PatientFrame &frame);

// The letter of the patient direction along patient axis p, towards +1 or -1: L or R, P or
// A, S or I.
char patientLetter(int patientAxis, int direction);

// A crop box as fractions (lo, hi pairs) of the extent along the patient axes, turned into
// fractions along the voxel axes x, y, z. A voxel axis that runs against its patient axis
// takes the mirrored pair.
std::array<double, 6> voxelCropBox(const std::array<double, 6> &patientCrop, const AxisOrder &order);
