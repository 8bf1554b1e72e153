#include "SourceVolume.h"

#include "DatFile.h"
#include "ImportError.h"
#include "ImportProgress.h"

#include <algorithm>
#include <new>

void checkGrid(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ)
{
    // A negative size read into 64 unsigned bits lands far beyond 16 bits and is refused so.
    const auto bounded = [](uint64_t size) { return int64_t(std::min<uint64_t>(size, uint64_t(INT64_MAX))); };
    const std::string refusal = gridRefusal(bounded(sizeX), bounded(sizeY), bounded(sizeZ));
    if (!refusal.empty())
        throw ImportError(QStringLiteral("%1: %2").arg(file, QString::fromStdString(refusal)));
}

void allocateSamples(const QString &file, SourceVolume *volume, const ImportProgress &progress)
{
    progress.announceGrid(volume->sampleCount(), sampleTypeSize(volume->type));
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
