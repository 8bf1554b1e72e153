#pragma once

#include "MeasurementSet.h"
#include "SliceMapping.h"

#include <QPointF>

// What a 2-D view's left button does to the measurements: a press on a handle or a line of
// one on the slice selects it and drags the handle or the whole; a press on empty slice with
// a measuring tool draws a new one. A distance, an ellipse or a rectangle is drawn by one
// drag; an angle by a drag along its first arm to the vertex and a click where the second
// arm ends, which follows the mouse in between. Each is one gesture of the set, so one edit,
// and every point stays on the slice it was made on.
class MeasurementEditor
{
public:
    explicit MeasurementEditor(MeasurementSet *set) : set(set) {}

    // A left press; false where it is not the measurements' (empty slice with no tool, or
    // no slice), and the view may use it otherwise.
    bool press(const SliceMapping &mapping, const QPointF &point);
    // The mouse moved, with the left button held or not.
    void move(const SliceMapping &mapping, const QPointF &point);
    void release(const SliceMapping &mapping, const QPointF &point);
    // Drops what is being drawn or dragged, leaving the measurements as they were before it.
    void cancel();
    // Something is being drawn or dragged; the view keeps its slice meanwhile.
    bool isBusy() const { return action != Action::None && set->inGesture(); }

private:
    enum class Action { None, Drawing, SecondArm, MovingHandle, MovingWhole };

    bool startDrawing(const SliceMapping &mapping, const QPointF &point);
    void finish();
    void forgetReplacedGesture();

    MeasurementSet *set;
    Action action = Action::None;
    int index = -1;
    int handle = -1;
    Measurement original;
    VoxelPoint grabbed{0, 0, 0};
};
