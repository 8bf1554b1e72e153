#include "MeasurementShape.h"

#include "MeasurementGeometry.h"

#include <QLineF>

#include <cmath>

namespace {

// How near the mouse must come to a handle or a line to take it, in widget pixels.
constexpr double reach = 6.0;
// Segments of an ellipse's outline: smooth at any zoom the view allows.
constexpr int ellipseSegments = 96;

// Which of the two defining points gives a region corner its coordinate along each in-plane
// axis: corners run around the box from the first point.
constexpr int cornerSource[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

double distanceToSegment(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double lengthSquared = QPointF::dotProduct(ab, ab);
    const double t = lengthSquared > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / lengthSquared, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * ab).length();
}

double distanceToOutline(const QPolygonF &outline, const QPointF &point)
{
    double nearest = 1e300;
    for (int i = 0; i + 1 < outline.size(); ++i)
        nearest = std::min(nearest, distanceToSegment(point, outline[i], outline[i + 1]));
    if (outline.size() == 1)
        nearest = QLineF(point, outline[0]).length();
    return nearest;
}

int handleNear(const Measurement &measurement, const SliceMapping &mapping, const QPointF &point)
{
    const std::vector<VoxelPoint> handles = handlesOf(measurement);
    for (size_t h = 0; h < handles.size(); ++h)
        if (QLineF(mapping.toWidget(handles[h]), point).length() <= reach)
            return int(h);
    return -1;
}

} // namespace

std::vector<VoxelPoint> handlesOf(const Measurement &measurement)
{
    if (!measurement.isRegion() || measurement.points.size() != 2)
        return measurement.points;
    const std::array<int, 2> axes = inPlaneAxes(measurement.sliceAxis);
    std::vector<VoxelPoint> corners(4, measurement.points[0]);
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 2; ++i)
            corners[size_t(c)][axes[i]] = measurement.points[size_t(cornerSource[c][i])][axes[i]];
    return corners;
}

Measurement withHandleAt(const Measurement &measurement, int handle, const VoxelPoint &point)
{
    Measurement moved = measurement;
    if (!measurement.isRegion()) {
        if (handle >= 0 && handle < int(moved.points.size()))
            moved.points[size_t(handle)] = point;
        return moved;
    }
    if (handle < 0 || handle > 3 || moved.points.size() != 2)
        return moved;
    const std::array<int, 2> axes = inPlaneAxes(measurement.sliceAxis);
    for (int i = 0; i < 2; ++i)
        moved.points[size_t(cornerSource[handle][i])][axes[i]] = point[axes[i]];
    return moved;
}

bool isOnSlice(const Measurement &measurement, const SliceMapping &mapping)
{
    return measurement.sliceAxis == mapping.plane.sliceAxis && measurement.slice == mapping.slice;
}

QPolygonF outlineOf(const Measurement &measurement, const SliceMapping &mapping)
{
    QPolygonF outline;
    if (measurement.kind == MeasurementKind::Ellipse && measurement.points.size() == 2) {
        const QRectF box = QRectF(mapping.toWidget(measurement.points[0]), mapping.toWidget(measurement.points[1])).normalized();
        for (int s = 0; s <= ellipseSegments; ++s) {
            const double t = 2.0 * M_PI * s / ellipseSegments;
            outline << box.center() + QPointF(box.width() / 2 * std::cos(t), box.height() / 2 * std::sin(t));
        }
        return outline;
    }
    for (const VoxelPoint &p : handlesOf(measurement))
        outline << mapping.toWidget(p);
    if (measurement.kind == MeasurementKind::Rectangle && !outline.isEmpty())
        outline << outline.first();
    return outline;
}

MeasurementHit hitAt(const Measurements &measurements, int selected, const SliceMapping &mapping, const QPointF &point)
{
    if (selected >= 0 && selected < int(measurements.size()) && isOnSlice(measurements[size_t(selected)], mapping)) {
        const int handle = handleNear(measurements[size_t(selected)], mapping, point);
        if (handle >= 0)
            return {selected, handle};
    }
    for (int i = int(measurements.size()) - 1; i >= 0; --i)
        if (isOnSlice(measurements[size_t(i)], mapping)) {
            const int handle = handleNear(measurements[size_t(i)], mapping, point);
            if (handle >= 0)
                return {i, handle};
        }
    for (int i = int(measurements.size()) - 1; i >= 0; --i)
        if (isOnSlice(measurements[size_t(i)], mapping)
            && distanceToOutline(outlineOf(measurements[size_t(i)], mapping), point) <= reach)
            return {i, -1};
    return {};
}
