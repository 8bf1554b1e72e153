#include "RawReader.h"

#include "ImportError.h"
#include "ImportProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>

namespace {

constexpr int64_t readChunk = 1 << 22;

void checkDataCanBeThere(const QString &path, const RawLayout &layout, const SourceVolume &volume, int64_t fileSize)
{
    const uint64_t available = uint64_t(std::max<int64_t>(fileSize - layout.offset, 0));
    if (available < volume.dataBytes())
        throw ImportError(QStringLiteral("%1: holds %2 bytes after byte %3; %4 x %5 x %6 %7 samples need %8")
                              .arg(path)
                              .arg(available)
                              .arg(layout.offset)
                              .arg(volume.sizes[0])
                              .arg(volume.sizes[1])
                              .arg(volume.sizes[2])
                              .arg(sampleTypeName(volume.type))
                              .arg(volume.dataBytes()));
}

} // namespace

SourceVolume readRawFile(const QString &path, const RawLayout &layout, const GridLimits &limits, const ImportProgress &progress)
{
    checkGrid(path, layout.sizes[0], layout.sizes[1], layout.sizes[2]);
    if (layout.offset < 0)
        throw ImportError(QStringLiteral("%1: offset %2 is negative").arg(path).arg(layout.offset));
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw ImportError(QStringLiteral("%1: cannot open: %2").arg(path, QFileInfo(path).isDir() ? QStringLiteral("a folder") : file.errorString()));

    SourceVolume volume;
    volume.format = "raw";
    volume.files.push_back(path.toStdString());
    std::copy(layout.sizes, layout.sizes + 3, volume.sizes);
    volume.type = layout.type;
    checkLimits(path, volume, limits);
    checkDataCanBeThere(path, layout, volume, file.size());
    allocateSamples(path, &volume, progress);
    if (!file.seek(layout.offset))
        throw ImportError(QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
    const int64_t total = int64_t(volume.bytes.size());
    for (int64_t done = 0; done < total;) {
        checkCancel(path, progress);
        const int64_t step = std::min(total - done, readChunk);
        const int64_t got = file.read(reinterpret_cast<char *>(volume.bytes.data()) + done, step);
        if (got != step)
            throw ImportError(QStringLiteral("%1: sample data ends after %2 of %3 bytes").arg(path).arg(done + std::max<int64_t>(got, 0)).arg(total));
        done += got;
        progress.report(double(done) / double(total));
    }
    if (layout.bigEndian != (QSysInfo::ByteOrder == QSysInfo::BigEndian))
        swapSampleBytes(volume.bytes.data(), volume.sampleCount(), volume.type);
    return volume;
}
