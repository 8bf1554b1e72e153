#pragma once

#include "MeasurementSet.h"
#include "PatientAxes.h"
#include "SliceSource.h"
#include "WindowLevel.h"

#include <QObject>

#include <array>

// What the three reading views share: the samples they show, the cross point (the voxel
// whose three planes they show, moved by a click in one view or by its wheel), the window
// and the measurements, which belong to the volume shown and go with it. Each setter checks for a real change and then emits once, so a view repaints
// exactly when something it shows has changed.
class ReadingState : public QObject
{
    Q_OBJECT

public:
    explicit ReadingState(QObject *parent = nullptr);

    // A new volume: the cross point goes to its middle, the window to its start window, and
    // it has no measurements.
    void setSource(const SliceSource &source);
    const SliceSource &source() const { return shown; }
    const AxisOrder &axisOrder() const { return order; }

    const std::array<int, 3> &crossPoint() const { return cross; }
    // Kept inside the grid.
    void setCrossPoint(const std::array<int, 3> &voxel);
    void moveCrossPoint(int axis, int steps);

    const WindowLevel &window() const { return shownWindow; }
    void setWindow(const WindowLevel &window);
    void useAutomaticWindow();
    // The automatic window of the volume shown, worked out once when it arrives.
    const WindowLevel &automatic() const { return automaticLevels; }
    const GreyTable &greys() const { return greyLookup; }
    // Back to the window the volume was first shown with.
    void resetWindow();

    MeasurementSet *measurements() const { return measured; }

signals:
    void sourceChanged();
    void crossPointChanged();
    void windowChanged();

private:
    SliceSource shown;
    AxisOrder order;
    std::array<int, 3> cross{0, 0, 0};
    WindowLevel shownWindow;
    WindowLevel automaticLevels;
    WindowLevel startLevels;
    GreyTable greyLookup{};
    MeasurementSet *measured;
};
