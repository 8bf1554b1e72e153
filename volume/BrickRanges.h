#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The least and greatest sample of each brick, a block of brickSize^3 voxels, over a
// volume's grid: the coarse map by which rays skip the bricks a transfer function makes
// fully transparent. Brick (i, j, k) starts at voxel (i, j, k) * brickSize.
//
// A ray sample anywhere in a brick is filtered from the eight voxels around it, which reach
// one voxel beyond the brick on every side; so a brick's range covers those voxels too, and
// every value a filtered sample in the brick can take lies within it.
//
// The samples may arrive slab by slab along z, in any order, each slab whole slices of the
// grid; the ranges are complete once every slice has arrived.
class BrickRanges
{
public:
    static constexpr int brickSize = 16;

    BrickRanges() = default;
    BrickRanges(int sizeX, int sizeY, int sizeZ);

    // The ranges of a whole grid of samples, x fastest.
    static BrickRanges ofSamples(const uint16_t *samples, int sizeX, int sizeY, int sizeZ);

    // Takes in sliceCount slices, starting with slice firstZ of the grid.
    void addSlab(const uint16_t *slabSamples, int firstZ, int sliceCount);

    // Bricks per axis; 0 for an empty grid.
    const std::array<int, 3> &brickCounts() const { return counts; }
    int brickCount() const { return counts[0] * counts[1] * counts[2]; }
    // Brick index i + counts[0] * (j + counts[1] * k).
    uint16_t minimum(int brick) const { return minima[std::size_t(brick)]; }
    uint16_t maximum(int brick) const { return maxima[std::size_t(brick)]; }

private:
    void addSlice(const uint16_t *slice, int z);

    std::array<int, 3> sizes{0, 0, 0};
    std::array<int, 3> counts{0, 0, 0};
    std::vector<uint16_t> minima;
    std::vector<uint16_t> maxima;
    // One slice's ranges per column of bricks, reused from slice to slice.
    std::vector<uint16_t> rowMinima;
    std::vector<uint16_t> rowMaxima;
};
