#pragma once

#include "BrickRanges.h"
#include "DatFile.h"
#include "DensityHistogram.h"
#include "GridReduction.h"
#include "VolumeDescription.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QPixmap;
class SampleArrival;
class SlabPipeline;

// One scalar data set: a regular grid of 16-bit samples read from a `.dat` file or handed
// over in memory, with a gradient per voxel computed on the processor and uploaded together
// with the samples as one GL_RGBA16 3D texture (red, green, blue: encoded gradient x, y, z;
// alpha: sample * 16).
//
// A Volume is complete when its constructor returns, built with the view's GL context
// current. The texture's storage is made first and filled slab by slab along z while the
// samples arrive, so that no array of the whole volume's voxels is ever made; the samples
// are counted for the histogram as they arrive. Samples above 4095 are lowered to 4095,
// with one line saying how many. The volume keeps its samples on the adjusted grid for as
// long as it lives, for the views that read them at full resolution. A file that cannot be read, or a grid
// that is refused (truncated, zero or absurd sizes, larger than the GL's 3D texture limit),
// yields an invalid volume: isValid() is false, it owns no texture and no arrays, its sizes
// are 0, and its range (0..4095) and histogram picture (plain light grey, 4096 x 65) are
// still safe to use. The reason is printed as one line on standard output and kept as the
// volume's refusal(). Every check, the GL's included, comes before anything is allocated, so
// a refused grid costs neither time nor memory.
class Volume
{
public:
    // A `.dat` file: its spacing and patient frame are unknown, its samples their own units.
    explicit Volume(const char *path);

    // From a reader's description: its samples (meant to lie in 0..4095) and what they stand
    // for. The caller has printed its own line about where they come from; the volume prints
    // its refusal or its histogram lines. The volume keeps a copy of its own; the caller's
    // samples are read during construction only. Its original values are kept as they lie.
    explicit Volume(const VolumeDescription &description);
    ~Volume();

    Volume(const Volume &) = delete;
    Volume &operator=(const Volume &) = delete;

    bool isValid() const { return valid; }

    // A new array of three ints (sizeX, sizeY, sizeZ after adjustment); the caller deletes it.
    int *dimensions() const;

    // The grid the 3D texture holds: the adjusted grid itself, or where the GL cannot hold
    // that, a coarser one (the line "Showing ..." says so); the samples stay whole.
    const GridReduction &textureGrid() const { return shown; }

    // Unknown (and 1 mm each way) for a `.dat` file, which does not state it.
    const VoxelSpacing &spacing() const { return voxelSpacing; }
    // Where the grid lies in the patient; unknown for a `.dat` file.
    const PatientFrame &frame() const { return patientFrame; }
    const SampleUnits &units() const { return sampleUnits; }
    // The values the samples were mapped from, shared with whoever read them; empty for a
    // `.dat` file, whose samples are its values.
    const OriginalValues &originalValues() const { return values; }
    // The console line that said why the volume was refused, without its line break; empty
    // for a valid volume.
    const std::string &refusal() const { return refusalLine; }

    // Deletes the 3D texture; needs the context it was created in to be current.
    void deleteTexture();

    // The samples on the adjusted grid, x fastest, each 0..4095: sliceSize * sizeZ of them,
    // kept while the volume lives; null when it is invalid.
    const uint16_t *samplesKept() const { return samples; }
    // The sizes as the file or the caller states them, before the adjustment.
    const DatHeader &statedSize() const { return stated; }

    // The volume's own copy of the samples on the adjusted grid, as samplesKept() gives them.
    uint16_t *samples = nullptr;
    uint16_t sizeX = 0;
    uint16_t sizeY = 0;
    uint16_t sizeZ = 0;
    int32_t sliceSize = 0;
    int32_t voxelCount = 0;
    int32_t densityMin = 0;
    int32_t densityMax = 4095;
    // Owned by the volume; the open flow hands the editor a copy.
    QPixmap *histogram = nullptr;
    unsigned int texture = 0;
    // The value range of each brick, for skipping the transparent ones; empty when invalid.
    BrickRanges bricks;

private:
    // Makes the samples of the slices firstZ..endZ - 1 ready on the adjusted grid.
    using ArriveSlices = std::function<bool(int firstZ, int endZ)>;

    void load(const char *path);
    void loadFromMemory(const SampleBuffer &source, int x, int y, int z);
    void refuse(const std::string &line);
    void refuse(const std::string &what, const std::string &reason);
    std::unique_ptr<SlabPipeline> startFilling(const SampleGrid &grid, GridReduction reduction,
                                               const ArriveSlices &arrive);
    void startArrival(const SampleGrid &grid, bool brickSamples, const ArriveSlices &arrive);
    std::unique_ptr<SlabPipeline> startShowing(const SampleGrid &grid, const GridReduction &reduction);
    bool prepareSlab(const SampleGrid &grid, int firstZ, int endZ);
    bool finishFilling(SlabPipeline &pipeline);
    void acceptSlices(const SampleGrid &grid, int firstZ, int endZ);
    int64_t paddingAboveMax(const SampleGrid &grid, const uint16_t *slice) const;
    void keepGrid(const SampleGrid &grid);
    void releaseAll();
    std::array<double, 3> spacingArray() const;
    void reportReduction();
    void reportClampedSamples();
    void createHistogram();

    // The sizes as the file or the caller states them, before the adjustment.
    DatHeader stated;
    GridReduction shown;
    // The samples of a reduced grid, from the reduction to the last upload.
    uint16_t *shownSamples = nullptr;
    // From the start of the open until its last slab is uploaded.
    std::unique_ptr<SampleArrival> arrival;
    // The bricks of the whole grid, found as the samples arrive; the volume's bricks once its
    // texture shows the whole grid. Like the counts, written by the arrival's thread only.
    BrickRanges sampleBricks;
    DensityHistogram counts;
    int64_t clampedCount = 0;
    VoxelSpacing voxelSpacing;
    PatientFrame patientFrame;
    SampleUnits sampleUnits;
    OriginalValues values;
    std::string refusalLine;
    bool valid = false;
};
