#include "SourceVolume.h"

#include "DatFile.h"
#include "ImportError.h"
#include "ImportProgress.h"

#include <algorithm>
#include <new>

void checkGrid(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ)
{
    const QString sizes = QStringLiteral("%1 x %2 x %3").arg(sizeX).arg(sizeY).arg(sizeZ);
    if (sizeX == 0 || sizeY == 0 || sizeZ == 0)
        throw ImportError(QStringLiteral("%1: sizes %2 hold no samples").arg(file, sizes));
    constexpr uint64_t maxSize = UINT16_MAX;
    if (sizeX > maxSize || sizeY > maxSize || sizeZ > maxSize)
        throw ImportError(QStringLiteral("%1: sizes %2 exceed the limit of %3 per axis").arg(file, sizes).arg(maxSize));
    DatHeader header;
    header.x = uint16_t(sizeX);
    header.y = uint16_t(sizeY);
    header.z = uint16_t(sizeZ);
    if (adjustedGrid(header).voxelCount() > maxVoxelCount)
        throw ImportError(QStringLiteral("%1: sizes %2 hold more voxels than the viewer's limit of %3")
                              .arg(file, sizes)
                              .arg(maxVoxelCount));
}

void allocateSamples(const QString &file, SourceVolume *volume)
{
    try {
        volume->bytes.assign(size_t(volume->dataBytes()), 0);
    } catch (const std::bad_alloc &) {
        throw ImportError(QStringLiteral("%1: not enough memory for %2 bytes of samples").arg(file).arg(volume->dataBytes()));
    }
}

void checkCancel(const QString &file, const ImportProgress &progress)
{
    if (progress.cancelRequested())
        throw ImportCancelled(file);
}

void swapSampleBytes(unsigned char *bytes, uint64_t count, SampleType type)
{
    const int size = sampleTypeSize(type);
    for (uint64_t i = 0; i < count; ++i)
        std::reverse(bytes + i * size, bytes + (i + 1) * size);
}
