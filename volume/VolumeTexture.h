#pragma once

#include "DatFile.h"

#include <cstdint>
#include <string>

// The volume's GL_RGBA16 3D texture: one texel per voxel, linear filtering, clamped to the
// edge, no mipmaps, made on texture unit 0 and left bound there, where the view's shaders
// expect it. Its storage is made first and filled slab by slab along z. A grid the GL cannot
// hold is refused before anything is allocated for it, rather than becoming a texture the
// driver silently leaves empty.

// Why a grid cannot be a 3D texture when the GL takes at most `limit` texels per side.
std::string textureLimitRefusal(const SampleGrid &grid, int limit);

// The longest side of a 3D texture the current GL context takes; 0 when none is current.
int maxTextureSide();

// Why the current GL context cannot hold the grid as a 3D texture; empty when it can.
// Makes no GL call when no context is current.
std::string textureRefusal(const SampleGrid &grid);

// Creates the texture with storage for the grid but no content yet and returns its name; 0
// when the GL has no memory for it. The current context must have accepted the grid
// (textureRefusal).
unsigned int createVolumeTexture(const SampleGrid &grid);

// Fills the slices firstZ..endZ - 1 of the texture with encoded voxels, which hold those
// slices only. Leaves the texture bound on unit 0.
void uploadVolumeSlab(unsigned int texture, const SampleGrid &grid, int firstZ, int endZ, const uint16_t *voxels);
