#pragma once

// The distance between neighbouring voxels along x, y and z, in millimetres, where the
// source of the samples states it; a `.dat` file does not, and its voxels count as cubes.
struct VoxelSpacing
{
    double x = 1;
    double y = 1;
    double z = 1;
    bool known = false;

    friend bool operator==(const VoxelSpacing &a, const VoxelSpacing &b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.known == b.known;
    }
};
