#include "SampleArray.h"

#include "ByteStream.h"
#include "ImportError.h"

#include <algorithm>
#include <new>

namespace {

constexpr int64_t readChunk = 1 << 22;

void checkDataCanBeThere(const VolumeSource &source, int64_t fileSize)
{
    const uint64_t available = uint64_t(std::max<int64_t>(fileSize - source.dataOffset, 0));
    const uint64_t needed = source.skipInStream + source.dataBytes();
    if (!source.compressed && available < needed)
        throw ImportError(QStringLiteral("%1: holds %2 bytes after byte %3; %4 x %5 x %6 %7 samples need %8")
                              .arg(source.dataPath)
                              .arg(available)
                              .arg(source.dataOffset)
                              .arg(source.sizeX)
                              .arg(source.sizeY)
                              .arg(source.sizeZ)
                              .arg(sampleTypeName(source.type))
                              .arg(needed));
    if (source.compressed && needed / maxInflateRatio > available)
        throw ImportError(QStringLiteral("%1: %2 compressed bytes cannot hold the %3 bytes the sizes need")
                              .arg(source.dataPath)
                              .arg(available)
                              .arg(needed));
}

std::vector<unsigned char> allocate(const VolumeSource &source)
{
    try {
        return std::vector<unsigned char>(size_t(source.dataBytes()));
    } catch (const std::bad_alloc &) {
        throw ImportError(QStringLiteral("%1: not enough memory for %2 bytes of samples").arg(source.dataPath).arg(source.dataBytes()));
    }
}

} // namespace

SampleArray::SampleArray(const VolumeSource &source, std::vector<unsigned char> bytes)
    : volume(source)
    , sampleSize(sampleTypeSize(source.type))
    , bytes(std::move(bytes))
{
}

SampleArray SampleArray::load(const VolumeSource &source, const std::function<void(int)> &progress)
{
    ByteStream stream(source.dataPath);
    checkDataCanBeThere(source, stream.fileSize());
    std::vector<unsigned char> bytes = allocate(source);
    stream.seekFile(source.dataOffset);
    if (source.compressed) {
        stream.startInflating();
        stream.skip(source.skipInStream, QStringLiteral("compressed data"));
    }
    const int64_t total = int64_t(bytes.size());
    int reported = -1;
    for (int64_t done = 0; done < total;) {
        const int64_t step = std::min(total - done, readChunk);
        const int64_t got = stream.read(reinterpret_cast<char *>(bytes.data()) + done, step);
        done += got;
        if (got < step)
            throw ImportError(QStringLiteral("%1: sample data ends after %2 of %3 bytes").arg(source.dataPath).arg(done).arg(total));
        const int percent = int(done * 100 / total);
        if (progress && percent != reported)
            progress(percent);
        reported = percent;
    }
    return SampleArray(source, std::move(bytes));
}
