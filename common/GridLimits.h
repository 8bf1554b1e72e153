#pragma once

#include <cstdint>

// What the viewer can hold of a volume, known before it is read. The import checks the grid
// a header declares against it before it reads a single sample, so that a small compressed
// file that declares a huge grid is refused at once instead of after gigabytes. Zero: no
// limit.
struct GridLimits
{
    // Bytes for the samples, as stored and as mapped to 12 bits, together.
    uint64_t memoryBytes = 0;
    // The longest side of a 3D texture the GL takes. A view that shows larger grids reduced
    // passes none.
    int textureSide = 0;

    friend bool operator==(const GridLimits &a, const GridLimits &b)
    {
        return a.memoryBytes == b.memoryBytes && a.textureSide == b.textureSide;
    }
};
