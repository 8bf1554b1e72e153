#pragma once

#include "Measurement.h"
#include "SlicePlane.h"

#include <QPointF>
#include <QRectF>

#include <array>

// Between widget pixels and continuous voxel coordinates on one slice of a plane drawn into a
// rectangle (at whatever zoom): what the measurements are drawn and edited through. The
// centre of voxel i falls in the middle of its cell, so that the discrete cellAt and this
// agree.
struct SliceMapping
{
    SlicePlane plane;
    std::array<int, 3> size{0, 0, 0};
    QRectF rect;
    int slice = 0;

    QPointF toWidget(const VoxelPoint &point) const;
    // The point of the slice under a widget point, kept on the slice.
    VoxelPoint toVoxel(const QPointF &point) const;
    // Widget pixels per voxel along the plane's columns and rows.
    QPointF pixelsPerVoxel() const;
};
