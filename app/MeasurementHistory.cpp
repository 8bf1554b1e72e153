#include "MeasurementHistory.h"

#include "SnapshotEdit.h"

#include <QUndoStack>

MeasurementHistory::MeasurementHistory(QUndoStack &stack, QObject *parent) : QObject(parent), stack(stack)
{
}

void MeasurementHistory::reset(const Measurements &measurements)
{
    current = measurements;
}

void MeasurementHistory::record(const Measurements &measurements)
{
    if (measurements == current)
        return;
    const Measurements before = current;
    current = measurements;
    stack.push(new SnapshotEdit<Measurements>([this](const Measurements &m) { restore(m); }, before, measurements));
}

void MeasurementHistory::restore(const Measurements &measurements)
{
    current = measurements;
    emit measurementsRestored(measurements);
}
