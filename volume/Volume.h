#pragma once

#include "BrickRanges.h"

#include <cstdint>

class QPixmap;

// One scalar data set: a regular grid of 16-bit samples read from a `.dat` file, with a
// gradient per voxel computed on the processor and uploaded together with the samples as
// one GL_RGBA16 3D texture (red, green, blue: encoded gradient x, y, z; alpha: sample * 16).
//
// A Volume is complete when its constructor returns: load, createTexture, createHistogram,
// in this order, with the view's GL context current. The sample and voxel arrays live
// only during construction. A file that cannot be read, or that is refused (truncated,
// zero or absurd sizes, larger than the GL's 3D texture limit), yields an invalid volume:
// isValid() is false, it owns no texture and no arrays, its sizes are 0, and its range
// (0..4095) and histogram picture (plain light grey, 4096 x 65) are still safe to use. The
// reason is printed as one line on standard output. Every check, the GL's included, comes
// before the arrays are allocated, so a refused file costs neither time nor memory.
class Volume
{
public:
    explicit Volume(const char *path);
    ~Volume();

    Volume(const Volume &) = delete;
    Volume &operator=(const Volume &) = delete;

    bool isValid() const { return valid; }

    // A new array of three ints (sizeX, sizeY, sizeZ after adjustment); the caller deletes it.
    int *dimensions() const;

    // Deletes the 3D texture; needs the context it was created in to be current.
    void deleteTexture();

    uint16_t *samples = nullptr;
    uint16_t *voxels = nullptr;
    uint16_t sizeX = 0;
    uint16_t sizeY = 0;
    uint16_t sizeZ = 0;
    int32_t sliceSize = 0;
    int32_t voxelCount = 0;
    int32_t densityMin = 0;
    int32_t densityMax = 4095;
    // Owned by the volume; the open flow hands the editor a copy.
    QPixmap *histogram = nullptr;
    unsigned int texture = 0;
    // The value range of each brick, for skipping the transparent ones; empty when invalid.
    BrickRanges bricks;

private:
    void load(const char *path);
    void createTexture();
    void createHistogram();

    bool valid = false;
};
