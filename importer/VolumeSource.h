#pragma once

#include "SampleType.h"

#include <QString>

#include <cstdint>

// Where the samples of one volume are and how they are stored, as a format's header
// describes them. Every reader produces one; loading the samples and mapping their values
// then no longer depend on the format.
//
// The samples are a run of sizeX * sizeY * sizeZ elements, x fastest, found in dataPath:
// at byte dataOffset of the file when it is stored plain; when compressed, a zlib or gzip
// stream starts at dataOffset and the samples begin skipInStream bytes into what it
// inflates to.
struct VolumeSource
{
    QString format;
    uint64_t sizeX = 0;
    uint64_t sizeY = 0;
    uint64_t sizeZ = 0;
    SampleType type = SampleType::UInt8;
    bool bigEndian = false;
    // Stored values become slope * stored + intercept (NIfTI's scaling); 1 and 0 elsewhere.
    double slope = 1.0;
    double intercept = 0.0;

    QString dataPath;
    int64_t dataOffset = 0;
    bool compressed = false;
    uint64_t skipInStream = 0;

    bool isScaled() const { return slope != 1.0 || intercept != 0.0; }
    uint64_t sampleCount() const { return sizeX * sizeY * sizeZ; }
    uint64_t dataBytes() const { return sampleCount() * uint64_t(sampleTypeSize(type)); }
};

// The largest size the .dat format can record along one axis.
constexpr uint64_t maxDatSize = 65535;

// Refuses sizes the .dat format cannot hold (zero or above 65535), naming the file. Called
// by every reader before anything uses the sizes, which also keeps sampleCount() and
// dataBytes() far from overflowing 64 bits.
void checkDatSizes(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ);
