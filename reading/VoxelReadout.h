#pragma once

#include "SliceSource.h"

#include <QString>

#include <array>

// What the status line says about the voxel under the cursor: its index, where it lies in
// millimetres, its value in the source's units and the 12-bit sample it became.

// The voxel's centre in millimetres: patient coordinates (LPS) where the frame is known,
// otherwise along the grid's own axes from the centre of voxel 0.
std::array<double, 3> voxelPosition(const SliceSource &source, const std::array<int, 3> &voxel);

// Where a slice lies along its axis, in millimetres: the patient coordinate (LPS) that the
// slice axis runs along, at the slice's middle, where the frame is known; otherwise the
// distance from slice 0.
double slicePosition(const SliceSource &source, int sliceAxis, int slice);

QString voxelReadout(const SliceSource &source, const std::array<int, 3> &voxel);
