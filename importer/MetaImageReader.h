#pragma once

#include "VolumeSource.h"

#include <QString>

// MetaImage files: .mha with the data after the header's last line (ElementDataFile =
// LOCAL), .mhd with a separate data file; binary data, compressed with zlib or not, in
// either byte order, one channel of three dimensions.
VolumeSource readMetaImageHeader(const QString &path);
