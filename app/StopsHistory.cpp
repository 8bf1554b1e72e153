#include "StopsHistory.h"

#include "SnapshotEdit.h"

class StopsHistory::StopsEdit : public SnapshotEdit<QGradientStops>
{
public:
    StopsEdit(StopsHistory &history, QGradientStops before, QGradientStops after, int gesture)
        : SnapshotEdit([&history](const QGradientStops &stops) { history.restore(stops); }, std::move(before),
                       std::move(after)),
          gesture(gesture)
    {
    }

    int id() const override { return 1; }

    // Only steps of the same gesture merge; a merged gesture that came back to where it began
    // is no edit at all.
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const StopsEdit *>(other);
        if (gesture == 0 || next->gesture != gesture)
            return false;
        after = next->after;
        setObsolete(after == before);
        return true;
    }

private:
    const int gesture;
};

StopsHistory::StopsHistory(QObject *parent)
    : QObject(parent)
{
    commands.setUndoLimit(capacity);
}

// The stack clears itself as it goes and would tell its listeners, which may be going
// too (the window, whose child this history is).
StopsHistory::~StopsHistory()
{
    commands.blockSignals(true);
}

void StopsHistory::reset(const QGradientStops &stops)
{
    commands.clear();
    current = stops;
    gesture = 0;
}

bool StopsHistory::record(const QGradientStops &stops)
{
    if (stops == current)
        return false;
    if (current.isEmpty()) {
        reset(stops);
        return true;
    }
    const QGradientStops before = current;
    current = stops;
    commands.push(new StopsEdit(*this, before, stops, gesture));
    return true;
}

void StopsHistory::beginGesture()
{
    gesture = ++gesturesBegun;
}

void StopsHistory::endGesture()
{
    gesture = 0;
}

void StopsHistory::undo()
{
    endGesture();
    commands.undo();
}

void StopsHistory::redo()
{
    endGesture();
    commands.redo();
}

void StopsHistory::restore(const QGradientStops &stops)
{
    current = stops;
    emit stopsRestored(stops);
}
