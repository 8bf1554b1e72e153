#pragma once

#include "DatFile.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// Builds a volume's texture slab by slab along z: a worker thread produces the encoded voxels
// of one slab (a few slices) while the calling thread, which holds the GL context, consumes
// the one before, so that reading and encoding overlap the driver's work. The two slab
// buffers are small enough to stay in the cache, and no array of the whole volume's voxels
// is ever made.
class SlabPipeline
{
public:
    // Chooses the slab thickness for the grid and allocates the two slab buffers.
    explicit SlabPipeline(const SampleGrid &grid);
    ~SlabPipeline();

    SlabPipeline(const SlabPipeline &) = delete;
    SlabPipeline &operator=(const SlabPipeline &) = delete;

    bool isAllocated() const { return buffers[0] && buffers[1]; }
    int slabSlices() const { return slices; }
    // The slab thickness chosen for a grid.
    static int slabSlicesFor(const SampleGrid &grid);

    // Fills `voxels` with the slices firstZ..endZ - 1; false stops the pipeline.
    using Produce = std::function<bool(int firstZ, int endZ, uint16_t *voxels)>;
    using Consume = std::function<void(int firstZ, int endZ, const uint16_t *voxels)>;

    // Starts producing the slabs in order of z on a worker thread; the caller is free to do
    // other work until it calls finish or cancel.
    void start(const Produce &produce);

    // Runs consume for every produced slab, in order of z, on the calling thread, and waits
    // for the worker. False when produce stopped the pipeline.
    bool finish(const Consume &consume);

    // Stops the worker after the slab it is producing and waits for it.
    void cancel();

private:
    void produceAll();
    int firstZOf(int slab) const { return slab * slices; }
    int endZOf(int slab) const;

    int sizeZ = 0;
    int slices = 1;
    int slabCount = 0;
    uint16_t *buffers[2] = {nullptr, nullptr};
    Produce produce;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    int produced = 0;
    int consumed = 0;
    bool stopped = false;
    bool cancelled = false;
};
