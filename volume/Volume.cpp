#include "Volume.h"

#include "ConsoleLine.h"
#include "DatFile.h"
#include "DensityHistogram.h"
#include "LargeBuffer.h"
#include "VolumeTexture.h"
#include "VoxelEncoding.h"

#include <GL/glew.h>

#include <QPixmap>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser
{
    void operator()(std::FILE *file) const { std::fclose(file); }
};

std::string sizesText(int x, int y, int z)
{
    return std::to_string(x) + " x " + std::to_string(y) + " x " + std::to_string(z);
}

void printRefusal(const std::string &what, const std::string &reason)
{
    printConsole("Can't load " + what + ": " + reason + "\n");
}

} // namespace

Volume::Volume(const char *path)
{
    load(path);
    createTexture();
    createHistogram();
}

Volume::~Volume()
{
    releaseLargeBuffer(samples);
    releaseLargeBuffer(voxels);
    delete histogram;
}

int *Volume::dimensions() const
{
    return new int[3]{sizeX, sizeY, sizeZ};
}

void Volume::deleteTexture()
{
    if (texture == 0)
        return;
    glDeleteTextures(1, &texture);
    texture = 0;
}

void Volume::load(const char *path)
{
    const std::unique_ptr<std::FILE, FileCloser> file(openDatFile(path));
    if (!file) {
        printConsole(std::string("Can't open file ") + path + "\n");
        return;
    }
    const int64_t fileBytes = regularFileBytes(file.get());
    if (fileBytes < 0)
        return printRefusal(path, "not a regular file");
    DatHeader header;
    if (!readDatHeader(file.get(), header))
        return printRefusal(path, "the file is shorter than its 6-byte header");

    // Every check comes before the arrays are allocated, so a refused file costs nothing.
    const std::string fileSizes = sizesText(header.x, header.y, header.z);
    const SampleGrid grid = adjustedGrid(header);
    std::string refusal = datRefusal(header, fileBytes);
    if (refusal.empty())
        refusal = textureRefusal(grid);
    if (!refusal.empty())
        return printRefusal(std::string(path) + " (" + fileSizes + ")", refusal);

    samples = allocateLargeBuffer(grid.voxelCount());
    voxels = allocateLargeBuffer(4 * grid.voxelCount());
    if (!samples || !voxels) {
        releaseLargeBuffer(samples);
        releaseLargeBuffer(voxels);
        printConsole("Can't malloc space\n");
        return;
    }

    printConsole(std::string("loading ") + path + " (" + fileSizes + ")");
    if (isAdjusted(header))
        printConsole(" modifying Size (" + sizesText(grid.sizeX, grid.sizeY, grid.sizeZ) + ")\n");
    // The file was long enough when checked; it can still shrink before it is read.
    if (!readDatSamples(file.get(), header, samples)) {
        releaseLargeBuffer(samples);
        releaseLargeBuffer(voxels);
        printConsole(" [failed: the file ended early]\n");
        return;
    }

    sizeX = uint16_t(grid.sizeX);
    sizeY = uint16_t(grid.sizeY);
    sizeZ = uint16_t(grid.sizeZ);
    sliceSize = int32_t(grid.sliceSize());
    voxelCount = int32_t(grid.voxelCount());
    encodeVoxels(samples, grid, voxels, gradientThreadCount(grid));
    bricks = BrickRanges::ofSamples(samples, grid.sizeX, grid.sizeY, grid.sizeZ);
    printConsole(" [done]\n");
    valid = true;
}

void Volume::createTexture()
{
    if (valid)
        texture = uploadVolumeTexture(voxels, SampleGrid{sizeX, sizeY, sizeZ});
    releaseLargeBuffer(voxels);
}

void Volume::createHistogram()
{
    DensityHistogram counts;
    if (valid)
        counts.count(samples, voxelCount);
    releaseLargeBuffer(samples);
    if (!valid) {
        histogram = new QPixmap(counts.picture(DensityRange{}, 1));
        return;
    }

    const DensityRange range = counts.narrowedRange();
    densityMin = range.min;
    densityMax = range.max;
    printConsole("Histogram size: " + std::to_string(range.width()) + " x "
                 + std::to_string(DensityHistogram::pictureHeight) + "\n");
    printConsole("Volume density: " + std::to_string(densityMin) + " - " + std::to_string(densityMax) + "\n");
    histogram = new QPixmap(counts.picture(range, DensityHistogram::barScale(voxelCount)));
}
