#include "DatFile.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr bool hostIsLittleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;

// Decoding in place is the identity where the host's byte order is the file's; a pass of it
// over a 512^3 volume would cost more than a third of the file read.
void decodeInPlace(uint16_t *samples, std::size_t count)
{
    if (!hostIsLittleEndian)
        decodeLittleEndianSamples(reinterpret_cast<const unsigned char *>(samples), count, samples);
}

std::string sizeText(int64_t value)
{
    return std::to_string(value);
}

bool writeAll(QSaveFile &file, const unsigned char *bytes, std::size_t count)
{
    return file.write(reinterpret_cast<const char *>(bytes), qint64(count)) == qint64(count);
}

bool writeDatContent(QSaveFile &file, const DatHeader &header, const uint16_t *samples)
{
    const uint16_t sizes[3] = {header.x, header.y, header.z};
    unsigned char headerBytes[datHeaderBytes];
    encodeLittleEndianSamples(sizes, 3, headerBytes);
    if (!writeAll(file, headerBytes, sizeof headerBytes))
        return false;
    constexpr std::size_t chunkSamples = 1 << 20;
    std::vector<unsigned char> chunk(2 * chunkSamples);
    const std::size_t count = std::size_t(header.x) * header.y * header.z;
    for (std::size_t first = 0; first < count; first += chunkSamples) {
        const std::size_t n = std::min(chunkSamples, count - first);
        encodeLittleEndianSamples(samples + first, n, chunk.data());
        if (!writeAll(file, chunk.data(), 2 * n))
            return false;
    }
    return true;
}

} // namespace

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

std::string gridRefusal(int64_t x, int64_t y, int64_t z)
{
    if (x <= 0 || y <= 0 || z <= 0)
        return "a size of 0 leaves no samples";
    if (x > maxGridSize || y > maxGridSize || z > maxGridSize)
        return "the sizes " + sizeText(x) + " x " + sizeText(y) + " x " + sizeText(z) + " exceed 16 bits";
    const int64_t adjustedX = x + x % 2;
    const int64_t adjustedY = y + y % 2;
    if (adjustedX > maxGridSize || adjustedY > maxGridSize)
        return "the adjusted grid of " + sizeText(adjustedX) + " x " + sizeText(adjustedY) + " exceeds 16-bit sizes";
    const int64_t voxelCount = adjustedX * adjustedY * z;
    if (voxelCount > maxVoxelCount)
        return sizeText(voxelCount) + " voxels are more than the " + sizeText(maxVoxelCount) + " a volume can count";
    return {};
}

std::string datGridRefusal(const DatHeader &header)
{
    return gridRefusal(header.x, header.y, header.z);
}

int64_t datFileBytes(const DatHeader &header)
{
    return datHeaderBytes + 2 * int64_t(header.x) * header.y * header.z;
}

std::string datRefusal(const DatHeader &header, int64_t fileBytes)
{
    // An absurd header mostly comes with a file far too short for it, which says more.
    if (fileBytes < datFileBytes(header))
        return "the file holds " + sizeText(fileBytes) + " bytes, its sizes need " + sizeText(datFileBytes(header));
    return datGridRefusal(header);
}

void decodeLittleEndianSamples(const unsigned char *bytes, std::size_t count, uint16_t *samples)
{
    qFromLittleEndian<uint16_t>(bytes, qsizetype(count), samples);
}

void encodeLittleEndianSamples(const uint16_t *samples, std::size_t count, unsigned char *bytes)
{
    qToLittleEndian<uint16_t>(samples, qsizetype(count), bytes);
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
    unsigned char bytes[datHeaderBytes];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes)
        return false;
    header.x = qFromLittleEndian<uint16_t>(bytes);
    header.y = qFromLittleEndian<uint16_t>(bytes + 2);
    header.z = qFromLittleEndian<uint16_t>(bytes + 4);
    return true;
}

bool readDatSlices(std::FILE *file, const DatHeader &header, int firstZ, int endZ, uint16_t *samples)
{
    const SampleGrid grid = adjustedGrid(header);
    const std::size_t fileSlice = std::size_t(header.x) * header.y;
    uint16_t *first = samples + std::size_t(firstZ) * grid.sliceSize();
    if (!isAdjusted(header)) {
        // The slices lie in the file as on the grid: one read for all of them.
        const std::size_t count = fileSlice * std::size_t(endZ - firstZ);
        if (std::fread(first, 2, count, file) != count)
            return false;
        decodeInPlace(first, count);
        return true;
    }
    for (int z = firstZ; z < endZ; ++z) {
        uint16_t *slice = samples + std::size_t(z) * grid.sliceSize();
        if (std::fread(slice, 2, fileSlice, file) != fileSlice)
            return false;
        decodeInPlace(slice, fileSlice);
        spreadSliceOntoAdjustedGrid(header, slice);
    }
    return true;
}

bool readDatSamples(std::FILE *file, const DatHeader &header, uint16_t *samples)
{
    return readDatSlices(file, header, 0, header.z, samples);
}

void spreadSliceOntoAdjustedGrid(const DatHeader &header, uint16_t *slice)
{
    const SampleGrid grid = adjustedGrid(header);
    const std::size_t rowBytes = std::size_t(header.x) * sizeof(uint16_t);
    // Backwards, last row first: every row moves to an index at least as high as its own,
    // so a row is moved before anything lands on it.
    for (int y = header.y - 1; y >= 0; --y) {
        uint16_t *row = slice + std::size_t(y) * grid.sizeX;
        std::memmove(row, slice + std::size_t(y) * header.x, rowBytes);
        if (grid.sizeX != header.x)
            row[header.x] = row[header.x - 1];
    }
    if (grid.sizeY != header.y)
        std::memcpy(slice + std::size_t(header.y) * grid.sizeX, slice + std::size_t(header.y - 1) * grid.sizeX,
                    std::size_t(grid.sizeX) * sizeof(uint16_t));
}

std::string writeDatFile(const char *path, const DatHeader &header, const uint16_t *samples)
{
    const std::string refusal = datGridRefusal(header);
    if (!refusal.empty())
        return refusal;
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot create a temporary file in its folder: " + file.errorString().toStdString();
    if (writeDatContent(file, header, samples) && file.commit())
        return {};
    // Read before the destructor throws the temporary file away.
    const std::string reason = file.errorString().toStdString();
    file.cancelWriting();
    return reason;
}
