#include "VolumeReader.h"

#include "ConsoleLine.h"
#include "Volume.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <limits>

VolumeReader importingVolumeReader()
{
    // Stopgap until the import layer joins the viewer: every other format is refused.
    return [](const QString &, const ReadProgress &, const std::atomic<bool> &) {
        ReadVolume read;
        read.refusal = "this build opens only .dat volumes";
        return read;
    };
}

// Stopgap until Volume can be built from samples in memory: the samples go through a
// temporary `.dat` file and the file loader (which adds its own "loading" line).
Volume *makeVolume(const ReadVolume &read)
{
    constexpr int datLimit = std::numeric_limits<uint16_t>::max();
    if (read.sizeX > datLimit || read.sizeY > datLimit || read.sizeZ > datLimit) {
        printConsole("Can't load a volume of more than 65535 voxels along an axis\n");
        return nullptr;
    }
    QTemporaryFile file(QDir::tempPath() + "/dichtenschau-XXXXXX.dat");
    if (!file.open())
        return nullptr;
    const uint16_t header[3] = {qToLittleEndian(uint16_t(read.sizeX)), qToLittleEndian(uint16_t(read.sizeY)),
                                qToLittleEndian(uint16_t(read.sizeZ))};
    std::vector<uint16_t> samples(read.samples.size());
    qToLittleEndian<uint16_t>(read.samples.data(), qsizetype(read.samples.size()), samples.data());
    const qint64 bytes = qint64(samples.size() * sizeof(uint16_t));
    if (file.write(reinterpret_cast<const char *>(header), sizeof header) != qint64(sizeof header)
        || file.write(reinterpret_cast<const char *>(samples.data()), bytes) != bytes || !file.flush())
        return nullptr;
    return new Volume(QFile::encodeName(file.fileName()).constData());
}
