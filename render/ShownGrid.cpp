#include "ShownGrid.h"

#include "GridReduction.h"
#include "VoxelSpacing.h"

ShownGrid shownGridOf(const DatHeader &stated, const GridReduction &texture, const VoxelSpacing &spacing)
{
    const std::array<int, 3> voxels{stated.x, stated.y, stated.z};
    const std::array<int, 3> texels{texture.reduced.sizeX, texture.reduced.sizeY, texture.reduced.sizeZ};
    ShownGrid grid;
    for (int axis = 0; axis < 3; ++axis)
        if (voxels[axis] <= 0 || texels[axis] <= 0)
            return grid;
    grid.voxels = voxels;
    grid.texels = texels;
    if (spacing.known)
        grid.spacing = {spacing.x, spacing.y, spacing.z};
    // A texel covers factor voxels, so the texture spans texels * factor voxels.
    for (int axis = 0; axis < 3; ++axis)
        grid.textureExtent[axis] = float(double(voxels[axis]) / (double(texels[axis]) * texture.factors[axis]));
    return grid;
}
