#pragma once

#include <array>

struct DatHeader;
struct GridReduction;
struct VoxelSpacing;

// The grid of a volume as the 3-D view draws it: the volume's own voxels, as its source
// states them. The texture may hold more than that: an odd x or y size is stored padded by
// one column or row, and a grid the GL cannot hold whole is stored coarser, in blocks of
// which the last may reach past the grid's end. The box and its proportions, the texture
// coordinates of the rays and of the slice planes, and the crop box cover the volume's own
// grid only; otherwise a volume stored with an odd axis reversed would be drawn one voxel
// off the same anatomy stored the usual way, where the padding lies on the other side.
struct ShownGrid
{
    // The volume's own voxel counts.
    std::array<int, 3> voxels{1, 1, 1};
    // Millimetres per voxel; 1 each way where the source states none (a `.dat`), whose
    // voxels then count as cubes.
    std::array<double, 3> spacing{1.0, 1.0, 1.0};
    // The texture's texel counts, padding included: the grid the bricks are counted on.
    std::array<int, 3> texels{1, 1, 1};
    // The texture coordinate at which the volume's own grid ends along each axis; beyond it
    // lies padding.
    std::array<float, 3> textureExtent{1.0f, 1.0f, 1.0f};
};

// stated: the sizes before padding; texture: the grid the texture holds, padded and perhaps
// reduced. A grid without voxels (a refused volume) gives the unit grid.
ShownGrid shownGridOf(const DatHeader &stated, const GridReduction &texture, const VoxelSpacing &spacing);
