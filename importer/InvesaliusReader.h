#pragma once

#include "SourceVolume.h"

#include <QString>

class ImportProgress;

// InVesalius projects (.inv3): a gzip-compressed tar archive holding, in one folder,
// main.plist, whose `matrix` entry names the raw sample file, its `shape` as (z, y, x) and
// its NumPy `dtype`, and whose `spacing` gives the voxel size (x, y, z) in mm; and that raw
// file, little-endian and x fastest. The samples are read straight out of the compressed
// archive; nothing is extracted.
SourceVolume readInvesaliusProject(const QString &path, const GridLimits &limits, const ImportProgress &progress);
