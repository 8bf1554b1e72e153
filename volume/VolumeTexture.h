#pragma once

#include "DatFile.h"

#include <cstdint>
#include <string>

// The volume's GL_RGBA16 3D texture: one texel per voxel, linear filtering, clamped to the
// edge, no mipmaps, made on texture unit 0 and left bound there, where the view's shaders
// expect it. A grid the GL cannot hold is refused before anything is allocated for it,
// rather than becoming a texture the driver silently leaves empty.

// Why a grid cannot be a 3D texture when the GL takes at most `limit` texels per side.
std::string textureLimitRefusal(const SampleGrid &grid, int limit);

// Why the current GL context cannot hold the grid as a 3D texture; empty when it can.
// Makes no GL call when no context is current.
std::string textureRefusal(const SampleGrid &grid);

// Creates the texture from the encoded voxels and returns its name. The current context
// must have accepted the grid (textureRefusal).
unsigned int uploadVolumeTexture(const uint16_t *voxels, const SampleGrid &grid);
