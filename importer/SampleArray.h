#pragma once

#include "VolumeSource.h"

#include <cstdint>
#include <functional>
#include <vector>

// The samples of one volume in memory, exactly as the file stores them (type and byte
// order untouched, so a volume costs its file size and no more), read through the scale
// of its header.
class SampleArray
{
public:
    // Reads the samples the source describes. Before allocating anything it refuses data
    // that cannot be there: fewer bytes in the file than the sizes need, or compressed data
    // too small to inflate to that many bytes. `progress` hears the percentage read.
    static SampleArray load(const VolumeSource &source, const std::function<void(int)> &progress = {});

    const VolumeSource &source() const { return volume; }
    uint64_t count() const { return volume.sampleCount(); }

    // Sample i in storage order (x fastest), after the header's scaling.
    double value(uint64_t i) const
    {
        const double stored = decodeSample(bytes.data() + i * uint64_t(sampleSize), volume.type, volume.bigEndian);
        return volume.slope * stored + volume.intercept;
    }

private:
    SampleArray(const VolumeSource &source, std::vector<unsigned char> bytes);

    VolumeSource volume;
    int sampleSize;
    std::vector<unsigned char> bytes;
};

// Deflate inflates at most 1032 bytes from one compressed byte; a header claiming more
// than that from the compressed bytes it has is lying.
constexpr uint64_t maxInflateRatio = 1032;
