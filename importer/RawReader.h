#pragma once

#include "SourceVolume.h"

#include <QString>

#include <cstdint>

class ImportProgress;

// Headerless input: what the command line says about the file.
struct RawLayout
{
    uint64_t sizes[3] = {0, 0, 0};
    SampleType type = SampleType::UInt16;
    bool bigEndian = false;
    int64_t offset = 0;
};

// Reads sizes[0] * sizes[1] * sizes[2] samples of the layout's type from byte `offset` on.
// Refuses a file too short for them before allocating anything.
SourceVolume readRawFile(const QString &path, const RawLayout &layout, const GridLimits &limits, const ImportProgress &progress);
