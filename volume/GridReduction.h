#pragma once

#include "DatFile.h"

#include <array>
#include <cstdint>
#include <functional>

// The coarser grid a volume is shown at when the graphics card cannot hold it whole: a
// whole-body CT of 512 x 512 x 1500 samples is routine, and its texture can exceed the
// GL's largest 3D texture or its memory. Each axis is reduced by a whole factor; a texel of
// the reduced grid is the rounded mean of the block of samples it covers (the last block
// along an axis may be cut short by the grid's end). The samples themselves stay at full
// resolution in the volume; only the texture is coarser.
struct GridReduction
{
    // Samples of the full grid per texel along x, y and z.
    std::array<int, 3> factors{1, 1, 1};
    SampleGrid reduced;

    bool isReduced() const { return factors != std::array<int, 3>{1, 1, 1}; }
};

// The grid reduced by the factors: ceil(size / factor) along each axis.
SampleGrid reducedGrid(const SampleGrid &grid, const std::array<int, 3> &factors);

// The finest reduction of the grid whose every side is at most sideLimit and which `fits`
// accepts. Starting from the side limit, one axis after another is reduced further by one
// step of its factor: the axis whose texels are the smallest in millimetres (spacing times
// factor), among equals the one of most texels, among those z before y before x, so that the
// texels stay as near to cubes as the grid allows. The reduction of a grid that fits whole
// has factors 1, 1, 1; factors of 0 mean that not even one texel fits.
GridReduction finestFittingReduction(const SampleGrid &grid, const std::array<double, 3> &spacing, int sideLimit,
                                     const std::function<bool(const SampleGrid &)> &fits);

// Writes the reduced grid's samples: each the rounded mean of the samples it covers.
void reduceSamples(const uint16_t *samples, const SampleGrid &grid, const std::array<int, 3> &factors,
                   uint16_t *reduced);
