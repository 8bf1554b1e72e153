#include "GridReduction.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int ceilDivide(int size, int factor)
{
    return (size + factor - 1) / factor;
}

std::array<int, 3> sizesOf(const SampleGrid &grid)
{
    return {grid.sizeX, grid.sizeY, grid.sizeZ};
}

// The number of samples of the full grid that texel `index` covers along an axis.
int blockLength(int index, int factor, int size)
{
    return std::min(factor, size - index * factor);
}

} // namespace

SampleGrid reducedGrid(const SampleGrid &grid, const std::array<int, 3> &factors)
{
    return {ceilDivide(grid.sizeX, factors[0]), ceilDivide(grid.sizeY, factors[1]), ceilDivide(grid.sizeZ, factors[2])};
}

GridReduction finestFittingReduction(const SampleGrid &grid, const std::array<double, 3> &spacing, int sideLimit,
                                     const std::function<bool(const SampleGrid &)> &fits)
{
    const std::array<int, 3> sizes = sizesOf(grid);
    GridReduction reduction;
    if (sideLimit < 1)
        return {{0, 0, 0}, {}};
    for (int axis = 0; axis < 3; ++axis)
        reduction.factors[axis] = std::max(1, ceilDivide(sizes[axis], sideLimit));
    const auto millimetres = [&](int axis) {
        const bool usable = std::isfinite(spacing[axis]) && spacing[axis] > 0.0;
        return (usable ? spacing[axis] : 1.0) * reduction.factors[axis];
    };
    for (;;) {
        reduction.reduced = reducedGrid(grid, reduction.factors);
        if (fits(reduction.reduced))
            return reduction;
        const std::array<int, 3> texels = sizesOf(reduction.reduced);
        int coarsen = -1;
        for (int axis = 2; axis >= 0; --axis) {
            if (texels[axis] <= 1)
                continue;
            const bool finer = coarsen < 0 || millimetres(axis) < millimetres(coarsen)
                               || (millimetres(axis) == millimetres(coarsen) && texels[axis] > texels[coarsen]);
            if (finer)
                coarsen = axis;
        }
        if (coarsen < 0)
            return {{0, 0, 0}, {}};
        // The next factor that takes at least one texel off the axis.
        while (ceilDivide(sizes[coarsen], reduction.factors[coarsen]) == texels[coarsen])
            ++reduction.factors[coarsen];
    }
}

void reduceSamples(const uint16_t *samples, const SampleGrid &grid, const std::array<int, 3> &factors,
                   uint16_t *reduced)
{
    const SampleGrid target = reducedGrid(grid, factors);
    std::vector<int> texelOfColumn(std::size_t(grid.sizeX));
    for (int x = 0; x < grid.sizeX; ++x)
        texelOfColumn[std::size_t(x)] = x / factors[0];
    std::vector<uint64_t> sums(std::size_t(target.sliceSize()));
    for (int k = 0; k < target.sizeZ; ++k) {
        std::fill(sums.begin(), sums.end(), 0);
        const int firstZ = k * factors[2];
        const int depth = blockLength(k, factors[2], grid.sizeZ);
        for (int z = firstZ; z < firstZ + depth; ++z)
            for (int y = 0; y < grid.sizeY; ++y) {
                const uint16_t *row = samples + z * grid.sliceSize() + int64_t(y) * grid.sizeX;
                uint64_t *texelRow = sums.data() + std::size_t(y / factors[1]) * std::size_t(target.sizeX);
                for (int x = 0; x < grid.sizeX; ++x)
                    texelRow[texelOfColumn[std::size_t(x)]] += row[x];
            }
        uint16_t *slice = reduced + k * target.sliceSize();
        for (int j = 0; j < target.sizeY; ++j)
            for (int i = 0; i < target.sizeX; ++i) {
                const uint64_t count = uint64_t(blockLength(i, factors[0], grid.sizeX))
                                       * uint64_t(blockLength(j, factors[1], grid.sizeY)) * uint64_t(depth);
                const std::size_t at = std::size_t(j) * std::size_t(target.sizeX) + std::size_t(i);
                slice[at] = uint16_t((sums[at] + count / 2) / count);
            }
    }
}
