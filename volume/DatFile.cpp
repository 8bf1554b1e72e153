#include "DatFile.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SampleGrid adjustedGrid(const DatHeader &header)
{
    SampleGrid grid;
    grid.sizeX = header.x + header.x % 2;
    grid.sizeY = header.y + header.y % 2;
    grid.sizeZ = header.z;
    return grid;
}

bool isAdjusted(const DatHeader &header)
{
    return header.x % 2 != 0 || header.y % 2 != 0;
}

int64_t datFileBytes(const DatHeader &header)
{
    return datHeaderBytes + 2 * int64_t(header.x) * header.y * header.z;
}

std::string datRefusal(const DatHeader &header, int64_t fileBytes)
{
    if (header.x == 0 || header.y == 0 || header.z == 0)
        return "a size of 0 leaves no samples";
    if (fileBytes < datFileBytes(header))
        return "the file holds " + std::to_string(fileBytes) + " bytes, its sizes need "
            + std::to_string(datFileBytes(header));
    const SampleGrid grid = adjustedGrid(header);
    if (grid.sizeX > UINT16_MAX || grid.sizeY > UINT16_MAX)
        return "the adjusted grid of " + std::to_string(grid.sizeX) + " x " + std::to_string(grid.sizeY)
            + " exceeds 16-bit sizes";
    const int64_t voxelCount = grid.voxelCount();
    if (voxelCount > maxVoxelCount)
        return std::to_string(voxelCount) + " voxels are more than the " + std::to_string(maxVoxelCount)
            + " a volume can count";
    return {};
}

std::FILE *openDatFile(const char *path)
{
    // Non-blocking applies to pipes and devices only; reads of a regular file are the same.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    std::FILE *file = fdopen(descriptor, "rb");
    if (!file)
        close(descriptor);
    return file;
}

int64_t regularFileBytes(std::FILE *file)
{
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode))
        return -1;
    return status.st_size;
}

bool readDatHeader(std::FILE *file, DatHeader &header)
{
    return std::fread(&header.x, 2, 1, file) == 1 && std::fread(&header.y, 2, 1, file) == 1
        && std::fread(&header.z, 2, 1, file) == 1;
}

bool readDatSamples(std::FILE *file, const DatHeader &header, uint16_t *samples)
{
    // One read of the whole block is far faster than a read per row; the rows are moved to
    // their adjusted places afterwards, in place.
    const std::size_t count = std::size_t(header.x) * header.y * header.z;
    if (std::fread(samples, sizeof(uint16_t), count, file) != count)
        return false;
    if (isAdjusted(header))
        spreadOntoAdjustedGrid(header, samples);
    return true;
}

void spreadOntoAdjustedGrid(const DatHeader &header, uint16_t *samples)
{
    const SampleGrid grid = adjustedGrid(header);
    const std::size_t rowBytes = std::size_t(header.x) * sizeof(uint16_t);
    // Backwards, last row first: every row moves to an index at least as high as its own,
    // so a row is moved before anything lands on it.
    for (int z = grid.sizeZ - 1; z >= 0; --z) {
        uint16_t *slice = samples + std::size_t(z) * grid.sliceSize();
        for (int y = header.y - 1; y >= 0; --y) {
            uint16_t *row = slice + std::size_t(y) * grid.sizeX;
            std::memmove(row, samples + (std::size_t(z) * header.y + y) * header.x, rowBytes);
            if (grid.sizeX != header.x)
                row[header.x] = row[header.x - 1];
        }
        if (grid.sizeY != header.y)
            std::memcpy(slice + std::size_t(header.y) * grid.sizeX, slice + std::size_t(header.y - 1) * grid.sizeX,
                        std::size_t(grid.sizeX) * sizeof(uint16_t));
    }
}
