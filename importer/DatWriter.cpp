#include "DatWriter.h"

#include "DatFile.h"
#include "ImportError.h"

#include <QFile>

void writeDat(const QString &path, const int sizes[3], const uint16_t *samples)
{
    // The import layer refused every grid beyond 16-bit sizes before it read a sample.
    const DatHeader header{uint16_t(sizes[0]), uint16_t(sizes[1]), uint16_t(sizes[2])};
    const std::string reason = writeDatFile(QFile::encodeName(path).constData(), header, samples);
    if (!reason.empty())
        throw ImportError(QStringLiteral("%1: cannot write: %2").arg(path, QString::fromStdString(reason)));
}
