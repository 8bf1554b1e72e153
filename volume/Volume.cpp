#include "Volume.h"

#include "ConsoleLine.h"
#include "DatFile.h"
#include "LargeBuffer.h"
#include "SampleLimits.h"
#include "SlabPipeline.h"
#include "VolumeTexture.h"
#include "VoxelEncoding.h"

#include <GL/glew.h>

#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

} // namespace

Volume::Volume(const char *path)
{
    load(path);
    reportClampedSamples();
    createHistogram();
}

Volume::Volume(const VolumeDescription &description)
    : voxelSpacing(description.spacing), patientFrame(description.frame), sampleUnits(description.units)
{
    loadFromMemory(description.samples, description.sizeX, description.sizeY, description.sizeZ);
    reportClampedSamples();
    createHistogram();
}

Volume::~Volume()
{
    releaseLargeBuffer(samples);
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
        refuse(std::string("Can't open file ") + path);
        return;
    }
    const int64_t fileBytes = regularFileBytes(file.get());
    if (fileBytes < 0)
        return refuse(path, "not a regular file");
    DatHeader header;
    if (!readDatHeader(file.get(), header))
        return refuse(path, "the file is shorter than its 6-byte header");

    stated = header;
    const std::string fileSizes = sizesText(header.x, header.y, header.z);
    const SampleGrid grid = adjustedGrid(header);
    std::string refusal = datRefusal(header, fileBytes);
    if (refusal.empty())
        refusal = textureRefusal(grid);
    if (!refusal.empty())
        return refuse(std::string(path) + " (" + fileSizes + ")", refusal);

    // The file was long enough when checked; it can still shrink before it is read.
    const std::unique_ptr<SlabPipeline> pipeline = startFilling(grid, [&](int firstZ, int endZ) {
        return readDatSlices(file.get(), header, firstZ, endZ, samples);
    });
    if (!pipeline)
        return;
    printConsole(std::string("loading ") + path + " (" + fileSizes + ")");
    if (isAdjusted(header))
        printConsole(" modifying Size (" + sizesText(grid.sizeX, grid.sizeY, grid.sizeZ) + ")\n");
    if (!finishFilling(grid, *pipeline)) {
        releaseAll();
        printConsole(" [failed: the file ended early]\n");
        refusalLine = "loading " + std::string(path) + " (" + fileSizes + ") [failed: the file ended early]";
        return;
    }
    keepGrid(grid);
    printConsole(" [done]\n");
}

void Volume::loadFromMemory(const SampleBuffer &samplesGiven, int x, int y, int z)
{
    std::string refusal = gridRefusal(x, y, z);
    if (refusal.empty() && samplesGiven.size() != size_t(x) * size_t(y) * size_t(z))
        refusal = "it holds " + std::to_string(samplesGiven.size()) + " samples";
    const DatHeader header{uint16_t(x), uint16_t(y), uint16_t(z)};
    stated = header;
    const SampleGrid grid = adjustedGrid(header);
    if (refusal.empty())
        refusal = textureRefusal(grid);
    if (!refusal.empty())
        return refuse("a volume of " + sizesText(x, y, z), refusal);

    const uint16_t *source = samplesGiven.data();
    const int64_t sourceSlice = int64_t(x) * y;
    const std::unique_ptr<SlabPipeline> pipeline = startFilling(grid, [&](int firstZ, int endZ) {
        for (int slice = firstZ; slice < endZ; ++slice) {
            uint16_t *adjusted = samples + slice * grid.sliceSize();
            std::memcpy(adjusted, source + slice * sourceSlice, std::size_t(sourceSlice) * sizeof(uint16_t));
            if (isAdjusted(header))
                spreadSliceOntoAdjustedGrid(header, adjusted);
        }
        return true;
    });
    if (!pipeline)
        return;
    finishFilling(grid, *pipeline);
    keepGrid(grid);
}

