#include "Volume.h"

#include "ConsoleLine.h"
#include "DatFile.h"
#include "LargeBuffer.h"
#include "SampleArrival.h"
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
    : voxelSpacing(description.spacing), patientFrame(description.frame), sampleUnits(description.units),
      values(description.values)
{
    loadFromMemory(description.samples, description.sizeX, description.sizeY, description.sizeZ);
    reportClampedSamples();
    createHistogram();
}

Volume::~Volume()
{
    releaseLargeBuffer(samples);
    releaseLargeBuffer(shownSamples);
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
    TextureFit fit;
    if (refusal.empty()) {
        fit = fitTexture(grid, spacingArray());
        refusal = fit.refusal;
    }
    if (!refusal.empty())
        return refuse(std::string(path) + " (" + fileSizes + ")", refusal);

    // The file was long enough when checked; it can still shrink before it is read.
    const std::unique_ptr<SlabPipeline> pipeline = startFilling(grid, fit.reduction, [&](int firstZ, int endZ) {
        return readDatSlices(file.get(), header, firstZ, endZ, samples);
    });
    if (!pipeline)
        return;
    printConsole(std::string("loading ") + path + " (" + fileSizes + ")");
    if (isAdjusted(header))
        printConsole(" modifying Size (" + sizesText(grid.sizeX, grid.sizeY, grid.sizeZ) + ")\n");
    if (!finishFilling(*pipeline)) {
        releaseAll();
        printConsole(" [failed: the file ended early]\n");
        refusalLine = "loading " + std::string(path) + " (" + fileSizes + ") [failed: the file ended early]";
        return;
    }
    keepGrid(grid);
    printConsole(" [done]\n");
    reportReduction();
}

