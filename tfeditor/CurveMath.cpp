#include "CurveMath.h"

#include "HoverPoints.h"

#include <QColor>
#include <QLineF>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace CurveMath {

double roundHalfUp(double value)
{
    const double below = std::floor(value);
    return value - below >= 0.5 ? below + 1.0 : below;
}

int roundHalfUpToInt(double value)
{
    return int(roundHalfUp(value));
}

QPointF clampPoint(const QPointF &point, const QRectF &bounds, quint32 lockFlags)
{
    const double left = bounds.left();
    const double right = bounds.left() + bounds.width();
    const double top = bounds.top();
    const double bottom = bounds.top() + bounds.height();
    QPointF p = point;

    if (left > p.x() || (lockFlags & HoverPoints::PinLeft))
        p.setX(left);
    else if (p.x() > right || (lockFlags & HoverPoints::PinRight))
        p.setX(right);

    if (top > p.y() || (lockFlags & HoverPoints::PinTop))
        p.setY(top);
    else if (p.y() > bottom || (lockFlags & HoverPoints::PinBottom))
        p.setY(bottom);

    return p;
}

QRectF handleRect(const QPointF &point, const QSizeF &handleSize)
{
    const double w = handleSize.width();
    const double h = handleSize.height();
    return QRectF(point.x() - w * 0.5, point.y() - h * 0.5, w, h);
}

int hitTest(const QPolygonF &points, const QPointF &pos, const QSizeF &handleSize, bool squareHandles)
{
    for (int i = 0; i < points.size(); ++i) {
        QPainterPath handle;
        if (squareHandles)
            handle.addRect(handleRect(points.at(i), handleSize));
        else
            handle.addEllipse(handleRect(points.at(i), handleSize));
        if (handle.contains(pos))
            return i;
    }
    return -1;
}

// The rows between the frame's top and bottom; none in an editor squeezed flat.
static int rowSpan(const DataFrame &frame, const QSize &size)
{
    return std::max(0, frame.bottomOnLastRow ? size.height() - 1 : size.height());
}

QRectF framePixels(const DataFrame &frame, const QSize &size)
{
    return QRectF(0, 0, std::max(0, size.width()), rowSpan(frame, size));
}

QPointF dataToPixel(const DataFrame &frame, const QPointF &data, const QSize &size)
{
    const double x = (data.x() - frame.left) / (frame.right - frame.left) * size.width();
    const double y = (data.y() - frame.top) / (frame.bottom - frame.top) * rowSpan(frame, size);
    return QPointF(roundHalfUp(x), roundHalfUp(y));
}

// Where along from..to an offset into a span of pixels lies.
static double along(double from, double to, double offset, double span)
{
    return span > 0 ? from + offset / span * (to - from) : from;
}

QPointF keptInFrame(const DataFrame &frame, const QPointF &data)
{
    return QPointF(std::clamp(data.x(), std::min(frame.left, frame.right), std::max(frame.left, frame.right)),
                   std::clamp(data.y(), std::min(frame.top, frame.bottom), std::max(frame.top, frame.bottom)));
}

QPointF pixelToData(const DataFrame &frame, const QPointF &pixel, const QSize &size)
{
    return keptInFrame(frame, QPointF(along(frame.left, frame.right, pixel.x(), size.width()),
                                      along(frame.top, frame.bottom, pixel.y(), rowSpan(frame, size))));
}

std::optional<QGradientStops> stopsFromPoints(QPolygonF points, qreal width,
                                              const std::function<QRgb(int)> &colourAt)
{
    std::sort(points.begin(), points.end(),
              [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });

    QGradientStops stops;
    const int n = points.size();
    for (int i = 0; i < n; ++i) {
        const int column = int(points.at(i).x());
        const double x = column;
        if (i + 1 < n && points.at(i + 1).x() == x)
            continue;
        if (x / width > 1)
            return std::nullopt;
        stops.append(QGradientStop(x / width, QColor::fromRgba(colourAt(column))));
    }
    return stops;
}

std::optional<QPoint> curvePixel(const QPolygonF &points, int x, const QSize &imageSize)
{
    for (int i = 1; i < points.size(); ++i) {
        const QPointF &p = points.at(i - 1);
        const QPointF &q = points.at(i);
        if (!(p.x() <= x && x <= q.x()))
            continue;

        // A vertical segment has no slope to interpolate on; the curve continues to the
        // right from its second point, so that is the colour of this column.
        QPointF end = q;
        if (p.x() != q.x()) {
            const double t = (x - p.x()) / (q.x() - p.x());
            QLineF line(p, q);
            line.setLength(t * line.length());
            end = line.p2();
        }
        const int column = roundHalfUpToInt(std::min(end.x(), double(imageSize.width() - 1)));
        const int row = roundHalfUpToInt(std::min(end.y(), double(imageSize.height() - 1)));
        return QPoint(column, row);
    }
    return std::nullopt;
}

QPolygonF withHeightAt(QPolygonF points, qreal x, qreal y)
{
    for (int i = 1; i < points.size(); ++i) {
        if (!(points.at(i - 1).x() <= x && x <= points.at(i).x()))
            continue;
        if (x == points.at(i - 1).x())
            points[i - 1].setY(y);
        else if (x == points.at(i).x())
            points[i].setY(y);
        else
            points.insert(i, QPointF(x, y));
        break;
    }
    return points;
}

bool tableRangeValid(int lo, int hi)
{
    return 0 <= lo && lo <= hi && hi <= TableSize - 1;
}

float tableStep(int width, int lo, int hi)
{
    return float(double(width) / double(hi - lo + 1));
}

int tableColumn(int entry, int lo, float step)
{
    return int(double(entry - lo) * double(step));
}

quint32 tableEntry(QRgb alphaSample, QRgb redSample, QRgb greenSample, QRgb blueSample)
{
    return (alphaSample & 0xFF000000u) + (redSample & 0x00FF0000u) + (greenSample & 0x0000FF00u)
           + (blueSample & 0x000000FFu);
}

} // namespace CurveMath