// Allocates what the open needs and starts the worker, which makes all samples arrive (and
// counts them while they are in the cache) and then encodes slab after slab; meanwhile this
// thread has the GL make the texture's storage. Null, with the line said, when memory is
// short.
std::unique_ptr<SlabPipeline> Volume::startFilling(const SampleGrid &grid, const ArriveSlices &arrive)
{
    samples = allocateLargeBuffer(grid.voxelCount());
    bricks = BrickRanges(grid.sizeX, grid.sizeY, grid.sizeZ);
    auto pipeline = std::make_unique<SlabPipeline>(grid);
    if (samples && pipeline->isAllocated()) {
        const int chunkSlices = pipeline->slabSlices();
        // One core stays with this thread, which uploads the slabs meanwhile.
        const int threads = std::max(1, gradientThreadCount(grid) - 1);
        pipeline->start([this, grid, arrive, chunkSlices, threads](int firstZ, int endZ, uint16_t *voxels) {
            if (firstZ == 0 && !arriveAll(grid, chunkSlices, arrive))
                return false;
            encodeVoxelSlab(samples, grid, firstZ, endZ, voxels, threads);
            return true;
        });
        texture = createVolumeTexture(grid);
    }
    if (texture != 0)
        return pipeline;
    pipeline.reset();
    releaseAll();
    refuse("Can't malloc space");
    return nullptr;
}

void Volume::refuse(const std::string &line)
{
    refusalLine = line;
    printConsole(line + "\n");
}

void Volume::refuse(const std::string &what, const std::string &reason)
{
    refuse("Can't load " + what + ": " + reason);
}

bool Volume::arriveAll(const SampleGrid &grid, int chunkSlices, const ArriveSlices &arrive)
{
    for (int firstZ = 0; firstZ < grid.sizeZ; firstZ += chunkSlices) {
        const int endZ = std::min(firstZ + chunkSlices, grid.sizeZ);
        if (!arrive(firstZ, endZ))
            return false;
        acceptSlices(grid, firstZ, endZ);
    }
    return true;
}

bool Volume::finishFilling(const SampleGrid &grid, SlabPipeline &pipeline)
{
    return pipeline.finish([&](int firstZ, int endZ, const uint16_t *voxels) {
        uploadVolumeSlab(texture, grid, firstZ, endZ, voxels);
    });
}

// The samples of these slices are final here: counted while they are still in the cache.
void Volume::acceptSlices(const SampleGrid &grid, int firstZ, int endZ)
{
    for (int z = firstZ; z < endZ; ++z)
        clampedCount += clampSlice(grid, samples + z * grid.sliceSize());
    counts.count(samples + firstZ * grid.sliceSize(), (endZ - firstZ) * grid.sliceSize());
    bricks.addSlab(samples + firstZ * grid.sliceSize(), firstZ, endZ - firstZ);
}

// Lowers the samples above 4095 and returns how many of the stated grid's were lowered: the
// padding repeats samples already counted.
int64_t Volume::clampSlice(const SampleGrid &grid, uint16_t *slice) const
{
    int64_t clamped = 0;
    for (int y = 0; y < grid.sizeY; ++y) {
        uint16_t *row = slice + y * grid.sizeX;
        const bool paddingRow = y >= stated.y;
        const bool paddingAbove = stated.x < grid.sizeX && row[stated.x] > maxSample;
        const int64_t lowered = clampSamples(row, grid.sizeX);
        clamped += paddingRow ? 0 : lowered - paddingAbove;
    }
    return clamped;
}

void Volume::keepGrid(const SampleGrid &grid)
{
    sizeX = uint16_t(grid.sizeX);
    sizeY = uint16_t(grid.sizeY);
    sizeZ = uint16_t(grid.sizeZ);
    sliceSize = int32_t(grid.sliceSize());
    voxelCount = int32_t(grid.voxelCount());
    valid = true;
}

void Volume::releaseAll()
{
    deleteTexture();
    releaseLargeBuffer(samples);
    counts = DensityHistogram();
    bricks = BrickRanges();
    clampedCount = 0;
}

void Volume::reportClampedSamples()
{
    if (clampedCount > 0)
        printConsole("Clamped " + std::to_string(clampedCount) + " samples above " + std::to_string(maxSample)
                     + " to " + std::to_string(maxSample) + "\n");
}

void Volume::createHistogram()
{
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
