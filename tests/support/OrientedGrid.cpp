#include "OrientedGrid.h"

namespace {

int alongAxis(int index, int count, int direction)
{
    return direction > 0 ? index : count - 1 - index;
}

} // namespace

std::array<int, 3> OrientedGrid::voxelOf(const std::array<int, 3> &anatomyIndex) const
{
    std::array<int, 3> voxel;
    for (int a = 0; a < 3; ++a)
        voxel[a] = alongAxis(anatomyIndex[order.patientAxis[a]], size[a], order.direction[a]);
    return voxel;
}

OrientedGrid storeAnatomy(const Anatomy &anatomy, const std::array<int, 3> &patientSize,
                          const std::array<double, 3> &patientSpacing, const StorageOrder &order)
{
    OrientedGrid grid;
    grid.order = order;
    std::array<double, 3> spacing;
    for (int a = 0; a < 3; ++a) {
        const int p = order.patientAxis[a];
        grid.size[a] = patientSize[p];
        spacing[a] = patientSpacing[p];
        grid.frame.axes[a] = {0, 0, 0};
        grid.frame.axes[a][p] = order.direction[a];
        grid.frame.origin[p] = order.direction[a] > 0 ? 0.0 : (patientSize[p] - 1) * patientSpacing[p];
    }
    grid.spacing = {spacing[0], spacing[1], spacing[2], true};
    grid.frame.known = true;
    grid.samples.resize(size_t(grid.size[0]) * grid.size[1] * grid.size[2]);
    size_t i = 0;
    for (int z = 0; z < grid.size[2]; ++z)
        for (int y = 0; y < grid.size[1]; ++y)
            for (int x = 0; x < grid.size[0]; ++x) {
                std::array<int, 3> index;
                const int voxel[3] = {x, y, z};
                for (int a = 0; a < 3; ++a)
                    index[order.patientAxis[a]] = alongAxis(voxel[a], grid.size[a], order.direction[a]);
                grid.samples[i++] = anatomy(index[0], index[1], index[2]);
            }
    return grid;
}

VolumeDescription describedVolume(const OrientedGrid &grid)
{
    VolumeDescription description;
    description.sizeX = grid.size[0];
    description.sizeY = grid.size[1];
    description.sizeZ = grid.size[2];
    description.spacing = grid.spacing;
    description.frame = grid.frame;
    description.samples = SampleBuffer(grid.samples);
    return description;
}
