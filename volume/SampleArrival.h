#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Makes a volume's samples arrive chunk by chunk along z (read, lowered, counted) on a thread
// of its own, ahead of the gradient pass, which waits only for the slices each of its slabs
// reads: so reading, counting, encoding and the GL's uploads all run at once, and two cores
// share them.
class SampleArrival
{
public:
    // Makes the slices firstZ..endZ - 1 arrive; false stops the arrival as failed.
    using Arrive = std::function<bool(int firstZ, int endZ)>;

    // Starts making the slices 0..sizeZ - 1 arrive, chunkSlices at a time, in order of z.
    SampleArrival(int sizeZ, int chunkSlices, const Arrive &arrive);
    // Stops after the chunk in progress.
    ~SampleArrival();

    SampleArrival(const SampleArrival &) = delete;
    SampleArrival &operator=(const SampleArrival &) = delete;

    // Waits until the slices before endZ have arrived; false when the arrival failed first.
    bool waitFor(int endZ);

private:
    void arriveAll();
    // Moves on to the next chunk, or marks the failure; false when the arrival stops.
    bool advance(int endZ, bool arrived);

    int sizeZ;
    int chunkSlices;
    Arrive arrive;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    int arrivedZ = 0;
    bool failed = false;
    bool cancelled = false;
};
