#include "DatWriter.h"

#include "ImportError.h"

#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr size_t writeChunk = 1 << 20;

void writeOrRefuse(QSaveFile &file, const char *data, int64_t size)
{
    if (file.write(data, size) != size) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(file.fileName(), reason));
    }
}

} // namespace

void writeDat(const QString &path, const int sizes[3], const std::vector<uint16_t> &samples)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));

    const uint16_t header[3] = {qToLittleEndian(uint16_t(sizes[0])), qToLittleEndian(uint16_t(sizes[1])),
                                qToLittleEndian(uint16_t(sizes[2]))};
    writeOrRefuse(file, reinterpret_cast<const char *>(header), sizeof header);

    std::vector<uint16_t> chunk;
    for (size_t start = 0; start < samples.size(); start += writeChunk) {
        const size_t end = std::min(samples.size(), start + writeChunk);
        chunk.assign(samples.begin() + long(start), samples.begin() + long(end));
        for (uint16_t &sample : chunk)
            sample = qToLittleEndian(sample);
        writeOrRefuse(file, reinterpret_cast<const char *>(chunk.data()), int64_t(chunk.size() * sizeof(uint16_t)));
    }
    if (!file.commit())
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
}
