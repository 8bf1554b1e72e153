#include "SliceMapping.h"

#include "MeasurementGeometry.h"

namespace {

// A continuous cell coordinate (0 at the plane's edge) from a voxel coordinate and back: the
// two are each other's inverse, mirrored where the plane runs against the voxel axis.
double cellAlong(double voxel, int count, bool reversed)
{
    return reversed ? count - 0.5 - voxel : voxel + 0.5;
}

double voxelAlong(double cell, int count, bool reversed)
{
    return reversed ? count - 0.5 - cell : cell - 0.5;
}

} // namespace

QPointF SliceMapping::pixelsPerVoxel() const
{
    const QSize cells = planeCells(plane, size);
    if (cells.isEmpty())
        return QPointF(0, 0);
    return QPointF(rect.width() / cells.width(), rect.height() / cells.height());
}

QPointF SliceMapping::toWidget(const VoxelPoint &point) const
{
    const QPointF perVoxel = pixelsPerVoxel();
    return QPointF(rect.left() + cellAlong(point[plane.columnAxis], size[plane.columnAxis], plane.columnsReversed) * perVoxel.x(),
                   rect.top() + cellAlong(point[plane.rowAxis], size[plane.rowAxis], plane.rowsReversed) * perVoxel.y());
}

VoxelPoint SliceMapping::toVoxel(const QPointF &point) const
{
    const QPointF perVoxel = pixelsPerVoxel();
    VoxelPoint voxel{0, 0, 0};
    if (perVoxel.x() <= 0 || perVoxel.y() <= 0)
        return clampedToSlice(voxel, plane.sliceAxis, slice, size);
    voxel[plane.columnAxis] =
        voxelAlong((point.x() - rect.left()) / perVoxel.x(), size[plane.columnAxis], plane.columnsReversed);
    voxel[plane.rowAxis] = voxelAlong((point.y() - rect.top()) / perVoxel.y(), size[plane.rowAxis], plane.rowsReversed);
    return clampedToSlice(voxel, plane.sliceAxis, slice, size);
}
