#include "StopsHistory.h"

void StopsHistory::reset(const QGradientStops &stops)
{
    steps.assign(1, stops);
    current = 0;
    gestureRecorded = false;
}

void StopsHistory::record(const QGradientStops &stops)
{
    if (current < 0) {
        reset(stops);
        return;
    }
    if (gestureOpen && gestureRecorded) {
        steps[current] = stops;
        return;
    }
    if (steps[current] == stops)
        return;
    steps.erase(steps.begin() + current + 1, steps.end());
    steps.push_back(stops);
    if (int(steps.size()) > capacity)
        steps.erase(steps.begin());
    current = int(steps.size()) - 1;
    gestureRecorded = gestureOpen;
}

void StopsHistory::replaceCurrent(const QGradientStops &stops)
{
    if (current < 0)
        reset(stops);
    else
        steps[current] = stops;
}

void StopsHistory::beginGesture()
{
    gestureOpen = true;
    gestureRecorded = false;
}

void StopsHistory::endGesture()
{
    gestureOpen = false;
    gestureRecorded = false;
}

std::optional<QGradientStops> StopsHistory::undo()
{
    if (!canUndo())
        return std::nullopt;
    return steps[--current];
}

std::optional<QGradientStops> StopsHistory::redo()
{
    if (!canRedo())
        return std::nullopt;
    return steps[++current];
}
