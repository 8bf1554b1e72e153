#pragma once

#include "RawLayout.h"
#include "SourceVolume.h"

#include <QString>

#include <cstdint>

class ImportProgress;

// Reads sizes[0] * sizes[1] * sizes[2] samples of the layout's type from byte `offset` on.
// Refuses a file too short for them before allocating anything.
SourceVolume readRawFile(const QString &path, const RawLayout &layout, const GridLimits &limits, const ImportProgress &progress);
