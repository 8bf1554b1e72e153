#pragma once

#include "Measurement.h"
#include "SliceMapping.h"

#include <QPolygonF>

#include <vector>

// A measurement as it lies on the screen: its handles, the lines it is drawn with, and what
// a point of the widget touches. Shared by the drawing and the editing of measurements, so
// that what can be grabbed is what is drawn.

// The points a drag can take hold of: the ends and the vertex of a line, the four corners
// of a region's box.
std::vector<VoxelPoint> handlesOf(const Measurement &measurement);
// The measurement with the handle moved to a point of its slice; a region's corner drags the
// two sides that meet there.
Measurement withHandleAt(const Measurement &measurement, int handle, const VoxelPoint &point);

bool isOnSlice(const Measurement &measurement, const SliceMapping &mapping);
// The lines that draw it in widget pixels, closed for the regions.
QPolygonF outlineOf(const Measurement &measurement, const SliceMapping &mapping);

struct MeasurementHit
{
    int index = -1;
    // The handle taken hold of; -1 for the lines themselves.
    int handle = -1;

    bool found() const { return index >= 0; }
};

// What lies under a widget point on the mapping's slice: a handle of the selected
// measurement first, then any handle, then any line, each within a few pixels.
MeasurementHit hitAt(const Measurements &measurements, int selected, const SliceMapping &mapping, const QPointF &point);
