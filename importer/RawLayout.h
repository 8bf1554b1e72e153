#pragma once

#include "SampleType.h"

#include <cstdint>

// Headerless input: what the command line says about the file.
struct RawLayout
{
    uint64_t sizes[3] = {0, 0, 0};
    SampleType type = SampleType::UInt16;
    bool bigEndian = false;
    int64_t offset = 0;

    friend bool operator==(const RawLayout &a, const RawLayout &b)
    {
        return a.sizes[0] == b.sizes[0] && a.sizes[1] == b.sizes[1] && a.sizes[2] == b.sizes[2] && a.type == b.type
               && a.bigEndian == b.bigEndian && a.offset == b.offset;
    }
};
