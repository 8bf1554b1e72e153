#pragma once

#include <QGradientStops>

#include <optional>
#include <vector>

// The undo history of one volume's transfer function: the stops after each finished edit,
// oldest first, with the current step marked. A mouse gesture in the editor (press, drag,
// release) is one step however many times the stops change during it. A new edit after an
// undo drops the steps that could have been redone; beyond the capacity the oldest go.
class StopsHistory
{
public:
    static constexpr int capacity = 200;

    // Starts anew from these stops, with nothing to undo or redo.
    void reset(const QGradientStops &stops);
    // The stops after an edit: a new step, or the open gesture's step replaced. Stops equal
    // to the current step are no edit.
    void record(const QGradientStops &stops);
    // The current step re-expressed (the editor was resized, or a step was re-applied).
    void replaceCurrent(const QGradientStops &stops);

    void beginGesture();
    void endGesture();

    bool canUndo() const { return current > 0; }
    bool canRedo() const { return current + 1 < int(steps.size()); }
    // The stops to return to, if any; the current step moves with it.
    std::optional<QGradientStops> undo();
    std::optional<QGradientStops> redo();

private:
    std::vector<QGradientStops> steps;
    int current = -1;
    bool gestureOpen = false;
    bool gestureRecorded = false;
};
