#pragma once

#include "SampleType.h"

#include <cstdint>
#include <memory>

// The values a source stored at its voxels, in its own units and its stored type, after its
// own scaling (DICOM's rescale, NIfTI's scl_slope): what the readout and the measurements
// report, exactly, also where the 12-bit samples clip or round them. One per voxel of the
// grid the source states, x fastest.
//
// Read-only and shared: the volume shown and the reading views hold the same memory, which
// for a volume the reader program read is the file in memory it wrote them to, mapped. So
// the viewer keeps them once, beside its 12-bit samples.
class OriginalValues
{
public:
    OriginalValues() = default;
    // `bytes` holds `count` values of `type` in the host's byte order.
    OriginalValues(std::shared_ptr<const unsigned char> bytes, SampleType type, uint64_t count)
        : owned(std::move(bytes)), valueType(type), valueCount(owned ? count : 0)
    {
    }

    bool isEmpty() const { return valueCount == 0; }
    SampleType type() const { return valueType; }
    uint64_t count() const { return valueCount; }
    const unsigned char *bytes() const { return owned.get(); }
    double at(uint64_t index) const { return valueAt(owned.get(), valueType, index); }

    // The same values, wherever they lie.
    friend bool operator==(const OriginalValues &a, const OriginalValues &b);

private:
    std::shared_ptr<const unsigned char> owned;
    SampleType valueType = SampleType::UInt8;
    uint64_t valueCount = 0;
};
