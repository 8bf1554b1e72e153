#include "SlicePlane.h"

#include <algorithm>
#include <cmath>

namespace {

// Each view as patient directions (axis, +1 or -1): towards the screen's right, towards its
// bottom, and the axis the slices are stacked along with the direction Page Up takes.
struct ViewDirections
{
    int rightAxis, rightDirection;
    int downAxis, downDirection;
    int sliceAxis, upDirection;
};

ViewDirections directionsOf(SliceOrientation orientation)
{
    switch (orientation) {
    case SliceOrientation::Coronal:
        return {0, +1, 2, -1, 1, -1};
    case SliceOrientation::Sagittal:
        return {1, +1, 2, -1, 0, +1};
    case SliceOrientation::Axial:
        break;
    }
    return {0, +1, 1, +1, 2, +1};
}

// A cell counted from the other end of its axis: its own inverse.
int alongAxis(int cell, int count, bool reversed)
{
    return reversed ? count - 1 - cell : cell;
}

} // namespace

SlicePlane slicePlaneFor(SliceOrientation orientation, const AxisOrder &order, bool withLetters)
{
    const ViewDirections d = directionsOf(orientation);
    SlicePlane plane;
    plane.orientation = orientation;
    plane.columnAxis = order.voxelAxis[d.rightAxis];
    plane.columnsReversed = order.sign[d.rightAxis] * d.rightDirection < 0;
    plane.rowAxis = order.voxelAxis[d.downAxis];
    plane.rowsReversed = order.sign[d.downAxis] * d.downDirection < 0;
    plane.sliceAxis = order.voxelAxis[d.sliceAxis];
    plane.stepUp = order.sign[d.sliceAxis] * d.upDirection;
    if (withLetters)
        plane.edgeLetters = {patientLetter(d.rightAxis, -d.rightDirection), patientLetter(d.rightAxis, d.rightDirection),
                             patientLetter(d.downAxis, -d.downDirection), patientLetter(d.downAxis, d.downDirection)};
    return plane;
}

SlicePlane slicePlaneFor(SliceOrientation orientation, const SliceSource &source)
{
    return slicePlaneFor(orientation, nearestAxisOrder(source.frame), source.frame.known);
}

SliceOrientation orientationAlong(int voxelAxis, const AxisOrder &order)
{
    for (SliceOrientation o : {SliceOrientation::Coronal, SliceOrientation::Sagittal})
        if (order.voxelAxis[directionsOf(o).sliceAxis] == voxelAxis)
            return o;
    return SliceOrientation::Axial;
}

QSize planeCells(const SlicePlane &plane, const std::array<int, 3> &size)
{
    return QSize(size[plane.columnAxis], size[plane.rowAxis]);
}

QSizeF planeExtent(const SlicePlane &plane, const SliceSource &source)
{
    return QSizeF(source.size[plane.columnAxis] * source.spacingAlong(plane.columnAxis),
                  source.size[plane.rowAxis] * source.spacingAlong(plane.rowAxis));
}

QRectF fittedRect(const QSizeF &extent, const QRectF &area)
{
    if (extent.isEmpty() || area.isEmpty())
        return QRectF(area.center(), QSizeF(0, 0));
    const double scale = std::min(area.width() / extent.width(), area.height() / extent.height());
    QRectF rect(QPointF(0, 0), extent * scale);
    rect.moveCenter(area.center());
    return rect;
}

std::array<int, 3> middleVoxel(const AxisOrder &order, const std::array<int, 3> &size)
{
    std::array<int, 3> voxel{0, 0, 0};
    for (int p = 0; p < 3; ++p) {
        const int a = order.voxelAxis[p];
        voxel[a] = alongAxis(size[a] / 2, size[a], order.sign[p] < 0);
    }
    return voxel;
}

std::optional<QPoint> cellAt(const QPointF &point, const QRectF &rect, const QSize &cells)
{
    if (rect.isEmpty() || !rect.contains(point))
        return std::nullopt;
    const int column = int(std::floor((point.x() - rect.left()) / rect.width() * cells.width()));
    const int row = int(std::floor((point.y() - rect.top()) / rect.height() * cells.height()));
    return QPoint(std::clamp(column, 0, cells.width() - 1), std::clamp(row, 0, cells.height() - 1));
}

std::array<int, 3> voxelOfCell(const SlicePlane &plane, const QPoint &cell, int slice, const std::array<int, 3> &size)
{
    std::array<int, 3> voxel{0, 0, 0};
    voxel[plane.columnAxis] = alongAxis(cell.x(), size[plane.columnAxis], plane.columnsReversed);
    voxel[plane.rowAxis] = alongAxis(cell.y(), size[plane.rowAxis], plane.rowsReversed);
    voxel[plane.sliceAxis] = slice;
    return voxel;
}

QPoint cellOfVoxel(const SlicePlane &plane, const std::array<int, 3> &voxel, const std::array<int, 3> &size)
{
    return QPoint(alongAxis(voxel[plane.columnAxis], size[plane.columnAxis], plane.columnsReversed),
                  alongAxis(voxel[plane.rowAxis], size[plane.rowAxis], plane.rowsReversed));
}
