#pragma once

#include "SampleLimits.h"

#include <QGradientStops>
#include <QPoint>
#include <QPolygonF>
#include <QRectF>
#include <QRgb>
#include <QSize>

#include <functional>
#include <optional>

// The arithmetic of the transfer-function editor, kept apart from the widgets so that it
// can be checked on its own: clamping and hit-testing of control points, the rescale on a
// resize, the mapping between channel values and heights and between points and stops,
// the position on a curve that a sample reads, and the steps of the transfer table build.
//
// Points are in an editor's own pixels (origin top-left, y downwards). Every rounding here
// goes to the nearest whole number with halves upwards, towards positive infinity.
namespace CurveMath {

// Number of entries of the transfer table: one per 12-bit sample value.
constexpr int TableSize = transferTableSize;

double roundHalfUp(double value);
int roundHalfUpToInt(double value);

// Relative equality used to find a dragged point again after a sort; a coordinate of 0
// matches only an exact 0.
bool samePoint(const QPointF &a, const QPointF &b);

// Keeps a point inside bounds (right and bottom edges inclusive); lockFlags is a set of
// HoverPoints::LockType. PinLeft wins over PinRight and PinTop over PinBottom.
QPointF clampPoint(const QPointF &point, const QRectF &bounds, quint32 lockFlags);

// The handle of a point: the rectangle of the given size centred on it.
QRectF handleRect(const QPointF &point, const QSizeF &handleSize);

// Index of the first point whose handle (ellipse for round, rectangle for square) contains
// pos, so the lower index wins where handles overlap; -1 when none does.
int hitTest(const QPolygonF &points, const QPointF &pos, const QSizeF &handleSize, bool squareHandles);

// A point scaled by sx, sy and rounded to whole pixels, as a resize moves it.
QPointF rescaledPoint(const QPointF &point, double sx, double sy);

// Height of a channel value 0..255 in an editor of the given height: 255 on the top row,
// 0 on the bottom row (height - 1), rounded to a whole pixel.
double valueToHeight(int value, int editorHeight);

// The point of one channel for a stop at the given position with that channel's value.
QPointF stopToPoint(qreal position, int value, int editorWidth, int editorHeight);

// Turns the merged points of all channels into sorted stops, one per point, skipping a
// point whose truncated x equals the next point's stored x exactly. colourAt gives the
// stop colour (ARGB) at a whole column. No result when a position would lie beyond 1.
std::optional<QGradientStops> stopsFromPoints(QPolygonF points, qreal width,
                                              const std::function<QRgb(int)> &colourAt);

// The pixel of a shade picture that a curve passes at column x: the first segment that
// holds x decides, so an inner point's column uses the segment to its left. No result
// outside the curve's span or with fewer than two points.
std::optional<QPoint> curvePixel(const QPolygonF &points, int x, const QSize &imageSize);

// Sets the height of a curve at x: the point already at x takes the new height, or a new
// point is inserted between its neighbours. A curve whose span does not hold x is
// returned unchanged.
QPolygonF withHeightAt(QPolygonF points, qreal x, qreal y);

// The table build: the range the table may span, the column step for a range (single
// precision on purpose, so results match across builds), the column of an entry, and one
// entry made from the own byte of each channel's sample.
bool tableRangeValid(int lo, int hi);
float tableStep(int width, int lo, int hi);
int tableColumn(int entry, int lo, float step);
quint32 tableEntry(QRgb alphaSample, QRgb redSample, QRgb greenSample, QRgb blueSample);

} // namespace CurveMath
