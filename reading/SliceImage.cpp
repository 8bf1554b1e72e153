#include "SliceImage.h"

#include <QPainter>

#include <algorithm>

QImage sliceImage(const SliceSource &source, const SlicePlane &plane, int slice, const GreyTable &greys)
{
    if (source.isEmpty())
        return QImage();
    const QSize cells = planeCells(plane, source.size);
    QImage image(cells, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::array<uint32_t, transferTableSize> colours;
    for (int s = 0; s < transferTableSize; ++s)
        colours[s] = 0xff000000u | greys[s] * 0x010101u;

    const int64_t columnStep = (plane.columnsReversed ? -1 : 1) * source.stride[plane.columnAxis];
    const int64_t rowStep = (plane.rowsReversed ? -1 : 1) * source.stride[plane.rowAxis];
    const uint16_t *first = source.samples + source.offsetOf(voxelOfCell(plane, QPoint(0, 0), slice, source.size));
    for (int row = 0; row < cells.height(); ++row) {
        const uint16_t *sample = first + row * rowStep;
        auto *pixel = reinterpret_cast<uint32_t *>(image.scanLine(row));
        for (int column = 0; column < cells.width(); ++column, sample += columnStep)
            pixel[column] = colours[std::min<uint16_t>(*sample, maxSample)];
    }
    return image;
}

QRectF drawSliceImage(QPainter &painter, const QImage &image, const QSizeF &extent, const QRectF &area)
{
    painter.fillRect(area, Qt::black);
    const QRectF rect = fittedRect(extent, area);
    if (!image.isNull() && !rect.isEmpty()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(rect, image);
    }
    return rect;
}

QImage middleSlicePicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                          const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const SlicePlane plane = slicePlaneFor(orientation, source);
    const int slice = middleVoxel(nearestAxisOrder(source.frame), source.size)[plane.sliceAxis];
    const QImage image = sliceImage(source, plane, slice, greyTable(window, source.units));
    QPainter painter(&picture);
    drawSliceImage(painter, image, planeExtent(plane, source), QRectF(picture.rect()));
    return picture;
}
