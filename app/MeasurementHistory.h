#pragma once

#include "MeasurementSet.h"

#include <QObject>

class QUndoStack;

// The measurements' steps in the volume's one undo history, beside the transfer function's:
// one command per finished edit, holding the measurements before and after it, so that Ctrl+Z
// takes back whichever came last. Undoing or redoing hands the measurements back through
// measurementsRestored, for the views to show and the file to keep.
class MeasurementHistory : public QObject
{
    Q_OBJECT

public:
    MeasurementHistory(QUndoStack &stack, QObject *parent = nullptr);

    // Starts from these measurements; the stack itself is cleared by its owner.
    void reset(const Measurements &measurements);
    // The measurements after an edit; nothing is recorded where they equal the current ones.
    void record(const Measurements &measurements);

signals:
    void measurementsRestored(const Measurements &measurements);

private:
    void restore(const Measurements &measurements);

    QUndoStack &stack;
    Measurements current;
};