void Volume::loadFromMemory(const SampleBuffer &samplesGiven, int x, int y, int z)
{
    std::string refusal = gridRefusal(x, y, z);
    if (refusal.empty() && samplesGiven.size() != size_t(x) * size_t(y) * size_t(z))
        refusal = "it holds " + std::to_string(samplesGiven.size()) + " samples";
    const DatHeader header{uint16_t(x), uint16_t(y), uint16_t(z)};
    stated = header;
    const SampleGrid grid = adjustedGrid(header);
    TextureFit fit;
    if (refusal.empty()) {
        fit = fitTexture(grid, spacingArray());
        refusal = fit.refusal;
    }
    if (!refusal.empty())
        return refuse("a volume of " + sizesText(x, y, z), refusal);

    const uint16_t *source = samplesGiven.data();
    const int64_t sourceSlice = int64_t(x) * y;
    const std::unique_ptr<SlabPipeline> pipeline = startFilling(grid, fit.reduction, [&](int firstZ, int endZ) {
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
    finishFilling(*pipeline);
    keepGrid(grid);
    reportReduction();
}

// Allocates what the open needs and starts the worker, which makes the samples arrive chunk
// by chunk (counting them while they are in the cache) and encodes each slab as soon as the
// slices its gradients read have arrived; meanwhile this thread has the GL make the
// texture's storage and then uploads the slabs. Where the GL has no memory for the texture,
// the next coarser grid is tried, the samples read once. Null, with the line said, when
// memory is short even for the samples or for the coarsest grid.
std::unique_ptr<SlabPipeline> Volume::startFilling(const SampleGrid &grid, GridReduction reduction,
                                                   const ArriveSlices &arrive)
{
    samples = allocateLargeBuffer(grid.voxelCount());
    if (samples)
        startArrival(grid, !reduction.isReduced(), arrive);
    while (samples) {
        std::unique_ptr<SlabPipeline> pipeline = startShowing(grid, reduction);
        if (pipeline)
            texture = createVolumeTexture(shown.reduced);
        if (texture != 0)
            return pipeline;
        // The worker stops before this grid's buffers go; the arrival goes on for the next.
        pipeline.reset();
        releaseLargeBuffer(shownSamples);
        const TextureFit coarser = fitTexture(grid, spacingArray(), shown.reduced.voxelCount());
        if (!coarser.refusal.empty())
            break;
        reduction = coarser.reduction;
    }
    releaseAll();
    refuse("Can't malloc space");
    return nullptr;
}

// Starts making the samples arrive; with brickSamples, the bricks of the whole grid are
// found on the way, for a texture that shows it whole.
void Volume::startArrival(const SampleGrid &grid, bool brickSamples, const ArriveSlices &arrive)
{
    if (brickSamples)
        sampleBricks = BrickRanges(grid.sizeX, grid.sizeY, grid.sizeZ);
    arrival = std::make_unique<SampleArrival>(grid.sizeZ, SlabPipeline::slabSlicesFor(grid),
                                              [this, grid, arrive](int firstZ, int endZ) {
                                                  if (!arrive(firstZ, endZ))
                                                      return false;
                                                  acceptSlices(grid, firstZ, endZ);
                                                  return true;
                                              });
}

// The buffers and the worker for showing the grid through this reduction; null when memory
// for them is short.
std::unique_ptr<SlabPipeline> Volume::startShowing(const SampleGrid &grid, const GridReduction &reduction)
{
    shown = reduction;
    const SampleGrid &texels = shown.reduced;
    if (shown.isReduced())
        shownSamples = allocateLargeBuffer(texels.voxelCount());
    auto pipeline = std::make_unique<SlabPipeline>(texels);
    if (!pipeline->isAllocated() || (shown.isReduced() && !shownSamples))
        return nullptr;
    // One core stays with the arrival and one with this thread, which uploads the slabs meanwhile.
    const int threads = std::max(1, gradientThreadCount(texels) - 2);
    pipeline->start([this, grid, threads](int firstZ, int endZ, uint16_t *voxels) {
        if (!prepareSlab(grid, firstZ, endZ))
            return false;
        encodeVoxelSlab(shown.isReduced() ? shownSamples : samples, shown.reduced, firstZ, endZ, voxels, threads);
        return true;
    });
    return pipeline;
}

// Waits for the samples a slab's gradients read: its slices and the one beyond. A coarser
// texture needs them all, reduced once before its first slab.
bool Volume::prepareSlab(const SampleGrid &grid, int firstZ, int endZ)
{
    if (!arrival->waitFor(shown.isReduced() ? grid.sizeZ : endZ + 1))
        return false;
    if (shown.isReduced() && firstZ == 0) {
        reduceSamples(samples, grid, shown.factors, shownSamples);
        bricks = BrickRanges::ofSamples(shownSamples, shown.reduced.sizeX, shown.reduced.sizeY, shown.reduced.sizeZ);
    }
    return true;
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

bool Volume::finishFilling(SlabPipeline &pipeline)
{
    const bool complete = pipeline.finish([&](int firstZ, int endZ, const uint16_t *voxels) {
        uploadVolumeSlab(texture, shown.reduced, firstZ, endZ, voxels);
    });
    // Every slice has arrived once the last slab is made; else the arrival stops here.
    arrival.reset();
    releaseLargeBuffer(shownSamples);
    if (!shown.isReduced())
        bricks = std::move(sampleBricks);
    return complete;
}

// The samples of these slices are final here: lowered and counted while they are still in
// the cache. The padding is counted for the histogram like any sample, but the line about
// lowered samples speaks of the file's: the padding repeats samples already counted there.
void Volume::acceptSlices(const SampleGrid &grid, int firstZ, int endZ)
{
    uint16_t *first = samples + firstZ * grid.sliceSize();
    int64_t paddingLowered = 0;
    for (int z = firstZ; z < endZ; ++z)
        paddingLowered += paddingAboveMax(grid, samples + z * grid.sliceSize());
    clampedCount += counts.clampAndCount(first, (endZ - firstZ) * grid.sliceSize()) - paddingLowered;
    if (sampleBricks.brickCount() > 0)
        sampleBricks.addSlab(first, firstZ, endZ - firstZ);
}

// The samples of a slice's extra column and row that are above maxSample, before lowering.
int64_t Volume::paddingAboveMax(const SampleGrid &grid, const uint16_t *slice) const
{
    int64_t above = 0;
    if (stated.x < grid.sizeX)
        for (int y = 0; y < stated.y; ++y)
            above += slice[y * grid.sizeX + stated.x] > maxSample;
    if (stated.y < grid.sizeY)
        above += std::count_if(slice + stated.y * grid.sizeX, slice + grid.sliceSize(),
                               [](uint16_t sample) { return sample > maxSample; });
    return above;
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
    arrival.reset();
    deleteTexture();
    releaseLargeBuffer(samples);
    releaseLargeBuffer(shownSamples);
    shown = GridReduction();
    counts = DensityHistogram();
    bricks = BrickRanges();
    sampleBricks = BrickRanges();
    clampedCount = 0;
}

std::array<double, 3> Volume::spacingArray() const
{
    return {voxelSpacing.x, voxelSpacing.y, voxelSpacing.z};
}

void Volume::reportReduction()
{
    if (!shown.isReduced())
        return;
    const SampleGrid &texels = shown.reduced;
    const std::array<int, 3> &f = shown.factors;
    printConsole("Showing " + sizesText(texels.sizeX, texels.sizeY, texels.sizeZ) + " of "
                 + sizesText(stated.x, stated.y, stated.z) + " samples, each the mean of up to " + sizesText(f[0], f[1], f[2])
                 + ": the GL cannot hold the whole grid as a 3D texture\n");
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
    // A mask or a volume of one value: the range was widened around it; say why it is so narrow.
    if (counts.collapsed()) {
        const int distinct = counts.distinctValues();
        printConsole("The volume holds only " + std::to_string(distinct) + (distinct == 1 ? " distinct value\n" : " distinct values\n"));
    }
    histogram = new QPixmap(counts.picture(range, DensityHistogram::barScale(voxelCount)));
}
