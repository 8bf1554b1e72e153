#include "SliceOverlay.h"

#include <QPainter>

QColor orientationColour(SliceOrientation orientation)
{
    switch (orientation) {
    case SliceOrientation::Coronal:
        return QColor(90, 210, 90);
    case SliceOrientation::Sagittal:
        return QColor(240, 200, 60);
    case SliceOrientation::Axial:
        break;
    }
    return QColor(235, 90, 90);
}

void drawCrossLines(QPainter &painter, const SlicePlane &plane, const AxisOrder &order, const std::array<int, 3> &size,
                    const std::array<int, 3> &crossPoint, const QRectF &rect)
{
    const QSize cells = planeCells(plane, size);
    const QPoint cell = cellOfVoxel(plane, crossPoint, size);
    const double x = rect.left() + (cell.x() + 0.5) * rect.width() / cells.width();
    const double y = rect.top() + (cell.y() + 0.5) * rect.height() / cells.height();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(orientationColour(orientationAlong(plane.columnAxis, order)), 0));
    painter.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
    painter.setPen(QPen(orientationColour(orientationAlong(plane.rowAxis, order)), 0));
    painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
}

void drawEdgeLetters(QPainter &painter, const SlicePlane &plane, const QRectF &rect, int margin)
{
    if (!plane.edgeLetters[0] || rect.isEmpty())
        return;
    painter.setPen(Qt::white);
    const QRectF area = rect.adjusted(-margin, -margin, margin, margin);
    const auto letter = [&](int edge) { return QString(QChar::fromLatin1(plane.edgeLetters[size_t(edge)])); };
    painter.drawText(QRectF(area.left(), rect.top(), margin, rect.height()), Qt::AlignCenter, letter(0));
    painter.drawText(QRectF(rect.right(), rect.top(), margin, rect.height()), Qt::AlignCenter, letter(1));
    painter.drawText(QRectF(rect.left(), area.top(), rect.width(), margin), Qt::AlignCenter, letter(2));
    painter.drawText(QRectF(rect.left(), rect.bottom(), rect.width(), margin), Qt::AlignCenter, letter(3));
}
