#include "SliceImage.h"

#include <QPainter>

#include <algorithm>

SliceSamples sliceSamples(const SliceSource &source, const SlicePlane &plane, int slice)
{
    SliceSamples gathered;
    if (source.isEmpty())
        return gathered;
    gathered.cells = planeCells(plane, source.size);
    gathered.samples.resize(size_t(gathered.cells.width()) * size_t(gathered.cells.height()));
    const int64_t columnStep = (plane.columnsReversed ? -1 : 1) * source.stride[plane.columnAxis];
    const int64_t rowStep = (plane.rowsReversed ? -1 : 1) * source.stride[plane.rowAxis];
    const uint16_t *first = source.samples + source.offsetOf(voxelOfCell(plane, QPoint(0, 0), slice, source.size));
    uint16_t *out = gathered.samples.data();
    for (int row = 0; row < gathered.cells.height(); ++row) {
        const uint16_t *sample = first + row * rowStep;
        for (int column = 0; column < gathered.cells.width(); ++column, sample += columnStep)
            *out++ = *sample;
    }
    return gathered;
}

QImage greyImage(const SliceSamples &slice, const GreyTable &greys)
{
    QImage image(slice.cells, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    std::array<uint32_t, transferTableSize> colours;
    for (int s = 0; s < transferTableSize; ++s)
        colours[s] = 0xff000000u | greys[s] * 0x010101u;
    const uint16_t *sample = slice.samples.data();
    for (int row = 0; row < slice.cells.height(); ++row) {
        auto *pixel = reinterpret_cast<uint32_t *>(image.scanLine(row));
        for (int column = 0; column < slice.cells.width(); ++column)
            pixel[column] = colours[std::min<uint16_t>(*sample++, maxSample)];
    }
    return image;
}

QImage sliceImage(const SliceSource &source, const SlicePlane &plane, int slice, const GreyTable &greys)
{
    return greyImage(sliceSamples(source, plane, slice), greys);
}

QRectF drawSliceImage(QPainter &painter, const QImage &image, const QSizeF &extent, const QRectF &area)
{
    painter.fillRect(area, Qt::black);
    const QRectF rect = fittedRect(extent, area);
    drawSliceImagePart(painter, image, rect, area);
    return rect;
}

void drawSliceImagePart(QPainter &painter, const QImage &image, const QRectF &rect, const QRectF &visible)
{
    const QRectF shown = rect.intersected(visible);
    if (image.isNull() || rect.isEmpty() || shown.isEmpty())
        return;
    const double sx = image.width() / rect.width(), sy = image.height() / rect.height();
    const QRectF part((shown.left() - rect.left()) * sx, (shown.top() - rect.top()) * sy, shown.width() * sx,
                      shown.height() * sy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(shown, image, part);
}

QImage fittedPicture(const QImage &image, const QSizeF &extent, const QSize &size)
{
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    QPainter painter(&picture);
    drawSliceImage(painter, image, extent, QRectF(picture.rect()));
    return picture;
}

QImage middleSlicePicture(const SliceSource &source, SliceOrientation orientation, const WindowLevel &window,
                          const QSize &size)
{
    const SlicePlane plane = slicePlaneFor(orientation, source);
    const int slice = middleVoxel(nearestAxisOrder(source.frame), source.size)[plane.sliceAxis];
    return fittedPicture(sliceImage(source, plane, slice, greyTable(window, source.units)), planeExtent(plane, source), size);
}
