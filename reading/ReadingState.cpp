#include "ReadingState.h"

#include "SlicePlane.h"

#include <algorithm>

ReadingState::ReadingState(QObject *parent) : QObject(parent), measured(new MeasurementSet(this))
{
    greyLookup = greyTable(shownWindow, shown.units);
}

void ReadingState::setSource(const SliceSource &source)
{
    shown = source;
    order = nearestAxisOrder(source.frame);
    cross = source.isEmpty() ? std::array<int, 3>{0, 0, 0} : middleVoxel(order, source.size);
    automaticLevels = automaticWindow(source);
    startLevels = startWindow(source.units, automaticLevels);
    shownWindow = startLevels;
    greyLookup = greyTable(shownWindow, shown.units);
    measured->replace({});
    emit sourceChanged();
}

void ReadingState::setCrossPoint(const std::array<int, 3> &voxel)
{
    std::array<int, 3> kept;
    for (int a = 0; a < 3; ++a)
        kept[a] = std::clamp(voxel[a], 0, std::max(0, shown.size[a] - 1));
    if (kept == cross)
        return;
    cross = kept;
    emit crossPointChanged();
}

void ReadingState::moveCrossPoint(int axis, int steps)
{
    std::array<int, 3> moved = cross;
    moved[axis] += steps;
    setCrossPoint(moved);
}

void ReadingState::setWindow(const WindowLevel &window)
{
    if (window == shownWindow)
        return;
    shownWindow = window;
    greyLookup = greyTable(shownWindow, shown.units);
    emit windowChanged();
}

void ReadingState::useAutomaticWindow()
{
    setWindow(automaticLevels);
}

void ReadingState::resetWindow()
{
    setWindow(startLevels);
}
