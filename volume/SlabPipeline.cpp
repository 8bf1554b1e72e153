#include "SlabPipeline.h"

#include "LargeBuffer.h"

#include <algorithm>
#include <system_error>

namespace {

// Two slabs of this size fit the last-level cache of common processors, and are still large
// enough that the per-call cost of an upload and of a hand-over stays small beside the work.
constexpr int64_t slabBytes = 8 << 20;

} // namespace

int SlabPipeline::slabSlicesFor(const SampleGrid &grid)
{
    const int64_t sliceBytes = std::max<int64_t>(1, grid.sliceSize() * 8);
    return int(std::clamp<int64_t>(slabBytes / sliceBytes, 1, std::max(1, grid.sizeZ)));
}

SlabPipeline::SlabPipeline(const SampleGrid &grid)
    : sizeZ(grid.sizeZ), slices(slabSlicesFor(grid))
{
    slabCount = (sizeZ + slices - 1) / slices;
    for (uint16_t *&buffer : buffers)
        buffer = allocateLargeBuffer(4 * grid.sliceSize() * slices);
}

SlabPipeline::~SlabPipeline()
{
    cancel();
    for (uint16_t *&buffer : buffers)
        releaseLargeBuffer(buffer);
}

int SlabPipeline::endZOf(int slab) const
{
    return std::min(firstZOf(slab) + slices, sizeZ);
}

void SlabPipeline::start(const Produce &work)
{
    produce = work;
    try {
        worker = std::thread([this] { produceAll(); });
    } catch (const std::system_error &) {
        // No thread to be had: finish produces and consumes by turns on the caller's thread.
    }
}

void SlabPipeline::produceAll()
{
    for (int slab = 0; slab < slabCount; ++slab) {
        {
            // A buffer is free again once the slab two before it has been consumed.
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return slab - consumed < 2 || cancelled; });
            if (cancelled)
                return;
        }
        const bool made = produce(firstZOf(slab), endZOf(slab), buffers[slab % 2]);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (made)
                produced = slab + 1;
            else
                stopped = true;
        }
        changed.notify_all();
        if (!made)
            return;
    }
}

bool SlabPipeline::finish(const Consume &consume)
{
    if (!worker.joinable()) {
        for (int slab = 0; slab < slabCount; ++slab) {
            if (!produce(firstZOf(slab), endZOf(slab), buffers[0]))
                return false;
            consume(firstZOf(slab), endZOf(slab), buffers[0]);
        }
        return true;
    }
    bool complete = true;
    for (int slab = 0; slab < slabCount; ++slab) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return produced > slab || stopped; });
            complete = produced > slab;
        }
        if (!complete)
            break;
        consume(firstZOf(slab), endZOf(slab), buffers[slab % 2]);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            consumed = slab + 1;
        }
        changed.notify_all();
    }
    worker.join();
    return complete;
}

void SlabPipeline::cancel()
{
    if (!worker.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        cancelled = true;
    }
    changed.notify_all();
    worker.join();
}
