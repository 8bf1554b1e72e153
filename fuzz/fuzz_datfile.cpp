// Fuzz target of the `.dat` loader: every input becomes a file on disk and goes through the
// steps Volume::load takes before it needs the GL (opening, the header, the refusals, the
// allocation, the sample read with the adjustment of odd sizes, the gradient pass) and then
// the density histogram that the volume builds from the samples. The GL's part is the size
// limit of the 3D texture, taken as that of Mesa's llvmpipe: a grid beyond it is shown
// reduced, and the reduction is checked too.
//
// Besides the sanitizers' checks, an accepted file must come out right: every sample on the
// adjusted grid is the file's sample or its neighbour's copy, every voxel holds the sample
// times 16 and the gradients of the plain formula, and the threaded gradient pass gives the
// same voxels as a single thread; a reduced grid keeps every side within the limit and every
// texel within the range of the samples.

#include "DatFile.h"
#include "DensityHistogram.h"
#include "GridReduction.h"
#include "LargeBuffer.h"
#include "VoxelEncoding.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int textureLimit = 2048;

int inputFile = -1;
std::string inputPath;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_datfile: %s\n", what);
    std::abort();
}

void writeInput(const uint8_t *data, size_t size)
{
    check(ftruncate(inputFile, 0) == 0, "cannot empty the input file");
    check(pwrite(inputFile, data, size, 0) == ssize_t(size), "cannot write the input file");
}

uint16_t fileSample(const uint8_t *data, const DatHeader &h, int x, int y, int z)
{
    const size_t i = datHeaderBytes + 2 * ((size_t(z) * h.y + y) * h.x + x);
    return uint16_t(data[i] | data[i + 1] << 8);
}

int difference(const uint16_t *s, size_t at, size_t stride, int i, int size)
{
    if (size == 1)
        return 0;
    if (i == 0)
        return (int(s[at + stride]) - int(s[at])) / 2;
    if (i == size - 1)
        return (int(s[at]) - int(s[at - stride])) / 2;
    return (int(s[at + stride]) - int(s[at - stride])) / 4;
}

void checkSamples(const uint8_t *data, const DatHeader &h, const SampleGrid &grid, const uint16_t *samples)
{
    for (int z = 0; z < grid.sizeZ; ++z)
        for (int y = 0; y < grid.sizeY; ++y)
            for (int x = 0; x < grid.sizeX; ++x) {
                const size_t at = (size_t(z) * grid.sizeY + y) * grid.sizeX + x;
                check(samples[at] == fileSample(data, h, std::min(x, h.x - 1), std::min(y, h.y - 1), z),
                      "a sample is not where the adjusted grid puts it");
            }
}

void checkVoxels(const SampleGrid &grid, const uint16_t *samples, const uint16_t *voxels)
{
    const size_t slice = size_t(grid.sliceSize());
    for (int z = 0; z < grid.sizeZ; ++z)
        for (int y = 0; y < grid.sizeY; ++y)
            for (int x = 0; x < grid.sizeX; ++x) {
                const size_t at = z * slice + size_t(y) * grid.sizeX + x;
                const uint16_t *voxel = voxels + 4 * at;
                check(voxel[0] == encodeGradient(difference(samples, at, 1, x, grid.sizeX)), "wrong x gradient");
                check(voxel[1] == encodeGradient(difference(samples, at, grid.sizeX, y, grid.sizeY)), "wrong y gradient");
                check(voxel[2] == encodeGradient(difference(samples, at, slice, z, grid.sizeZ)), "wrong z gradient");
                check(voxel[3] == encodeSample(samples[at]), "wrong encoded sample");
            }
}

void checkHistogram(const SampleGrid &grid, const uint16_t *samples)
{
    DensityHistogram counts;
    counts.count(samples, grid.voxelCount());
    int64_t counted = 0;
    for (int value = 1; value < DensityHistogram::valueCount; ++value)
        counted += counts.counter(value);
    const int64_t expected = std::count_if(samples, samples + grid.voxelCount(),
                                           [](uint16_t s) { return s >= 1 && s < DensityHistogram::valueCount; });
    check(counted == expected, "the histogram lost or invented samples");
    const DensityRange range = counts.narrowedRange();
    check(0 <= range.min && range.min <= range.max && range.max < DensityHistogram::valueCount,
          "the narrowed range leaves 0..4095");
    check(DensityHistogram::barScale(grid.voxelCount()) >= 1, "a bar scale below 1");
}

void checkReduction(const SampleGrid &grid, const uint16_t *samples)
{
    const GridReduction reduction =
        finestFittingReduction(grid, {1.0, 1.0, 1.0}, textureLimit, [](const SampleGrid &) { return true; });
    const SampleGrid &shown = reduction.reduced;
    check(shown.sizeX <= textureLimit && shown.sizeY <= textureLimit && shown.sizeZ <= textureLimit,
          "a reduced side beyond the limit");
    if (!reduction.isReduced())
        return;
    std::vector<uint16_t> texels(size_t(shown.voxelCount()));
    reduceSamples(samples, grid, reduction.factors, texels.data());
    const auto range = std::minmax_element(samples, samples + grid.voxelCount());
    check(std::all_of(texels.begin(), texels.end(),
                      [&](uint16_t t) { return *range.first <= t && t <= *range.second; }),
          "a reduced texel outside the range of the samples");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    inputFile = memfd_create("fuzz.dat", 0);
    check(inputFile >= 0, "memfd_create failed");
    inputPath = "/proc/self/fd/" + std::to_string(inputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    writeInput(data, size);
    std::FILE *file = openDatFile(inputPath.c_str());
    check(file != nullptr, "cannot open the input file");

    DatHeader header;
    const int64_t fileBytes = regularFileBytes(file);
    check(fileBytes == int64_t(size), "the file's length is not the input's");
    const bool headerRead = readDatHeader(file, header);
    check(headerRead == (size >= size_t(datHeaderBytes)), "a header read that does not match the length");
    const SampleGrid grid = adjustedGrid(header);
    const std::string refusal = headerRead ? datRefusal(header, fileBytes) : "short";
    if (!refusal.empty()) {
        std::fclose(file);
        return 0;
    }

    check(grid.sizeX % 2 == 0 && grid.sizeY % 2 == 0 && grid.sizeZ == header.z, "an accepted grid is not adjusted");
    check(grid.voxelCount() > 0 && grid.voxelCount() <= maxVoxelCount, "an accepted grid with a bad voxel count");
    check(datFileBytes(header) <= int64_t(size), "accepted a file shorter than its sizes need");

    uint16_t *samples = allocateLargeBuffer(grid.voxelCount());
    uint16_t *voxels = allocateLargeBuffer(4 * grid.voxelCount());
    check(samples && voxels, "no memory for a small volume");
    check(readDatSamples(file, header, samples), "the samples of an accepted file could not be read");
    std::fclose(file);
    checkSamples(data, header, grid, samples);

    encodeVoxels(samples, grid, voxels, gradientThreadCount(grid));
    checkVoxels(grid, samples, voxels);
    std::vector<uint16_t> threaded(size_t(4 * grid.voxelCount()));
    encodeVoxels(samples, grid, threaded.data(), 3);
    check(std::equal(threaded.begin(), threaded.end(), voxels), "threads change the voxels");

    checkHistogram(grid, samples);
    checkReduction(grid, samples);
    releaseLargeBuffer(samples);
    releaseLargeBuffer(voxels);
    return 0;
}
