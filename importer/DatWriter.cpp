#include "DatWriter.h"

#include "ImportError.h"
#include "SampleArray.h"
#include "ValueMapping.h"

#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

constexpr uint64_t writeChunk = 1 << 20;

void writeOrRefuse(QSaveFile &file, const char *data, int64_t size)
{
    if (file.write(data, size) != size) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(file.fileName(), reason));
    }
}

} // namespace

void writeDat(const QString &path, const SampleArray &samples, const ValueMapping &mapping)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));

    const VolumeSource &source = samples.source();
    const uint16_t header[3] = {qToLittleEndian(uint16_t(source.sizeX)),
                                qToLittleEndian(uint16_t(source.sizeY)),
                                qToLittleEndian(uint16_t(source.sizeZ))};
    writeOrRefuse(file, reinterpret_cast<const char *>(header), sizeof header);

    std::vector<uint16_t> chunk;
    const uint64_t count = samples.count();
    for (uint64_t start = 0; start < count; start += writeChunk) {
        const uint64_t end = std::min(count, start + writeChunk);
        chunk.resize(size_t(end - start));
        for (uint64_t i = start; i < end; ++i)
            chunk[size_t(i - start)] = qToLittleEndian(mapping.map(samples.value(i)));
        writeOrRefuse(file, reinterpret_cast<const char *>(chunk.data()), int64_t(chunk.size() * sizeof(uint16_t)));
    }
    if (!file.commit())
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
}
