#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The `.dat` volume file: three little-endian unsigned 16-bit sizes X, Y, Z, then X*Y*Z
// unsigned 16-bit little-endian samples, x fastest, then y, then z; anything after the last
// sample is ignored. Bytes are decoded and encoded from the file's byte order (<QtEndian>),
// so the file reads and writes the same on hosts of either byte order. The volume keeps the samples on an adjusted grid
// whose x and y sizes are even: an odd X gains one column, an odd Y one row per slice; Z
// stays. Each file row starts its adjusted row, and the extra column and row repeat their
// neighbouring samples so that the padding adds no false edge to the gradients and no
// foreign value to the histogram.
//
// The reader, the writer and volumes built from samples in memory share one set of limits
// (gridRefusal): the importer never writes a file that the viewer would refuse.
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

// A size of the file and of the texture: 16 bits.
constexpr int64_t maxGridSize = UINT16_MAX;

// The volume counts its voxels in a signed 32-bit integer.
constexpr int64_t maxVoxelCount = INT32_MAX;

SampleGrid adjustedGrid(const DatHeader &header);
bool isAdjusted(const DatHeader &header);

// Why a grid of these sizes, as stated before the adjustment, cannot be a volume: a size of
// 0, a size or adjusted size above 16 bits, more voxels than a volume counts. Empty when it
// can be.
std::string gridRefusal(int64_t x, int64_t y, int64_t z);
std::string datGridRefusal(const DatHeader &header);

// The bytes a file with this header must hold: header and samples.
int64_t datFileBytes(const DatHeader &header);

// Why a file of fileBytes bytes with this header cannot be loaded; empty when it can.
std::string datRefusal(const DatHeader &header, int64_t fileBytes);

// Decodes count samples from their file bytes; `samples` may start at `bytes` (in place).
void decodeLittleEndianSamples(const unsigned char *bytes, std::size_t count, uint16_t *samples);
void encodeLittleEndianSamples(const uint16_t *samples, std::size_t count, unsigned char *bytes);

// Opens the file for reading without waiting for a writer: a named pipe given as a volume
// would otherwise hold the open, and the program with it, until something writes into it.
// Null when the file cannot be opened.
std::FILE *openDatFile(const char *path);

// The file's length when it is a regular file, else -1.
int64_t regularFileBytes(std::FILE *file);

// Reads the three sizes; false when the file ends first.
bool readDatHeader(std::FILE *file, DatHeader &header);

// Reads the slices firstZ..endZ - 1, which the file must be positioned at, onto their places
// on the adjusted grid in `samples` (the whole grid's array); false when the file ends first.
bool readDatSlices(std::FILE *file, const DatHeader &header, int firstZ, int endZ, uint16_t *samples);

// Reads all samples that follow the header onto the adjusted grid, which `samples` must
// hold; false when the file ends before the last sample.
bool readDatSamples(std::FILE *file, const DatHeader &header, uint16_t *samples);

// Moves the file's samples of one slice, packed at the start of `slice` as read, to their
// places on the adjusted grid and fills the extra column and row with their neighbours.
void spreadSliceOntoAdjustedGrid(const DatHeader &header, uint16_t *slice);

// Writes the header and header.x * header.y * header.z samples (x fastest) as a `.dat`
// file. Refuses a grid that the reader would refuse. The file is written through a QSaveFile
// (a temporary name in the same folder, renamed onto `path` once complete and synced), so a
// failure leaves neither a partial file nor a changed one at `path`. Empty on success, else the reason
// (without the path, which the caller names).
std::string writeDatFile(const char *path, const DatHeader &header, const uint16_t *samples);
