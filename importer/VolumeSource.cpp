#include "VolumeSource.h"

#include "ImportError.h"

void checkDatSizes(const QString &file, uint64_t sizeX, uint64_t sizeY, uint64_t sizeZ)
{
    const QString sizes = QStringLiteral("%1 x %2 x %3").arg(sizeX).arg(sizeY).arg(sizeZ);
    if (sizeX == 0 || sizeY == 0 || sizeZ == 0)
        throw ImportError(QStringLiteral("%1: sizes %2 hold no samples").arg(file, sizes));
    if (sizeX > maxDatSize || sizeY > maxDatSize || sizeZ > maxDatSize)
        throw ImportError(QStringLiteral("%1: sizes %2 exceed the .dat limit of %3 per axis")
                              .arg(file, sizes)
                              .arg(maxDatSize));
}
