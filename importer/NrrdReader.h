#pragma once

#include "VolumeSource.h"

#include <QString>

// NRRD files (.nrrd with the data attached after the header's blank line, .nhdr with a
// detached data file): three dimensions, raw or gzip encoding, either endianness, line
// and byte skips. Multi-file data and the text, hex and bzip2 encodings are refused.
VolumeSource readNrrdHeader(const QString &path);
