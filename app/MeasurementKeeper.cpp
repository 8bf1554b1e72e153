#include "MeasurementKeeper.h"

#include "ConsoleLine.h"
#include "MeasurementHistory.h"
#include "SliceSource.h"
#include "WholeFile.h"

#include <QFile>

namespace {

// Enough names for the refused files of many sessions; past them (or in a folder where
// nothing can be renamed) the refused file stays in place and the save says why.
constexpr int refusedNames = 100;

MeasurementFile::Grid gridOf(const SliceSource &source)
{
    MeasurementFile::Grid grid;
    grid.size = source.size;
    for (int a = 0; a < 3; ++a)
        grid.spacing[size_t(a)] = source.spacingAlong(a);
    return grid;
}

} // namespace

MeasurementKeeper::MeasurementKeeper(MeasurementSet *set, QUndoStack &stack, QObject *parent)
    : QObject(parent), set(set), history(new MeasurementHistory(stack, this))
{
    connect(set, &MeasurementSet::edited, this, &MeasurementKeeper::keep);
    connect(history, &MeasurementHistory::measurementsRestored, this, [this](const Measurements &measurements) {
        this->set->replace(measurements);
        save(measurements);
    });
}

QString MeasurementKeeper::fileName() const
{
    return volume.isEmpty() ? QString() : volume + ".measurements";
}

void MeasurementKeeper::openVolume(const QString &name, const SliceSource &source)
{
    volume = name;
    grid = gridOf(source);
    fileRefused = false;
    lastFailure.clear();
    Measurements stored;
    const std::optional<FileStart> file =
        name.isEmpty() ? std::nullopt : readRegularFileStart(fileName(), MeasurementFile::maxBytes + 1);
    if (file) {
        const MeasurementFile::Decoded decoded = MeasurementFile::decode(file->bytes);
        const QString why = file->size > MeasurementFile::maxBytes ? QStringLiteral("it is larger than a measurements file can be")
                                                                 : MeasurementFile::refusal(decoded, grid);
        fileRefused = !why.isEmpty();
        if (fileRefused)
            report(QString("Can't use the measurements in %1: %2").arg(fileName(), why));
        else
            stored = decoded.measurements;
    }
    set->replace(stored);
    history->reset(stored);
}

void MeasurementKeeper::keep(const Measurements &measurements)
{
    history->record(measurements);
    save(measurements);
}

void MeasurementKeeper::save(const Measurements &measurements)
{
    if (volume.isEmpty())
        return;
    if (fileRefused && !moveRefusedAside())
        return;
    const QString failure = writeWholeFile(fileName(), MeasurementFile::encode(grid, measurements));
    if (!failure.isEmpty() && lastFailure.isEmpty())
        report(QString("Can't save the measurements to %1: %2").arg(fileName(), failure));
    lastFailure = failure;
}

bool MeasurementKeeper::moveRefusedAside()
{
    if (!QFile::exists(fileName())) {
        fileRefused = false;
        return true;
    }
    for (int n = 1; n <= refusedNames; ++n) {
        const QString aside = fileName() + (n == 1 ? QString(".refused") : QString(".refused-%1").arg(n));
        if (!QFile::exists(aside) && QFile::rename(fileName(), aside)) {
            report(QString("Kept the refused %1 as %2").arg(fileName(), aside));
            fileRefused = false;
            return true;
        }
    }
    const QString failure = QStringLiteral("the refused file there cannot be moved aside");
    if (lastFailure.isEmpty())
        report(QString("Can't save the measurements to %1: %2").arg(fileName(), failure));
    lastFailure = failure;
    return false;
}

void MeasurementKeeper::report(const QString &line)
{
    printConsole(line.toLocal8Bit().toStdString() + "\n");
    emit reported(line);
}
