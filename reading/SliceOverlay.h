#pragma once

#include "PatientAxes.h"
#include "SlicePlane.h"

#include <QColor>
#include <QRectF>

#include <array>

class QPainter;

// What a 2-D view draws over its slice besides the measurements: the other two views' planes
// as thin lines in their colours, and the patient's directions at the slice's edges.

// The colour by which each orientation is told apart: its name and its lines.
QColor orientationColour(SliceOrientation orientation);

// Each line lies on the plane of the view whose slices are stacked along the axis it
// crosses, through the middle of the cross point's cell of the plane drawn into rect.
void drawCrossLines(QPainter &painter, const SlicePlane &plane, const AxisOrder &order, const std::array<int, 3> &size,
                    const std::array<int, 3> &crossPoint, const QRectF &rect);

// The edge letters just outside rect, in a margin of that many pixels; nothing where the
// plane has none.
void drawEdgeLetters(QPainter &painter, const SlicePlane &plane, const QRectF &rect, int margin);
