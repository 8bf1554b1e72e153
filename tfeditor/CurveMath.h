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
// can be checked on its own: clamping and hit-testing of control points, the mapping
// between a curve's data coordinates and an editor's pixels, between points and stops,
// the position on a curve that a sample reads, and the steps of the transfer table build.
//
// An editor keeps its points in data coordinates (DataFrame) and shows them in its own pixels
// (origin top-left, y downwards). Every rounding here goes to the nearest whole number with
// halves upwards, towards positive infinity.
namespace CurveMath {

// Number of entries of the transfer table: one per 12-bit sample value.
constexpr int TableSize = transferTableSize;

double roundHalfUp(double value);
int roundHalfUpToInt(double value);

// Keeps a point inside bounds (right and bottom edges inclusive); lockFlags is a set of
// HoverPoints::LockType. PinLeft wins over PinRight and PinTop over PinBottom.
QPointF clampPoint(const QPointF &point, const QRectF &bounds, quint32 lockFlags);

// The handle of a point: the rectangle of the given size centred on it.
QRectF handleRect(const QPointF &point, const QSizeF &handleSize);

// Index of the first point whose handle (ellipse for round, rectangle for square) contains
// pos, so the lower index wins where handles overlap; -1 when none does.
int hitTest(const QPolygonF &points, const QPointF &pos, const QSizeF &handleSize, bool squareHandles);

// Where the data coordinates of an editor's points lie over its pixels: data x runs from left
// on column 0 to right on column W, data y from top on row 0 to bottom on row H - 1 when
// bottomOnLastRow, else on row H. Points kept in data coordinates mean the same at any size,
// so no size the editor passes through, however small, can move them.
struct DataFrame
{
    double left = 0.0;
    double right = 1.0;
    double top = 0.0;
    double bottom = 1.0;
    bool bottomOnLastRow = false;
};

// A channel editor's frame: x the stop position 0..1, y the channel value, 255 on the top
// row and 0 on the bottom one (height - 1).
constexpr DataFrame channelFrame{0.0, 1.0, 255.0, 0.0, true};

// The pixels the frame spans in an editor of the given size.
QRectF framePixels(const DataFrame &frame, const QSize &size);
// A point of the frame in pixels, rounded to whole pixels as the editor shows it.
QPointF dataToPixel(const DataFrame &frame, const QPointF &data, const QSize &size);
// A point of data coordinates moved inside the frame.
QPointF keptInFrame(const DataFrame &frame, const QPointF &data);
// A pixel in the frame's coordinates, kept inside the frame; an editor with no width (or no
// rows) to span puts every point on the frame's left (or top).
QPointF pixelToData(const DataFrame &frame, const QPointF &pixel, const QSize &size);

// Turns the merged points of all channels into sorted stops, one per point, skipping a
// point whose truncated x equals the next point's stored x exactly. colourAt gives the
// stop colour (ARGB) at a whole column. No result when a position would lie beyond 1.
std::optional<QGradientStops> stopsFromPoints(QPolygonF points, qreal width,
                                              const std::function<QRgb(int)> &colourAt);

// The pixel of a shade picture that a curve passes at column x: the first segment that
// holds x decides, so an inner point's column uses the segment to its left. No result
// outside the curve's span or with fewer than two points.
std::optional<QPoint> curvePixel(const QPolygonF &points, int x, const QSize &imageSize);

// Sets the y of a curve at x: the point already at x takes the new y, or a new point is
// inserted between its neighbours. A curve whose span does not hold x is returned
// unchanged.
QPolygonF withHeightAt(QPolygonF points, qreal x, qreal y);

// The table build: the range the table may span, the column step for a range (single
// precision on purpose, so results match across builds), the column of an entry, and one
// entry made from the own byte of each channel's sample.
bool tableRangeValid(int lo, int hi);
float tableStep(int width, int lo, int hi);
int tableColumn(int entry, int lo, float step);
quint32 tableEntry(QRgb alphaSample, QRgb redSample, QRgb greenSample, QRgb blueSample);

} // namespace CurveMath
