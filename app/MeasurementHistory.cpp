#include "MeasurementHistory.h"

#include <QUndoCommand>
#include <QUndoStack>

class MeasurementHistory::MeasurementEdit : public QUndoCommand
{
public:
    MeasurementEdit(MeasurementHistory &history, Measurements before, Measurements after)
        : history(history), before(std::move(before)), after(std::move(after))
    {
    }

    void undo() override { history.restore(before); }

    // The stack redoes a command as it is pushed; the edit has happened by then.
    void redo() override
    {
        if (pushed)
            history.restore(after);
        pushed = true;
    }

private:
    MeasurementHistory &history;
    Measurements before;
    Measurements after;
    bool pushed = false;
};

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
    stack.push(new MeasurementEdit(*this, before, measurements));
}

void MeasurementHistory::restore(const Measurements &measurements)
{
    current = measurements;
    emit measurementsRestored(measurements);
}
