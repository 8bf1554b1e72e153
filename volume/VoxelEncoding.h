#pragma once

#include "DatFile.h"

#include <cstdint>

// The texel of the volume's 3D texture: four unsigned 16-bit components, the encoded
// gradient along x, y and z (red, green, blue) and the sample times 16 (alpha), which the
// ray-casting shaders read as normalised values.
//
// Gradients are central differences divided by 4, one-sided differences divided by 2 at the
// borders of the grid, in signed 32-bit integer arithmetic with division truncating toward
// zero. A volume of one slice has no z neighbour: its z gradient is 0.

// The encoding's numbers, which the ray-casting shaders decode the texels with: a
// gradient g is stored as g * gradientScale + gradientOffset, a sample v as v * sampleScale,
// and the shaders read each as a fraction of channelMax.
constexpr int gradientScale = 8;
constexpr int gradientOffset = 32768;
constexpr int sampleScale = 16;
constexpr int channelMax = 65535;

// The low 16 bits of g*8 - 32768, g held as a signed 16-bit value: 0 encodes as 32768.
// (Adding 32768 and subtracting it give the same low 16 bits.)
inline uint16_t encodeGradient(int gradient)
{
    return uint16_t(int32_t(int16_t(gradient)) * gradientScale - gradientOffset);
}

// Scales a 12-bit sample to the full 16 bits; samples of 4096 and above lose their high bits.
inline uint16_t encodeSample(uint16_t sample)
{
    return uint16_t(sample * sampleScale);
}

// The instruction sets the gradient pass has a kernel for. The plain loop is the definition;
// the vector kernels work in 16-bit lanes, and in 32-bit lanes for the blocks whose samples
// reach 32768, and must give the same texels.
enum class EncodingKernel
{
    plain,
    sse2,
    avx2,
};

// The widest kernel the processor runs, found at run time.
EncodingKernel widestEncodingKernel();
bool processorRuns(EncodingKernel kernel);

// The threads the gradient pass uses for a grid: one per core, but never more than there
// are slices, and only one for grids too small to pay for starting a thread.
int gradientThreadCount(const SampleGrid &grid);

// Writes the encoded voxel of every sample of the grid into `voxels` (4 components per
// sample), in storage order. Slices are split among `threadCount` threads; the result is
// the same for any count.
void encodeVoxels(const uint16_t *samples, const SampleGrid &grid, uint16_t *voxels, int threadCount);

// The same for the slices firstZ..endZ - 1 only, into `voxels`, which holds those slices
// alone; `samples` is the whole grid's, since the gradients read the slices on either side.
// The kernel must be one the processor runs.
void encodeVoxelSlab(const uint16_t *samples, const SampleGrid &grid, int firstZ, int endZ, uint16_t *voxels,
                     int threadCount, EncodingKernel kernel = widestEncodingKernel());
