#pragma once

#include "SliceSource.h"

#include <QString>

#include <array>

// What the status line says about the voxel under the cursor: its index, where it lies in
// millimetres, its value in the source's units and the 12-bit sample it became.

// The voxel's centre in millimetres: patient coordinates (LPS) where the frame is known,
// otherwise along the grid's own axes from the centre of voxel 0.
std::array<double, 3> voxelPosition(const SliceSource &source, const std::array<int, 3> &voxel);

QString voxelReadout(const SliceSource &source, const std::array<int, 3> &voxel);
