#pragma once

#include "SlicePlane.h"
#include "SliceSource.h"
#include "WindowLevel.h"

#include <QImage>
#include <QRectF>

#include <cstdint>
#include <vector>

class QPainter;

// A slice as a picture: one pixel per cell of the plane, grey through the window's table,
// then drawn with square millimetres into whatever area shows it, black around.

// The samples of one slice in screen order, row by row. Kept apart from the picture because
// gathering them from a slice across the storage order (sagittal, mostly) touches a cache
// line per sample, while a new window only has to look each of them up again.
struct SliceSamples
{
    QSize cells;
    std::vector<uint16_t> samples;
};

// The slice through voxel index `slice` along the plane's slice axis.
SliceSamples sliceSamples(const SliceSource &source, const SlicePlane &plane, int slice);
QImage greyImage(const SliceSamples &slice, const GreyTable &greys);
QImage sliceImage(const SliceSource &source, const SlicePlane &plane, int slice, const GreyTable &greys);

// Fills area black and draws the image fitted into it with the proportions of extent
// (millimetres); the rectangle the image took.
QRectF drawSliceImage(QPainter &painter, const QImage &image, const QSizeF &extent, const QRectF &area);
// Draws the piece of the image that rect, where the whole image would lie, shares with
// visible: a zoomed slice costs the pixels shown, not the pixels of the whole enlarged image.
void drawSliceImagePart(QPainter &painter, const QImage &image, const QRectF &rect, const QRectF &visible);

// A picture of size pixels with the image fitted into it as drawSliceImage draws it.
QImage fittedPicture(const QImage &image, const QSizeF &extent, const QSize &size);

// A picture of size pixels of the middle slice of the given orientation, windowed.
QImage middleSlicePicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                          const QSize &size);
