#include "SampleArrival.h"

#include <algorithm>
#include <system_error>

SampleArrival::SampleArrival(int sizeZ, int chunkSlices, const Arrive &arrive)
    : sizeZ(sizeZ), chunkSlices(std::max(1, chunkSlices)), arrive(arrive)
{
    try {
        worker = std::thread([this] { arriveAll(); });
    } catch (const std::system_error &) {
        // No thread to be had: the first wait makes everything arrive on the caller's thread.
    }
}

SampleArrival::~SampleArrival()
{
    if (!worker.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        cancelled = true;
    }
    worker.join();
}

void SampleArrival::arriveAll()
{
    for (int firstZ = 0; firstZ < sizeZ; firstZ += chunkSlices) {
        const int endZ = std::min(firstZ + chunkSlices, sizeZ);
        if (!advance(endZ, arrive(firstZ, endZ)))
            return;
    }
}

bool SampleArrival::advance(int endZ, bool arrived)
{
    bool goesOn = false;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (arrived)
            arrivedZ = endZ;
        else
            failed = true;
        goesOn = arrived && !cancelled;
    }
    changed.notify_all();
    return goesOn;
}

bool SampleArrival::waitFor(int endZ)
{
    if (!worker.joinable()) {
        if (arrivedZ < sizeZ && !failed)
            arriveAll();
        return !failed;
    }
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return arrivedZ >= std::min(endZ, sizeZ) || failed; });
    return arrivedZ >= std::min(endZ, sizeZ);
}
