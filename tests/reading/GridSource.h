#pragma once

#include "OrientedGrid.h"
#include "SliceSource.h"

// What the reading views read of a grid a test stored: its samples, x fastest, in the units
// given (none by default).
inline SliceSource sourceOf(const OrientedGrid &grid, const SampleUnits &units = {})
{
    return SliceSource{grid.samples.data(), grid.size, {1, grid.size[0], int64_t(grid.size[0]) * grid.size[1]},
                       grid.spacing, grid.frame, units, {}};
}
