#pragma once

#include <array>

// The box within the volume that the ray caster draws: six bounds x0, x1, y0, y1, z0, z1, each a
// fraction 0..1 of the volume's extent along its voxel axis, which is also the volume's
// texture coordinate. The full box draws the whole volume.
//
// The ray program clips each ray's segment to the box and takes, of the samples the ray
// would take through the whole volume, those inside; so the samples inside stay exactly
// where they were, and a cropped picture equals that of a volume whose outside is empty.
using CropBox = std::array<float, 6>;
constexpr CropBox fullCropBox{0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f};

// Each bound within 0..1 and each pair in ascending order; a bound that is not a number
// counts as the volume's face.
CropBox normalizedCropBox(const CropBox &box);

// The box as the ray program's cropMin and cropMax, in texture coordinates. Bounds on the
// volume's faces are moved well outside, so that there the ray's own entry and exit points
// alone limit it: a side that is not cut keeps every sample it had.
struct CropBounds
{
    std::array<float, 3> low;
    std::array<float, 3> high;
};
CropBounds rayCropBounds(const CropBox &box);

// Whether no sample inside the box can lie in brick `brick` (per-axis index) of cubes of
// brickSize voxels over a grid of volumeSize voxels. Rays find a sample's brick from its
// texture coordinate, so brick i spans i * brickSize / size up to (i + 1) * brickSize / size
// along each axis; bricks that only touch the box count as inside.
bool brickOutsideCrop(const CropBox &box, const std::array<int, 3> &brick, int brickSize,
                      const std::array<int, 3> &volumeSize);
