#pragma once

#include "DatFile.h"
#include "GridReduction.h"

#include <array>
#include <cstdint>
#include <string>

// The volume's GL_RGBA16 3D texture: one texel per voxel, linear filtering, clamped to the
// edge, no mipmaps, made on texture unit 0 and left bound there, where the view's shaders
// expect it. Its storage is made first and filled slab by slab along z. A grid the GL cannot
// hold is shown at a coarser grid that it holds (GridReduction), decided before anything is
// allocated for it, rather than becoming a texture the driver silently leaves empty.

// What the current GL context can show of a grid: the grid itself, or the finest reduction
// of it that the GL holds; a refusal where no context is current or not even one texel fits.
struct TextureFit
{
    GridReduction reduction;
    std::string refusal;
};

// fewerTexelsThan, where above 0, admits only grids of fewer texels: the GL ran out of
// memory making a texture of that many. Makes no GL call when no context is current.
TextureFit fitTexture(const SampleGrid &grid, const std::array<double, 3> &spacing, int64_t fewerTexelsThan = 0);

// The GL's largest 3D texture side, or less where the environment variable
// DICHTENSCHAU_MAX_3D_TEXTURE_SIZE names a smaller one: the tests show grids beyond the
// limit on a GL that takes 2048 per side. Needs a current context.
int textureSideLimit();

// Creates the texture with storage for the grid but no content yet and returns its name; 0
// when the GL has no memory for it. The current context must have accepted the grid
// (fitTexture).
unsigned int createVolumeTexture(const SampleGrid &grid);

// Fills the slices firstZ..endZ - 1 of the texture with encoded voxels, which hold those
// slices only. Leaves the texture bound on unit 0.
void uploadVolumeSlab(unsigned int texture, const SampleGrid &grid, int firstZ, int endZ, const uint16_t *voxels);
