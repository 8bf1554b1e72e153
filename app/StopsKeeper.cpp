#include "StopsKeeper.h"

#include "ConsoleLine.h"
#include "StopsFile.h"

QString StopsKeeper::stopsFileName() const
{
    return volume.isEmpty() ? QString() : volume + ".stops";
}

QGradientStops StopsKeeper::storedStops() const
{
    QGradientStops stops;
    if (volume.isEmpty() || StopsFile::read(stopsFileName(), stops) == StopsFile::ReadResult::Missing) {
        stops << QGradientStop(0.0, QColor::fromRgba(0x00000000u)) << QGradientStop(0.5, QColor::fromRgba(0xFFFFFFFFu))
              << QGradientStop(1.0, QColor::fromRgba(0x00000000u));
    }
    return stops;
}

void StopsKeeper::save(const QGradientStops &stops)
{
    if (volume.isEmpty())
        return;
    const QString failure = StopsFile::write(stopsFileName(), stops);
    if (!failure.isEmpty() && lastFailure.isEmpty()) {
        const QString line = QString("Can't save the transfer function to %1: %2").arg(stopsFileName(), failure);
        printConsole(line.toLocal8Bit().toStdString() + "\n");
        emit saveFailed(line);
    }
    lastFailure = failure;
}
