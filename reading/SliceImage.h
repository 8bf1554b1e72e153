#pragma once

#include "SlicePlane.h"
#include "SliceSource.h"
#include "WindowLevel.h"

#include <QImage>
#include <QRectF>

class QPainter;

// A slice as a picture: one pixel per cell of the plane, grey through the window's table,
// then drawn with square millimetres into whatever area shows it, black around.

// The slice through voxel index `slice` along the plane's slice axis, in screen order.
QImage sliceImage(const SliceSource &source, const SlicePlane &plane, int slice, const GreyTable &greys);

// Fills area black and draws the image fitted into it with the proportions of extent
// (millimetres); the rectangle the image took.
QRectF drawSliceImage(QPainter &painter, const QImage &image, const QSizeF &extent, const QRectF &area);

// A picture of size pixels of the middle slice of the given orientation, windowed.
QImage middleSlicePicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                          const QSize &size);
