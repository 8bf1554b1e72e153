#pragma once

#include "VolumeSource.h"

#include <QString>

// InVesalius projects (.inv3): a gzip-compressed tar archive holding, in one folder,
// main.plist, whose `matrix` entry names the raw sample file, its `shape` as (z, y, x) and
// its NumPy `dtype`, and that raw file, little-endian and x fastest. The samples are read
// straight out of the compressed archive; nothing is extracted.
VolumeSource readInvesaliusProject(const QString &path);
