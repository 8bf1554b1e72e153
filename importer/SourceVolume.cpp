#include "SourceVolume.h"

#include "DatFile.h"
#include "ImportError.h"
#include "ImportProgress.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A named pipe would block the first reader that opens it until someone writes to it; a
// device might never end.
QString specialFileKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
}

bool isSpecial(mode_t mode)
{
    return !S_ISREG(mode) && !S_ISDIR(mode);
}

} // namespace

void checkGrid(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ)
{
    // A negative size read into 64 unsigned bits lands far beyond 16 bits and is refused so.
    const auto bounded = [](uint64_t size) { return int64_t(std::min<uint64_t>(size, uint64_t(INT64_MAX))); };
    const std::string refusal = gridRefusal(bounded(sizeX), bounded(sizeY), bounded(sizeZ));
    if (!refusal.empty())
        throw ImportError(QStringLiteral("%1: %2").arg(file, QString::fromStdString(refusal)));
}

void checkOpenable(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::stat(name.constData(), &status) != 0) {
        const bool denied = errno == EACCES;
        throw ImportError(QStringLiteral("%1: cannot open: %2")
                              .arg(path, denied ? QStringLiteral("permission denied") : QStringLiteral("no such file or folder")));
    }
    if (isSpecial(status.st_mode))
        throw ImportError(QStringLiteral("%1: cannot open: not a regular file but %2").arg(path, specialFileKind(status.st_mode)));
    // A folder is read by listing it, which needs the right to search it too.
    const int needed = S_ISDIR(status.st_mode) ? R_OK | X_OK : R_OK;
    if (::access(name.constData(), needed) != 0 && errno == EACCES)
        throw ImportError(QStringLiteral("%1: cannot open: permission denied").arg(path));
}

void checkDataFileKind(const QString &header, const QString &dataFile)
{
    struct stat status;
    if (::stat(QFile::encodeName(dataFile).constData(), &status) == 0 && isSpecial(status.st_mode))
        throw ImportError(QStringLiteral("%1: its data file %2 is not a regular file but %3")
                              .arg(header, dataFile, specialFileKind(status.st_mode)));
}

void checkLimits(const QString &file, const SourceVolume &volume, const GridLimits &limits)
{
    constexpr uint64_t mappedSampleBytes = 2;
    const uint64_t needed = volume.dataBytes() + volume.sampleCount() * mappedSampleBytes;
    const auto megabytes = [](uint64_t bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); };
    if (limits.memoryBytes > 0 && needed > limits.memoryBytes)
        throw ImportError(QStringLiteral("%1: its %2 x %3 x %4 samples need %5 MB of memory, more than the %6 MB there are")
                              .arg(file)
                              .arg(volume.sizes[0])
                              .arg(volume.sizes[1])
                              .arg(volume.sizes[2])
                              .arg(megabytes(needed), megabytes(limits.memoryBytes)));
    // The viewer pads odd widths and heights by one.
    const uint64_t side = limits.textureSide > 0 ? uint64_t(limits.textureSide) : UINT64_MAX;
    const uint64_t x = volume.sizes[0] + volume.sizes[0] % 2;
    const uint64_t y = volume.sizes[1] + volume.sizes[1] % 2;
    if (x > side || y > side || volume.sizes[2] > side)
        throw ImportError(QStringLiteral("%1: a 3D texture of %2 x %3 x %4 exceeds the GL's limit of %5 per side")
                              .arg(file)
                              .arg(x)
                              .arg(y)
                              .arg(volume.sizes[2])
                              .arg(limits.textureSide));
}

void allocateSamples(const QString &file, SourceVolume *volume, const ImportProgress &progress)
{
    progress.announceGrid(volume->sampleCount(), sampleTypeSize(volume->type));
    try {
        volume->bytes = progress.storeValues(volume->dataBytes());
    } catch (const std::bad_alloc &) {
        throw ImportError(QStringLiteral("%1: not enough memory for %2 bytes of samples").arg(file).arg(volume->dataBytes()));
    }
}

void allocateScratchSamples(const QString &file, SourceVolume *volume)
{
    allocateSamples(file, volume, ImportProgress());
}

void checkCancel(const QString &file, const ImportProgress &progress)
{
    if (progress.cancelRequested())
        throw ImportCancelled(file);
}

namespace {

// Reading samples in place in the byte order opposite to the host's swaps each one's bytes.
template <typename T>
void swapInPlace(unsigned char *bytes, uint64_t count)
{
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN)
        qFromBigEndian<T>(bytes, qsizetype(count), bytes);
    else
        qFromLittleEndian<T>(bytes, qsizetype(count), bytes);
}

} // namespace

void swapSampleBytes(unsigned char *bytes, uint64_t count, SampleType type)
{
    switch (sampleTypeSize(type)) {
    case 2:
        swapInPlace<uint16_t>(bytes, count);
        break;
    case 4:
        swapInPlace<uint32_t>(bytes, count);
        break;
    case 8:
        swapInPlace<uint64_t>(bytes, count);
        break;
    default:
        break;
    }
}
