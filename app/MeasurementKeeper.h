#pragma once

#include "MeasurementFile.h"
#include "MeasurementSet.h"

#include <QObject>
#include <QString>

class MeasurementHistory;
class QUndoStack;
struct SliceSource;

// Keeps the measurements of the volume on screen: in their file, the volume's base name with
// ".measurements" appended in the working directory (beside its ".stops"), and in the
// volume's undo history. Opening a volume reads the file and never writes it; each finished
// edit, and each undone or redone one, rewrites it whole.
//
// A file that cannot be used (damaged, not ours, made on another grid) is named in one line
// and left as it is: the volume opens without measurements. When the user then makes one,
// the refused file is first moved aside (NAME.measurements.refused, or .refused-2 and so on
// where that is taken), so that nothing the user made is lost. A failing save is reported
// once, and again only after a save has succeeded in between.
class MeasurementKeeper : public QObject
{
    Q_OBJECT

public:
    MeasurementKeeper(MeasurementSet *set, QUndoStack &history, QObject *parent = nullptr);

    // The volume shown, by base name: its stored measurements go into the set as the start of
    // its history. An empty name (the start-up volume) reads and writes nothing.
    void openVolume(const QString &name, const SliceSource &source);
    QString fileName() const;

signals:
    // A line the console printed: a refused file, one moved aside, a failed save.
    void reported(const QString &line);

private:
    void keep(const Measurements &measurements);
    void save(const Measurements &measurements);
    bool moveRefusedAside();
    void report(const QString &line);

    MeasurementSet *set;
    MeasurementHistory *history;
    QString volume;
    MeasurementFile::Grid grid;
    bool fileRefused = false;
    QString lastFailure;
};
