#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The `.dat` volume file: three little-endian unsigned 16-bit sizes X, Y, Z, then X*Y*Z
// unsigned 16-bit samples, x fastest, then y, then z; anything after the last sample is
// ignored. The volume keeps the samples on an adjusted grid whose x and y sizes are even:
// an odd X gains one column, an odd Y one row per slice; Z stays. Each file row starts its
// adjusted row, and the extra column and row repeat their neighbouring samples so that the
// padding adds no false edge to the gradients and no foreign value to the histogram.
//
// All sizes and byte counts are 64-bit: a header may claim up to 65535^3 samples, and
// nothing is allocated or read until the file is known to hold what its header claims.

struct DatHeader
{
    uint16_t x = 0;
    uint16_t y = 0;
    uint16_t z = 0;
};

struct SampleGrid
{
    int sizeX = 0;
    int sizeY = 0;
    int sizeZ = 0;

    int64_t sliceSize() const { return int64_t(sizeX) * sizeY; }
    int64_t voxelCount() const { return sliceSize() * sizeZ; }
};

constexpr int64_t datHeaderBytes = 6;

// The volume counts its voxels in a signed 32-bit integer.
constexpr int64_t maxVoxelCount = INT32_MAX;

SampleGrid adjustedGrid(const DatHeader &header);
bool isAdjusted(const DatHeader &header);

// The bytes a file with this header must hold: header and samples.
int64_t datFileBytes(const DatHeader &header);

// Why a file of fileBytes bytes with this header cannot be loaded; empty when it can.
std::string datRefusal(const DatHeader &header, int64_t fileBytes);

// Opens the file for reading without waiting for a writer: a named pipe given as a volume
// would otherwise hold the open, and the program with it, until something writes into it.
// Null when the file cannot be opened.
std::FILE *openDatFile(const char *path);

// The file's length when it is a regular file, else -1.
int64_t regularFileBytes(std::FILE *file);

// Three separate reads of one size each; false when the file ends first.
bool readDatHeader(std::FILE *file, DatHeader &header);

// Reads all samples that follow the header onto the adjusted grid, which `samples` must
// hold; false when the file ends before the last sample.
bool readDatSamples(std::FILE *file, const DatHeader &header, uint16_t *samples);

// Moves the file's samples, packed at the start of `samples` as read, to their places on
// the adjusted grid and fills the extra column and row with their neighbours.
void spreadOntoAdjustedGrid(const DatHeader &header, uint16_t *samples);
